#include "results/LS_EntryListModel.h"

#include "results/LS_EntryListInfo.h"
#include "results/LS_IconMap.h"

#include "model/qentry.h"

#include <QCollator>
#include <QCollatorSortKey>

#include <algorithm>
#include <string>

LS_EntryListModel::LS_EntryListModel(const LS_EntryListInfo& info) : m_info(info) {
    m_batchTimer.setSingleShot(true);
    connect(&m_batchTimer, &QTimer::timeout, this, &LS_EntryListModel::InsertPending);
}

LS_EntryListModel::~LS_EntryListModel() = default;

void LS_EntryListModel::SetColumnNames(const QStringList& names) {
    beginResetModel();
    m_columnNames = names;
    endResetModel();
}

void LS_EntryListModel::AddEntries(harrow::PtrList<harrow::QEntry>& entries) {
    for (harrow::QEntry* entry : entries) {
        m_pending.emplace_back(entry);
    }
    if (!m_pending.empty()) {
        ScheduleBatch();
    }
}

void LS_EntryListModel::ScheduleBatch() {
    if (m_batchTimer.isActive()) {
        return;
    }
    const qint64 since = m_sinceBatch.isValid() ? m_sinceBatch.elapsed() : BATCH_PERIOD_MS;
    m_batchTimer.start(static_cast<int>(std::max<qint64>(0, BATCH_PERIOD_MS - since)));
}

void LS_EntryListModel::InsertPending() {
    m_batchTimer.stop();
    if (m_pending.empty()) {
        return;
    }
    m_sinceBatch.start();
    const int count = static_cast<int>(m_pending.size());
    const int rows = rowCount();
    // Newest first puts the batch on top; a sorted list takes it at the end and sorts again.
    const bool sorted = m_sortColumn >= 0;
    if (sorted) {
        beginInsertRows(QModelIndex(), rows, rows + count - 1);
    } else {
        beginInsertRows(QModelIndex(), 0, count - 1);
    }
    for (std::unique_ptr<harrow::QEntry>& entry : m_pending) {
        if (sorted) {
            m_order.push_back(static_cast<Index>(m_entries.size()));
        }
        m_entries.push_back(std::move(entry));
    }
    m_pending.clear();
    endInsertRows();
    if (sorted) {
        Reorder(SortedOrder());
    }
}

void LS_EntryListModel::Clear() {
    m_batchTimer.stop();
    m_pending.clear();
    if (m_entries.empty() && m_sortColumn < 0) {
        return;
    }
    beginResetModel();
    m_entries.clear();
    m_order.clear();
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    endResetModel();
}

LS_EntryListModel::Index LS_EntryListModel::EntryIndex(int row) const {
    return m_order.empty() ? static_cast<Index>(m_entries.size() - 1 - static_cast<size_t>(row))
                           : m_order[static_cast<size_t>(row)];
}

harrow::QEntry* LS_EntryListModel::EntryAt(int row) const {
    if (row < 0 || row >= rowCount()) {
        return nullptr;
    }
    return m_entries[EntryIndex(row)].get();
}

QString LS_EntryListModel::ColumnText(int row, int column) const {
    const harrow::QEntry* entry = EntryAt(row);
    return entry ? Text(*entry, column) : QString();
}

QString LS_EntryListModel::Text(const harrow::QEntry& entry, int column) const {
    std::string text;
    m_info.GetColumnText(entry, column, text);
    return QString::fromStdString(text);
}

QVariant LS_EntryListModel::Icon(const harrow::QEntry& entry) const {
    int image = -1;
    if (m_icons && m_icons->GetIcon(entry, image) && image >= 0 &&
        image < static_cast<int>(m_images.size())) {
        return m_images[static_cast<size_t>(image)];
    }
    return QVariant();
}

int LS_EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int LS_EntryListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columnNames.size());
}

QVariant LS_EntryListModel::data(const QModelIndex& index, int role) const {
    const harrow::QEntry* entry = EntryAt(index.row());
    if (!entry || index.column() < 0 || index.column() >= columnCount()) {
        return QVariant();
    }
    switch (role) {
    case Qt::DisplayRole:
        return Text(*entry, index.column());
    case Qt::DecorationRole:
        return index.column() == 0 ? Icon(*entry) : QVariant();
    default:
        return QVariant();
    }
}

QVariant LS_EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return QVariant();
    }
    if (role == Qt::DisplayRole) {
        return m_columnNames[section];
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    return QVariant();
}

void LS_EntryListModel::sort(int column, Qt::SortOrder order) {
    InsertPending();
    if (column >= columnCount()) {
        return;
    }
    m_sortColumn = column < 0 ? -1 : column;
    m_sortOrder = order;
    Reorder(SortedOrder());
}

std::vector<LS_EntryListModel::Index> LS_EntryListModel::SortedOrder() const {
    const size_t count = m_entries.size();
    std::vector<Index> order(count);
    for (size_t row = 0; row < count; ++row) {
        order[row] = static_cast<Index>(count - 1 - row);
    }
    if (m_sortColumn < 0) {
        return order;
    }
    // Sort keys compare as the user's language orders words, numbers by their value, at the
    // cost of one key per row rather than of collating at every comparison.
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(count);
    for (const std::unique_ptr<harrow::QEntry>& entry : m_entries) {
        keys.push_back(collator.sortKey(Text(*entry, m_sortColumn)));
    }
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::stable_sort(order.begin(), order.end(), [&](Index left, Index right) {
        const int compared = keys[left].compare(keys[right]);
        return ascending ? compared < 0 : compared > 0;
    });
    return order;
}

void LS_EntryListModel::Reorder(std::vector<Index> order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<Index> entries;
    entries.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& index : before) {
        entries.push_back(EntryIndex(index.row()));
    }
    const bool newestFirst = m_sortColumn < 0;
    m_order = newestFirst ? std::vector<Index>() : std::move(order);
    if (!before.isEmpty()) {
        std::vector<int> rowOf(m_entries.size());
        for (int row = 0; row < rowCount(); ++row) {
            rowOf[EntryIndex(row)] = row;
        }
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            after << index(rowOf[entries[static_cast<size_t>(i)]], before[i].column());
        }
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
