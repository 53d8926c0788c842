#include "results/LS_EntryListCtrl.h"

#include "platform/LS_IconStrip.h"
#include "platform/LS_Settings.h"
#include "platform/LS_StatusReport.h"
#include "platform/Resource.h"

#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "model/qentry.h"
#include "qdebugoutput.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <string>

LS_EntryListCtrl::LS_EntryListCtrl(LS_Settings& settings, LS_StatusReport& status,
                                   LS_EntryViewCtrl& view, LS_ResultPages& pages)
    : m_settings(settings), m_status(status), m_model(m_info),
      m_readHandler(m_pRead, status, view, pages) {
    setModel(&m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(LS_IconStrip::IMAGE_WIDTH, LS_IconStrip::IMAGE_HEIGHT));
    // A header click sorts by its column and a second one reverses; until the first the rows
    // keep the order they arrived in. Columns stay where the configuration puts them.
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sortIndicatorChanged, this,
            &LS_EntryListCtrl::OnSortIndicatorChanged);
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { OnDblclk(); });
}

LS_EntryListCtrl::~LS_EntryListCtrl() {
    Clear();
    // The model is a member and goes before the view's own base.
    setModel(nullptr);
}

void LS_EntryListCtrl::SetDirectory(harrow::QDSManager* manager, const LS_IconMap* icons) {
    m_manager = manager;
    m_model.SetIconMap(icons);
}

void LS_EntryListCtrl::Create(QWidget* parent, const QRect& rect, int id) {
    setParent(parent);
    setObjectName(QString::number(id));
    setFrameShape(QFrame::StyledPanel);
    setGeometry(rect);
    m_model.SetImages(LS_IconStrip::ImageList());
    if (!m_manager || !m_info.Load(m_settings, *m_manager->Table())) {
        m_settings.ShowError(res::IDS_REGISTRY_MISSING);
    }
    InsertColumns();
    show();
}

void LS_EntryListCtrl::InsertColumns() {
    harrow::QStringList names;
    const int count = m_info.GetColumnNames(names);
    QStringList labels;
    for (const std::string& name : names) {
        labels << QString::fromStdString(name);
    }
    m_model.SetColumnNames(labels);
    for (int column = 0; column < count; ++column) {
        setColumnWidth(column, COLUMN_WIDTH);
    }
}

void LS_EntryListCtrl::Destroy() {
    m_pRead.Delete();
    Clear();
    hide();
    setParent(nullptr);
}

void LS_EntryListCtrl::AddEntries(harrow::PtrList<harrow::QEntry>& entries) {
    m_model.AddEntries(entries);
}

void LS_EntryListCtrl::AddEntry(harrow::QEntry* entry) {
    harrow::PtrList<harrow::QEntry> one;
    one.AddTail(entry);
    m_model.AddEntries(one);
}

void LS_EntryListCtrl::Clear() {
    m_model.Clear();
    if (header()->sortIndicatorSection() >= 0) {
        header()->setSortIndicator(-1, Qt::AscendingOrder);
    }
}

void LS_EntryListCtrl::OnSortIndicatorChanged(int column, Qt::SortOrder order) {
    m_model.sort(column, order);
}

int LS_EntryListCtrl::FirstSelectedRow() const {
    int first = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (first < 0 || range.top() < first) {
            first = range.top();
        }
    }
    return first;
}

void LS_EntryListCtrl::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        event->accept();
        // The row the keyboard is on, which a list given the focus has without selecting it.
        if (currentIndex().isValid() && !selectionModel()->hasSelection()) {
            selectionModel()->select(currentIndex(),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        OnDblclk();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void LS_EntryListCtrl::OnDblclk() {
    const harrow::QReadEntry* running = m_pRead.Get();
    if (running && running->Invoked() == 1 && running->Finished() == 0) {
        return;
    }
    m_pRead.Delete();
    const harrow::QEntry* entry = m_model.EntryAt(FirstSelectedRow());
    if (!entry || !m_manager) {
        return;
    }
    m_status.SetStatusText(QString());
    harrow::QReadEntry* read =
        m_pRead.Create(m_manager, m_manager->GenRequestID(), &m_readHandler, entry->DN());
    harrow::QError* error = nullptr;
    if (!read->Invoke(error)) {
        std::string sentence;
        if (error) {
            error->Print(sentence);
        }
        harrow::QDebugOutput::Writef(
            " *** LS_EntryListCtrl::OnDblclk()\t\t\t\t\t\nFailed to read an entry from the "
            "directory, error message is:\t\t\t\t\t\n%s\n\n",
            sentence.c_str());
        m_settings.ShowError(res::IDS_READ_ENTRY_FAILED);
    }
    delete error;
}
