#include "results/LS_EntryListInfo.h"

#include "platform/LS_Registry.h"
#include "platform/LS_RegistryString.h"
#include "platform/LS_Settings.h"

#include "qdebugoutput.h"
#include "schema/oidtable.h"
#include "schema/schematext.h"

LS_EntryListInfo::LS_EntryListInfo() = default;

LS_EntryListInfo::~LS_EntryListInfo() = default;

int LS_EntryListInfo::Load(LS_Settings& settings, const harrow::Oidtable& table) {
    const std::unique_ptr<LS_RegistryKey> key = settings.OpenRegistryKey("Entry List Columns");
    if (!key) {
        harrow::QDebugOutput::Write(
            "Failed to read key:\nHKCU/Software/Calder Institute/Larkspur/Entry List Columns\n");
        return 0;
    }
    std::string columnList;
    if (!LS_RegistryString::Read(settings, key.get(), "Column List", false, VALUE_BUFFER_SIZE,
                                 columnList)) {
        harrow::QDebugOutput::Write("Failed to read registry key:\nHKCU/Software/Calder "
                                    "Institute/Larkspur/Entry List Columns/Column List\n");
        return 0;
    }
    m_columnNames.clear();
    m_columns.clear();
    m_columnNames.SetSplitString(columnList, ',');
    for (const std::string& name : m_columnNames) {
        if (!LoadColumn(settings, table, *key, harrow::Trimmed(name))) {
            return 0;
        }
    }
    return 1;
}

int LS_EntryListInfo::LoadColumn(const LS_Settings& settings, const harrow::Oidtable& table,
                                 const LS_RegistryKey& key, const std::string& name) {
    std::string columnValue;
    if (!LS_RegistryString::Read(settings, &key, name.c_str(), false, VALUE_BUFFER_SIZE,
                                 columnValue)) {
        harrow::QDebugOutput::Writef("Failed to read registry value:\nHKCU/Software/Calder "
                                     "Institute/Larkspur/Entry List Columns/%s\n",
                                     name.c_str());
        return 0;
    }
    harrow::QStringList parts;
    parts.SetSplitString(columnValue, ':');
    // A value that names no attribute type before its first colon specifies nothing.
    if (parts.front().empty()) {
        harrow::QDebugOutput::Writef(
            "Bad column specification found in registry value:\t\t\t\t\t\t\t "
            "\nHKCU/Software/Calder Institute/Larkspur/Entry List Columns/%s\n",
            name.c_str());
        return 0;
    }
    harrow::QAttrT* type = table.str2at(parts.front());
    if (!type) {
        harrow::QDebugOutput::Writef(
            "Unrecognised attribute type found in registry value:\t\t\t\t\t\t\t "
            "\nHKCU/Software/Calder Institute/Larkspur/Entry List Columns/%s\n",
            name.c_str());
        return 0;
    }
    const int useRDN = parts.size() > 1 && *std::next(parts.begin()) == "RDN" ? 1 : 0;
    m_columns.push_back(std::make_unique<LS_EntryListColumn>(type, useRDN));
    return 1;
}

int LS_EntryListInfo::GetColumnNames(harrow::QStringList& names) const {
    names = m_columnNames;
    return static_cast<int>(names.size());
}

void LS_EntryListInfo::GetColumnText(const harrow::QEntry& entry, int column,
                                     std::string& text) const {
    text.clear();
    if (const LS_EntryListColumn* shown = Column(column)) {
        shown->GetText(entry, text);
    }
}

const LS_EntryListColumn* LS_EntryListInfo::Column(int column) const {
    if (column < 0 || column >= ColumnCount()) {
        return nullptr;
    }
    return m_columns[static_cast<std::size_t>(column)].get();
}
