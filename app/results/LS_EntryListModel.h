// LS_EntryListModel: the entry list's rows, newest first until a column sorts them, each cell
// worked out from the column rules only when it is shown. It owns the entries of its rows and
// those handed over but not yet shown, which join the rows in one batch per event-loop turn.
#pragma once

#include "ptrlist.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QIcon>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <vector>

namespace harrow {
class QEntry;
}
class LS_EntryListInfo;
class LS_IconMap;

class LS_EntryListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The least time between two batches: rows join the list at the rate a screen can show them,
    // and the view lays itself out once per batch, not once per entry.
    static constexpr int BATCH_PERIOD_MS = 50;

    explicit LS_EntryListModel(const LS_EntryListInfo& info);
    ~LS_EntryListModel() override;

    void SetColumnNames(const QStringList& names);
    // The images the rows' icons are taken from, by the icon map's numbers.
    void SetImages(std::vector<QIcon> images) { m_images = std::move(images); }
    // The map that picks a row's image; null shows none.
    void SetIconMap(const LS_IconMap* icons) { m_icons = icons; }

    // Takes the entries, in list order, newest last; they become rows with the next batch.
    void AddEntries(harrow::PtrList<harrow::QEntry>& entries);
    // Makes rows of every entry still waiting, in one insertion.
    void InsertPending();
    // Deletes every row and waiting entry and goes back to newest first.
    void Clear();

    // The entry a row shows; null for a row that does not exist.
    harrow::QEntry* EntryAt(int row) const;
    // What a cell shows.
    QString ColumnText(int row, int column) const;
    // Entries handed over and not yet shown as rows.
    int PendingCount() const { return static_cast<int>(m_pending.size()); }
    // The column the rows are sorted by; -1 while they are newest first.
    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Orders the rows by the column's texts (ties keep newest first); a column of -1 goes back
    // to newest first.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    using Index = std::uint32_t;

    // Where in m_entries the entry of a row is.
    Index EntryIndex(int row) const;
    QString Text(const harrow::QEntry& entry, int column) const;
    QVariant Icon(const harrow::QEntry& entry) const;
    void ScheduleBatch();
    // The entries' places, newest first, ordered by the current sort.
    std::vector<Index> SortedOrder() const;
    // Reorders the rows, keeping the view's selection and current row on their entries.
    void Reorder(std::vector<Index> order);

    const LS_EntryListInfo& m_info;
    QStringList m_columnNames;
    std::vector<QIcon> m_images;
    const LS_IconMap* m_icons = nullptr;
    // In the order they arrived, so that a batch is appended and newest first is read backwards.
    std::vector<std::unique_ptr<harrow::QEntry>> m_entries;
    std::vector<std::unique_ptr<harrow::QEntry>> m_pending;
    // Row to place in m_entries while sorted; empty while newest first.
    std::vector<Index> m_order;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QTimer m_batchTimer;
    QElapsedTimer m_sinceBatch;
};
