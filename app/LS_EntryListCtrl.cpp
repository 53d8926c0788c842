#include "LS_EntryListCtrl.h"

#include "LS_IconMap.h"
#include "LS_IconStrip.h"
#include "Larkspur32.h"
#include "Resource.h"

#include "access/qerror.h"
#include "model/qentry.h"
#include "qdebugoutput.h"

#include <QHeaderView>

#include <string>

LS_EntryListCtrl::LS_EntryListCtrl() {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setIconSize(QSize(LS_IconStrip::IMAGE_WIDTH, LS_IconStrip::IMAGE_HEIGHT));
    // The rows keep the order they arrived in: the header neither sorts nor moves columns.
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] { OnDblclk(); });
}

LS_EntryListCtrl::~LS_EntryListCtrl() {
    Clear();
}

void LS_EntryListCtrl::Create(QWidget* parent, const QRect& rect, int id) {
    setParent(parent);
    setObjectName(QString::number(id));
    setFrameShape(QFrame::StyledPanel);
    setGeometry(rect);
    m_imageList = LS_IconStrip::ImageList();
    if (!m_info.Load()) {
        CLarkspur32App::Instance()->ShowError(res::IDS_REGISTRY_MISSING);
    }
    InsertColumns();
    show();
}

void LS_EntryListCtrl::InsertColumns() {
    harrow::QStringList names;
    const int count = m_info.GetColumnNames(names);
    setColumnCount(count);
    QStringList labels;
    for (const std::string& name : names) {
        labels << QString::fromStdString(name);
    }
    setHeaderLabels(labels);
    for (int column = 0; column < count; ++column) {
        headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
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
    for (harrow::QEntry* entry : entries) {
        AddEntry(entry);
    }
}

void LS_EntryListCtrl::AddEntry(harrow::QEntry* entry) {
    auto* row = new QTreeWidgetItem;
    for (int column = 0; column < columnCount(); ++column) {
        std::string text;
        m_info.GetColumnText(*entry, column, text);
        row->setText(column, QString::fromStdString(text));
    }
    row->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(entry)));
    int image = -1;
    const LS_IconMap* icons = CLarkspur32App::Instance()->GetConfiguration()->GetIconMap();
    if (icons->GetIcon(*entry, image) && image >= 0 &&
        image < static_cast<int>(m_imageList.size())) {
        row->setIcon(0, m_imageList[static_cast<std::size_t>(image)]);
    }
    insertTopLevelItem(0, row);
    m_entries.emplace_front(entry);
}

void LS_EntryListCtrl::Clear() {
    if (m_entries.empty()) {
        return;
    }
    clear();
    m_entries.clear();
}

QTreeWidgetItem* LS_EntryListCtrl::FirstSelectedRow() const {
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (topLevelItem(row)->isSelected()) {
            return topLevelItem(row);
        }
    }
    return nullptr;
}

harrow::QEntry* LS_EntryListCtrl::EntryOf(const QTreeWidgetItem* item) {
    return item ? static_cast<harrow::QEntry*>(item->data(0, Qt::UserRole).value<void*>())
                : nullptr;
}

void LS_EntryListCtrl::OnDblclk() {
    const harrow::QReadEntry* running = m_pRead.Get();
    if (running && running->Invoked() == 1 && running->Finished() == 0) {
        return;
    }
    m_pRead.Delete();
    harrow::QEntry* entry = EntryOf(FirstSelectedRow());
    if (!entry) {
        return;
    }
    CLarkspur32App* app = CLarkspur32App::Instance();
    app->SetStatusText(QString());
    harrow::QDSManager* manager = app->GetDSManager();
    harrow::QReadEntry* read =
        m_pRead.Create(manager, manager->GenRequestID(), &m_readHandler, entry->DN());
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
        app->ShowError(res::IDS_READ_ENTRY_FAILED);
    }
    delete error;
}
