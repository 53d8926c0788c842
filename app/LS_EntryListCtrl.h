// LS_EntryListCtrl: the entry list, the "Entry List" page: one row per entry the current search
// returned, newest first, in the columns of the registry; a double click reads the row's entry.
// It owns the entries of its rows, the column configuration and its last read request.
#pragma once

#include "LS_DisplayEntryHandler.h"
#include "LS_EntryListInfo.h"
#include "LS_RequestSlot.h"

#include "access/qreadentry.h"
#include "ptrlist.h"

#include <QIcon>
#include <QTreeWidget>

#include <deque>
#include <memory>
#include <vector>

namespace harrow {
class QEntry;
}

class LS_EntryListCtrl : public QTreeWidget {
    Q_OBJECT

public:
    static constexpr int COLUMN_WIDTH = 200;

    LS_EntryListCtrl();
    ~LS_EntryListCtrl() override;

    // Shows the list in parent at rect with the configured columns; a broken configuration is
    // reported once and the columns read before the fault are used.
    void Create(QWidget* parent, const QRect& rect, int id);
    // Takes the list out of its parent, ending its read and dropping its rows.
    void Destroy();

    // Adds a row at the top for each entry in list order; the list owns the entries from now on.
    void AddEntries(harrow::PtrList<harrow::QEntry>& entries);
    void AddEntry(harrow::QEntry* entry);
    // Deletes every row and its entry.
    void Clear();

    // Reads the entry of the first selected row, unless a read is still running.
    void OnDblclk();
    // Drops the read request, aborting it if it still runs.
    void EndRead() { m_pRead.Delete(); }

    const LS_EntryListInfo& Info() const { return m_info; }
    // The entries shown, newest first.
    const std::deque<std::unique_ptr<harrow::QEntry>>& Entries() const { return m_entries; }
    // The entry a row shows.
    static harrow::QEntry* EntryOf(const QTreeWidgetItem* item);
    harrow::QReadEntry* ReadRequest() const { return m_pRead.Get(); }
    LS_DisplayEntryHandler* ReadHandler() { return &m_readHandler; }

private:
    void InsertColumns();
    QTreeWidgetItem* FirstSelectedRow() const;

    std::vector<QIcon> m_imageList;
    LS_EntryListInfo m_info;
    // Declared before the request, which reports to it.
    LS_DisplayEntryHandler m_readHandler;
    LS_RequestSlot<harrow::QReadEntry> m_pRead;
    std::deque<std::unique_ptr<harrow::QEntry>> m_entries;
};
