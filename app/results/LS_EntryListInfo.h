// LS_EntryListInfo: the entry list's columns as the registry key "Entry List Columns" names
// them. It owns the column names and one LS_EntryListColumn per column that could be read.
#pragma once

#include "results/LS_EntryListColumn.h"

#include "model/qstringlist.h"

#include <memory>
#include <string>
#include <vector>

namespace harrow {
class Oidtable;
class QEntry;
} // namespace harrow
class LS_RegistryKey;
class LS_Settings;

class LS_EntryListInfo {
public:
    static constexpr unsigned long VALUE_BUFFER_SIZE = 4096;

    LS_EntryListInfo();
    LS_EntryListInfo(const LS_EntryListInfo&) = delete;
    LS_EntryListInfo& operator=(const LS_EntryListInfo&) = delete;
    virtual ~LS_EntryListInfo();

    // Reads the columns; 0, after a diagnostic, at the first one that cannot be read. The
    // columns read before it stay; the names are always all those of "Column List". The columns
    // name attribute types of table, which must outlive them.
    int Load(LS_Settings& settings, const harrow::Oidtable& table);

    // Replaces names with the column names; returns their number.
    int GetColumnNames(harrow::QStringList& names) const;
    // The text of column index for the entry; empty when that column has none.
    void GetColumnText(const harrow::QEntry& entry, int column, std::string& text) const;
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    const LS_EntryListColumn* Column(int column) const;

private:
    int LoadColumn(const LS_Settings& settings, const harrow::Oidtable& table,
                   const LS_RegistryKey& key, const std::string& name);

    harrow::QStringList m_columnNames;
    std::vector<std::unique_ptr<LS_EntryListColumn>> m_columns;
};
