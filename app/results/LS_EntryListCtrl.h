// LS_EntryListCtrl: the entry list, the "Entry List" page: a view of one row per entry the
// current search returned, newest first until a header click sorts them, in the columns of the
// registry; a double click reads the row's entry. It owns the rows' model, the column
// configuration and its last read request.
#pragma once

#include "platform/LS_RequestSlot.h"
#include "results/LS_DisplayEntryHandler.h"
#include "results/LS_EntryListInfo.h"
#include "results/LS_EntryListModel.h"

#include "access/qreadentry.h"
#include "ptrlist.h"

#include <QTreeView>

namespace harrow {
class QDSManager;
class QEntry;
} // namespace harrow
class LS_EntryViewCtrl;
class LS_IconMap;
class LS_ResultPages;
class LS_Settings;
class LS_StatusReport;

class LS_EntryListCtrl : public QTreeView {
    Q_OBJECT

public:
    static constexpr int COLUMN_WIDTH = 200;

    // The list reads its columns through settings, reports through status, and hands the
    // entries it reads to view, bringing it to the front through pages; all outlive it.
    LS_EntryListCtrl(LS_Settings& settings, LS_StatusReport& status, LS_EntryViewCtrl& view,
                     LS_ResultPages& pages);
    ~LS_EntryListCtrl() override;

    // The directory the list reads entries from and the icons its rows show; both are replaced
    // together when the directory settings change, and null while there are none.
    void SetDirectory(harrow::QDSManager* manager, const LS_IconMap* icons);

    // Shows the list in parent at rect with the configured columns; a broken configuration is
    // reported once and the columns read before the fault are used.
    void Create(QWidget* parent, const QRect& rect, int id);
    // Takes the list out of its parent, ending its read and dropping its rows.
    void Destroy();

    // Adds a row at the top for each entry in list order, with the next batch of rows; the list
    // owns the entries from now on.
    void AddEntries(harrow::PtrList<harrow::QEntry>& entries);
    void AddEntry(harrow::QEntry* entry);
    // Deletes every row and its entry, and the rows go back to newest first.
    void Clear();

    // Reads the entry of the first selected row, unless a read is still running.
    void OnDblclk();
    // Drops the read request, aborting it if it still runs.
    void EndRead() { m_pRead.Delete(); }

    const LS_EntryListInfo& Info() const { return m_info; }
    // The rows: their entries and cell texts in the order shown.
    LS_EntryListModel* Model() { return &m_model; }
    const LS_EntryListModel* Model() const { return &m_model; }
    // The entry a row shows; null for a row that does not exist.
    harrow::QEntry* EntryAt(int row) const { return m_model.EntryAt(row); }
    harrow::QReadEntry* ReadRequest() const { return m_pRead.Get(); }
    LS_DisplayEntryHandler* ReadHandler() { return &m_readHandler; }

protected:
    // Enter reads the current row, as a double click does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void InsertColumns();
    // The first selected row, or -1.
    int FirstSelectedRow() const;
    void OnSortIndicatorChanged(int column, Qt::SortOrder order);

    LS_Settings& m_settings;
    LS_StatusReport& m_status;
    harrow::QDSManager* m_manager = nullptr;
    LS_EntryListInfo m_info;
    // Declared after the configuration its cells are worked out from.
    LS_EntryListModel m_model;
    // Declared before the request, which reports to it.
    LS_DisplayEntryHandler m_readHandler;
    LS_RequestSlot<harrow::QReadEntry> m_pRead;
};
