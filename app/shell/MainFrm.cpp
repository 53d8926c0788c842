#include "shell/MainFrm.h"

#include "platform/LS_Artwork.h"
#include "platform/LS_FileDialog.h"
#include "platform/LS_MessageBox.h"
#include "platform/LS_SocketWatcher.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "results/LS_EntryListCtrl.h"
#include "results/LS_EntryViewCtrl.h"
#include "results/LS_RHSTabCtrl.h"
#include "results/LS_RHSTabWin.h"
#include "search/LS_LHSTabCtrl.h"
#include "search/LS_LHSTabWin.h"
#include "shell/LS_DirectoryOptionsDlg.h"
#include "shell/LS_ResultExport.h"
#include "shell/LS_SplitterWnd.h"
#include "shell/LS_StatusBar.h"
#include "shell/LS_VCard.h"

#include "access/qdsmanager.h"
#include "forms/qformconfiguration.h"
#include "model/qstringlist.h"
#include "qdebugoutput.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

const unsigned int statusIndicators[] = {res::ID_SEPARATOR, res::ID_INDICATOR_1,
                                         res::ID_INDICATOR_2};
const unsigned long indicatorPaneMode = LS_StatusBar::MODE_BITMAP | LS_StatusBar::DT_CENTER;
const int indicatorPaneWidth = 20;

} // namespace

CMainFrame::CMainFrame(const Context& context) : m_context(context) {
    setWindowTitle(QStringLiteral("Larkspur32"));
    setWindowIcon(LS_Artwork::AppIcon());
    m_animTimer.setInterval(ANIMATION_PERIOD_MS);
    connect(&m_animTimer, &QTimer::timeout, this, &CMainFrame::OnAnimationTimer);
    m_displayTimer.setInterval(DISPLAY_PERIOD_MS);
    connect(&m_displayTimer, &QTimer::timeout, this, &CMainFrame::OnDisplayTimer);
}

CMainFrame::~CMainFrame() {
    // The pages outlive the frame and tell of their changes while the panes give them back.
    disconnect(m_context.search.entryList->Model(), nullptr, this, nullptr);
    disconnect(m_context.entryView, nullptr, this, nullptr);
}

void CMainFrame::LoadFrame() {
    CreateMenus();
    CreateClient();
    CreateToolBar();
    CreateStatusDlgBar();
    CreateAnimDlgBar();
    CreateStatusBar();
    FillSearchMenu();
    resize(820, 580);
}

QAction* CMainFrame::AddCommand(QMenu* menu, unsigned int commandId, const QString& text) {
    auto* action = new QAction(text, this);
    action->setStatusTip(LS_StringTable::Prompt(commandId));
    action->setWhatsThis(LS_StringTable::Prompt(commandId));
    const QString toolTip = LS_StringTable::ToolTip(commandId);
    if (!toolTip.isEmpty()) {
        action->setToolTip(toolTip);
    }
    const QPixmap picture = LS_Artwork::ToolbarButton(commandId);
    if (!picture.isNull()) {
        action->setIcon(QIcon(picture));
    }
    if (menu) {
        menu->addAction(action);
    }
    m_actions[commandId] = action;
    return action;
}

QAction* CMainFrame::Action(unsigned int commandId) const {
    const auto found = m_actions.find(commandId);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QMenu* save = file->addMenu(QStringLiteral("&Save..."));
    // Enabled while the entry view shows an entry.
    QAction* vcard = AddCommand(save, res::ID_FILE_SAVE_VCARD, QStringLiteral("&VCard"));
    vcard->setEnabled(false);
    connect(vcard, &QAction::triggered, this, &CMainFrame::OnSaveVCard);
    // Enabled while the entry list has rows.
    QAction* csv =
        AddCommand(save, res::ID_FILE_SAVE_CSV, QStringLiteral("Result List as &CSV..."));
    csv->setEnabled(false);
    connect(csv, &QAction::triggered, this, [this] { OnSaveResultList(res::ID_FILE_SAVE_CSV); });
    QAction* ldif =
        AddCommand(save, res::ID_FILE_SAVE_LDIF, QStringLiteral("Result List as &LDIF..."));
    ldif->setEnabled(false);
    connect(ldif, &QAction::triggered, this, [this] { OnSaveResultList(res::ID_FILE_SAVE_LDIF); });
    QAction* abort = AddCommand(file, res::ID_ABORT, QStringLiteral("&Abort"));
    abort->setEnabled(false);
    abort->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(abort, &QAction::triggered, this, &CMainFrame::OnAbort);
    file->addSeparator();
    QAction* exit = AddCommand(file, res::ID_APP_EXIT, QStringLiteral("E&xit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddCommand(edit, res::ID_EDIT_UNDO, QStringLiteral("&Undo"))->setShortcut(QKeySequence::Undo);
    edit->addSeparator();
    AddCommand(edit, res::ID_EDIT_CUT, QStringLiteral("Cu&t"))->setShortcut(QKeySequence::Cut);
    QAction* copy = AddCommand(edit, res::ID_EDIT_COPY, QStringLiteral("&Copy"));
    AddCommand(edit, res::ID_EDIT_PASTE, QStringLiteral("&Paste"))
        ->setShortcut(QKeySequence::Paste);
    // Nothing the program shows can be changed, so only copying is on offer.
    for (QAction* action : edit->actions()) {
        action->setEnabled(action == copy);
    }
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, &CMainFrame::OnEditCopy);
    AddCommand(nullptr, res::ID_FILE_PRINT, QStringLiteral("&Print"))->setEnabled(false);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* toolbar = AddCommand(view, res::ID_VIEW_TOOLBAR, QStringLiteral("&Toolbar"));
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    connect(toolbar, &QAction::toggled, this,
            [this](bool shown) { m_wndToolBar->setVisible(shown); });
    QAction* statusBar = AddCommand(view, res::ID_VIEW_STATUS_BAR, QStringLiteral("&Status Bar"));
    statusBar->setCheckable(true);
    statusBar->setChecked(true);
    connect(statusBar, &QAction::toggled, this,
            [this](bool shown) { m_wndStatusBar->setVisible(shown); });
    view->addSeparator();
    connect(AddCommand(view, res::ID_DIRECTORY_OPTIONS, QStringLiteral("Directory &Options...")),
            &QAction::triggered, this, &CMainFrame::OnDirectoryOptions);
    AddPageCommands();

    m_searchMenu = menuBar()->addMenu(QStringLiteral("&Search"));
    // The menu's empty first item, which the first form name replaces.
    m_searchMenu->addAction(QString())->setEnabled(false);
    connect(m_searchMenu, &QMenu::triggered, this, [this](QAction* action) {
        if (action->data().isValid()) {
            OnSearchForm(action->data().toUInt());
        }
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    // No help file is installed, so only the help on the item clicked next is on offer.
    AddCommand(help, res::ID_HELP_FINDER, QStringLiteral("&Help Topics"))->setEnabled(false);
    QAction* contextHelp = AddCommand(nullptr, res::ID_CONTEXT_HELP, QStringLiteral("&Help"));
    contextHelp->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(contextHelp, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    addAction(contextHelp);
    help->addSeparator();
    QAction* about = AddCommand(help, res::ID_APP_ABOUT, QStringLiteral("&About Larkspur32..."));
    connect(about, &QAction::triggered, this, &CMainFrame::OnAppAbout);
}

void CMainFrame::AddPageCommands() {
    // Frame-wide, so that the pages can be switched from any control, a form's fields included.
    const auto add = [this](unsigned int commandId, const QList<QKeySequence>& keys, int step) {
        QAction* command = AddCommand(nullptr, commandId, QString());
        command->setShortcuts(keys);
        command->setShortcutContext(Qt::WindowShortcut);
        connect(command, &QAction::triggered, this, [this, step] { OnNextPage(step); });
        addAction(command);
    };
    add(res::ID_NEXT_PAGE, {QKeySequence(Qt::CTRL | Qt::Key_Tab)}, 1);
    add(res::ID_PREVIOUS_PAGE,
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
        -1);
}

void CMainFrame::OnNextPage(int step) {
    // The panes are disabled while the engine works, and their pages stay as they are.
    if (!m_pLHSTabCtrl->isEnabled() || m_pLHSTabCtrl->count() == 0) {
        return;
    }
    const int count = m_pLHSTabCtrl->count();
    m_pLHSTabCtrl->setCurrentIndex((m_pLHSTabCtrl->currentIndex() + step + count) % count);
    // A form page gives its first field the focus as it is shown; any other page takes it.
    QWidget* page = m_pLHSTabCtrl->currentWidget();
    if (!page->isAncestorOf(QApplication::focusWidget())) {
        page->setFocus(Qt::TabFocusReason);
    }
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = addToolBar(QStringLiteral("Toolbar"));
    m_wndToolBar->setObjectName(QStringLiteral("Toolbar"));
    m_wndToolBar->setIconSize(QSize(16, 15));
    m_wndToolBar->addAction(Action(res::ID_EDIT_CUT));
    m_wndToolBar->addAction(Action(res::ID_EDIT_COPY));
    m_wndToolBar->addAction(Action(res::ID_EDIT_PASTE));
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(Action(res::ID_FILE_PRINT));
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(Action(res::ID_APP_ABOUT));
    m_wndToolBar->addAction(Action(res::ID_CONTEXT_HELP));
}

void CMainFrame::CreateStatusDlgBar() {
    m_wndStatusDlgBar = addToolBar(QStringLiteral("Status"));
    m_wndStatusDlgBar->setObjectName(QString::number(res::IDD_STATUSBAR_DLG));
    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(4, 0, 4, 0);
    m_abortButton = new QPushButton(QStringLiteral("&Abort"));
    m_abortButton->setEnabled(false);
    m_abortButton->setToolTip(LS_StringTable::ToolTip(res::ID_ABORT));
    m_abortButton->setStatusTip(LS_StringTable::Prompt(res::ID_ABORT));
    connect(m_abortButton, &QPushButton::clicked, this, &CMainFrame::OnAbort);
    layout->addWidget(m_abortButton);
    const std::pair<int, const char*> counters[] = {{res::IDC_REQUESTS_MADE, "Requests Made:"},
                                                    {res::IDC_SUCCEEDED, "Succeeded:"},
                                                    {res::IDC_FAILED, "Failed:"}};
    for (const auto& [controlId, label] : counters) {
        layout->addSpacing(6);
        layout->addWidget(new QLabel(QString::fromUtf8(label)));
        auto* field = new QLineEdit;
        field->setObjectName(QString::number(controlId));
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::NoFocus);
        field->setAlignment(Qt::AlignRight);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
        layout->addWidget(field);
        m_counters[controlId] = field;
    }
    m_wndStatusDlgBar->addWidget(bar);
}

void CMainFrame::CreateAnimDlgBar() {
    m_wndAnimDlgBar = addToolBar(QStringLiteral("Animation"));
    m_wndAnimDlgBar->setObjectName(QString::number(res::IDD_ANIMATION_DLG));
    m_wndAnimDlgBar->setMovable(false);
    // The band takes the rest of the row and keeps its picture at the right-hand end.
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_wndAnimDlgBar->addWidget(spacer);
    m_animPicture = new QLabel;
    m_animPicture->setObjectName(QString::number(res::IDC_ANIM_PICTURE));
    m_animPicture->setContentsMargins(4, 0, 4, 0);
    m_wndAnimDlgBar->addWidget(m_animPicture);
    ShowAnimationBitmap(res::IDB_ANIM_IDLE);
}

void CMainFrame::CreateStatusBar() {
    m_wndStatusBar = new LS_StatusBar;
    m_wndStatusBar->Create(this, statusIndicators, 3, LS_StatusBar::SBPS_STRETCH);
    for (int pane = 1; pane <= 2; ++pane) {
        m_wndStatusBar->SetPaneMode(pane, indicatorPaneMode);
        m_wndStatusBar->SetPaneWidth(pane, indicatorPaneWidth);
        m_wndStatusBar->SetPaneBitmaps(pane, res::IDB_STATUS_PANE, -1);
        m_wndStatusBar->SetPaneDisabled(pane, true);
    }
    m_wndStatusBar->SetPaneText(0, LS_StringTable::Load(res::IDS_IDLE_MESSAGE));
}

void CMainFrame::CreateClient() {
    m_wndSplitter = new LS_SplitterWnd(this);
    m_wndSplitter->AddPane(new LS_LHSTabWin(m_context.search));
    m_wndSplitter->AddPane(new LS_RHSTabWin(*m_context.search.entryList, *m_context.entryView));
    setCentralWidget(m_wndSplitter);
    const QString tabId = QString::number(res::IDC_TAB_CONTROL);
    m_pLHSTabCtrl = m_wndSplitter->Pane(0)->findChild<QTabWidget*>(tabId);
    m_pRHSTabCtrl = m_wndSplitter->Pane(1)->findChild<QTabWidget*>(tabId);
}

void CMainFrame::FillSearchMenu() {
    harrow::QDSManager* manager = m_context.search.manager;
    harrow::QFormConfiguration* config = manager ? manager->FormConfig() : nullptr;
    if (!config) {
        return;
    }
    harrow::QStringList names;
    config->GetFormList(names);
    int formNumber = 0;
    for (const std::string& name : names) {
        if (++formNumber > res::MAX_SEARCH_MENU_FORMS) {
            break;
        }
        AddSearchMenuForm(formNumber, QString::fromStdString(name));
    }
}

void CMainFrame::AddSearchMenuForm(int formNumber, const QString& formName) {
    const QList<QAction*> items = m_searchMenu->actions();
    if (m_bSearchMenuPlaceholder && !items.isEmpty() && items.front()->text().isEmpty()) {
        m_searchMenu->removeAction(items.front());
        delete items.front();
        m_bSearchMenuPlaceholder = 0;
    }
    const unsigned int commandId = res::ID_SEARCH_FORM_BASE + static_cast<unsigned>(formNumber);
    QAction* action = m_searchMenu->addAction(LS_StringTable::Literal(formName));
    action->setData(commandId);
    m_actions[commandId] = action;
}

void CMainFrame::InitialUpdate() {
    qobject_cast<LS_LHSTabCtrl*>(m_pLHSTabCtrl)->FirstUpdate();
    qobject_cast<LS_RHSTabCtrl*>(m_pRHSTabCtrl)->FirstUpdate();
    LS_EntryViewCtrl* view = m_context.entryView;
    connect(view, &LS_EntryViewCtrl::EntryChanged, this, [this, view] {
        Action(res::ID_FILE_SAVE_VCARD)->setEnabled(view->Entry() != nullptr);
    });
    LS_EntryListModel* rows = m_context.search.entryList->Model();
    const auto updateSaves = [this, rows] {
        const bool any = rows->rowCount() > 0 || rows->PendingCount() > 0;
        Action(res::ID_FILE_SAVE_CSV)->setEnabled(any);
        Action(res::ID_FILE_SAVE_LDIF)->setEnabled(any);
    };
    connect(rows, &QAbstractItemModel::rowsInserted, this, updateSaves);
    connect(rows, &QAbstractItemModel::modelReset, this, updateSaves);
}

void CMainFrame::OnSaveResultList(unsigned int commandId) {
    LS_EntryListModel* rows = m_context.search.entryList->Model();
    // Entries still waiting for their batch belong to the list as much as the rows shown.
    rows->InsertPending();
    const bool csv = commandId == res::ID_FILE_SAVE_CSV;
    const QString path = LS_FileDialog::GetSaveFileName(
        this, QStringLiteral("Save Result List"),
        csv ? QStringLiteral("results.csv") : QStringLiteral("results.ldif"),
        csv ? QStringLiteral("CSV files (*.csv);;All files (*)")
            : QStringLiteral("LDIF files (*.ldif);;All files (*)"));
    if (!path.isEmpty()) {
        SaveFile(path, csv ? LS_ResultExport::Csv(*rows) : LS_ResultExport::Ldif(*rows));
    }
}

void CMainFrame::OnEditCopy() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* field = qobject_cast<QLineEdit*>(focus)) {
        field->copy();
        return;
    }
    LS_EntryViewCtrl* view = m_context.entryView;
    if (view->isVisible()) {
        const QString text = view->CopyText();
        if (!text.isEmpty()) {
            QApplication::clipboard()->setText(text);
        }
    }
}

void CMainFrame::OnSaveVCard() {
    const harrow::QEntry* entry = m_context.entryView->Entry();
    if (!entry) {
        return;
    }
    const QString path = LS_FileDialog::GetSaveFileName(
        this, QStringLiteral("Save as VCard"), LS_VCard::DisplayName(*entry) + ".vcf",
        QStringLiteral("VCard files (*.vcf);;All files (*)"));
    if (!path.isEmpty()) {
        SaveFile(path, LS_VCard::Write(*entry));
    }
}

bool CMainFrame::SaveFile(const QString& path, const QByteArray& contents) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() &&
        file.commit()) {
        return true;
    }
    LS_MessageBox::Show(
        this, LS_StringTable::Load(res::IDS_ERROR_CAPTION),
        LS_StringTable::Load(res::IDS_SAVE_FAILED).replace(QStringLiteral("%s"), path),
        QMessageBox::Critical);
    return false;
}

void CMainFrame::OnDirectoryOptions() {
    LS_DirectoryOptionsDlg dialog(*m_context.settings, this);
    if (dialog.exec() == QDialog::Accepted && dialog.Save()) {
        // The frame goes with the forms it shows, so it is rebuilt once this handler is done.
        emit ReloadRequested();
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    emit Closing();
    QMainWindow::closeEvent(event);
}

void CMainFrame::SetWorking(int working) {
    if (working == m_bWorking) {
        return;
    }
    if (!working) {
        ShowPendingDisplay();
        SetCounters(-1, -1);
    }
    m_abortButton->setEnabled(working != 0);
    Action(res::ID_ABORT)->setEnabled(working != 0);
    m_pLHSTabCtrl->setEnabled(!working);
    m_pRHSTabCtrl->setEnabled(!working);
    if (working) {
        m_animFrame = 0;
        m_animTimer.start();
    } else {
        m_animTimer.stop();
        ShowAnimationBitmap(res::IDB_ANIM_IDLE);
    }
    m_bWorking = working;
}

void CMainFrame::SetCounters(int requestsMade, int requestsFailed) {
    if (requestsMade < 0 || !m_bWorking) {
        m_pendingCounters.reset();
    } else if (!StartDisplayPeriod()) {
        m_pendingCounters.emplace(requestsMade, requestsFailed);
        return;
    }
    ShowCounters(requestsMade, requestsFailed);
}

void CMainFrame::ShowCounters(int requestsMade, int requestsFailed) {
    const bool empty = requestsMade < 0;
    const auto text = [empty](int number) {
        return empty ? QString() : QString::asprintf("%d", number);
    };
    m_counters.at(res::IDC_REQUESTS_MADE)->setText(text(requestsMade));
    m_counters.at(res::IDC_SUCCEEDED)->setText(text(requestsMade - requestsFailed));
    m_counters.at(res::IDC_FAILED)->setText(text(requestsFailed));
}

QLineEdit* CMainFrame::Counter(int controlId) const {
    const auto found = m_counters.find(controlId);
    return found == m_counters.end() ? nullptr : found->second;
}

void CMainFrame::SetStatusText(const QString& text) {
    m_pendingStatus.reset();
    ShowPendingDisplay();
    m_wndStatusBar->SetPaneText(0, text);
    // Only the pane: repainting the bar would bring the whole window with it.
    m_wndStatusBar->repaint(m_wndStatusBar->PaneRect(0));
}

void CMainFrame::SetProgressText(const QString& text) {
    if (!StartDisplayPeriod()) {
        m_pendingStatus = text;
        return;
    }
    m_wndStatusBar->SetPaneText(0, text);
}

bool CMainFrame::StartDisplayPeriod() {
    if (m_displayTimer.isActive()) {
        return false;
    }
    m_displayTimer.start();
    return true;
}

void CMainFrame::ShowPendingDisplay() {
    if (m_pendingStatus) {
        m_wndStatusBar->SetPaneText(0, *m_pendingStatus);
        m_pendingStatus.reset();
    }
    if (m_pendingCounters) {
        ShowCounters(m_pendingCounters->first, m_pendingCounters->second);
        m_pendingCounters.reset();
    }
}

void CMainFrame::OnDisplayTimer() {
    // A period in which nothing waited ends the display rate until the next change.
    if (!m_pendingStatus && !m_pendingCounters) {
        m_displayTimer.stop();
        return;
    }
    ShowPendingDisplay();
}

void CMainFrame::FlashStatus() {
    m_wndStatusBar->Flash(0);
}

void CMainFrame::ShowAnimationBitmap(unsigned int bitmapId) {
    const QPixmap bitmap = LS_Artwork::LoadBitmap(bitmapId, m_animPicture->devicePixelRatioF());
    if (bitmap.isNull()) {
        harrow::QDebugOutput::Write("Failed to load bitmap for working animation.\n");
        return;
    }
    m_animPicture->setPixmap(bitmap);
}

void CMainFrame::OnAnimationTimer() {
    m_animFrame = (m_animFrame + 1) % res::ANIM_FRAME_COUNT;
    ShowAnimationBitmap(res::IDB_ANIM_FIRST + static_cast<unsigned>(m_animFrame));
}

void CMainFrame::OnAbort() {
    if (!m_bWorking) {
        return;
    }
    m_context.search.manager->AbortAll();
    SetWorking(0);
    // Otherwise the last progress text stays, as if the search were still running.
    SetStatusText(LS_StringTable::Load(res::IDS_SEARCH_ABORTED));
}

void CMainFrame::OnSearchForm(unsigned int commandId) {
    const int formNumber = static_cast<int>(commandId - res::ID_SEARCH_FORM_BASE);
    qobject_cast<LS_LHSTabCtrl*>(m_pLHSTabCtrl)->SelectForm(formNumber, 1);
}

QDialog* CMainFrame::CreateAboutBox() {
    auto* box = new QDialog(this);
    box->setObjectName(QString::number(res::IDD_ABOUTBOX));
    box->setWindowTitle(QStringLiteral("About Larkspur32"));
    auto* layout = new QVBoxLayout(box);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(LS_Artwork::AppIcon().pixmap(32, 32));
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("Larkspur32 Version 1.0")), 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
    layout->addWidget(buttons);
    return box;
}

void CMainFrame::OnAppAbout() {
    std::unique_ptr<QDialog> box(CreateAboutBox());
    box->exec();
}

void CMainFrame::OnSocketClose(const LS_SocketCloseEvent& notice) {
    harrow::QDSManager* manager = m_context.search.manager;
    if (manager && m_context.socketWatcher->TakeNotice(notice)) {
        manager->NotifySocketClose(notice.Socket());
    }
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == LS_SocketCloseEvent::SocketClose) {
        OnSocketClose(static_cast<const LS_SocketCloseEvent&>(*event));
        return true;
    }
    return QMainWindow::event(event);
}
