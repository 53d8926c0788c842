#include "MainFrm.h"

#include "LS_Artwork.h"
#include "LS_LHSTabWin.h"
#include "LS_RHSTabWin.h"
#include "LS_SocketWatcher.h"
#include "LS_SplitterWnd.h"
#include "LS_StatusBar.h"
#include "LS_StringTable.h"
#include "Larkspur32.h"
#include "Resource.h"

#include "access/qdsmanager.h"
#include "forms/qformconfiguration.h"
#include "model/qstringlist.h"
#include "qdebugoutput.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

const unsigned int statusIndicators[] = {res::ID_SEPARATOR, res::ID_INDICATOR_1,
                                         res::ID_INDICATOR_2};
const unsigned long indicatorPaneMode = LS_StatusBar::MODE_BITMAP | LS_StatusBar::DT_CENTER;
const int indicatorPaneWidth = 20;

// A menu shows "&" as the mark of its shortcut letter; form names are shown as they are.
QString MenuText(const QString& name) {
    QString text = name;
    return text.replace('&', QStringLiteral("&&"));
}

} // namespace

CMainFrame::CMainFrame() {
    setWindowTitle(QStringLiteral("Larkspur32"));
    setWindowIcon(LS_Artwork::AppIcon());
    m_animTimer.setInterval(ANIMATION_PERIOD_MS);
    connect(&m_animTimer, &QTimer::timeout, this, &CMainFrame::OnAnimationTimer);
    m_displayTimer.setInterval(DISPLAY_PERIOD_MS);
    connect(&m_displayTimer, &QTimer::timeout, this, &CMainFrame::OnDisplayTimer);
}

CMainFrame::~CMainFrame() = default;

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
    // Commands without a handler anywhere stay disabled, as the user has nothing to expect.
    AddCommand(save, res::ID_FILE_SAVE_VCARD, QStringLiteral("&VCard"))->setEnabled(false);
    QAction* abort = AddCommand(file, res::ID_ABORT, QStringLiteral("&Abort"));
    abort->setEnabled(false);
    connect(abort, &QAction::triggered, this, &CMainFrame::OnAbort);
    file->addSeparator();
    QAction* exit = AddCommand(file, res::ID_APP_EXIT, QStringLiteral("E&xit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddCommand(edit, res::ID_EDIT_UNDO, QStringLiteral("&Undo"))->setShortcut(QKeySequence::Undo);
    edit->addSeparator();
    AddCommand(edit, res::ID_EDIT_CUT, QStringLiteral("Cu&t"))->setShortcut(QKeySequence::Cut);
    AddCommand(edit, res::ID_EDIT_COPY, QStringLiteral("&Copy"))->setShortcut(QKeySequence::Copy);
    AddCommand(edit, res::ID_EDIT_PASTE, QStringLiteral("&Paste"))
        ->setShortcut(QKeySequence::Paste);
    for (QAction* action : edit->actions()) {
        action->setEnabled(false);
    }
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
    AddCommand(view, res::ID_DIRECTORY_OPTIONS, QStringLiteral("Directory &Options"))
        ->setEnabled(false);

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
    m_wndSplitter->AddPane(new LS_LHSTabWin);
    m_wndSplitter->AddPane(new LS_RHSTabWin);
    setCentralWidget(m_wndSplitter);
    const QString tabId = QString::number(res::IDC_TAB_CONTROL);
    m_pLHSTabCtrl = m_wndSplitter->Pane(0)->findChild<QTabWidget*>(tabId);
    m_pRHSTabCtrl = m_wndSplitter->Pane(1)->findChild<QTabWidget*>(tabId);
}

void CMainFrame::FillSearchMenu() {
    harrow::QDSManager* manager = CLarkspur32App::Instance()->GetDSManager();
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
    QAction* action = m_searchMenu->addAction(MenuText(formName));
    action->setData(commandId);
    m_actions[commandId] = action;
}

void CMainFrame::InitialUpdate() {
    qobject_cast<LS_LHSTabCtrl*>(m_pLHSTabCtrl)->FirstUpdate();
    qobject_cast<LS_RHSTabCtrl*>(m_pRHSTabCtrl)->FirstUpdate();
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
    const QPixmap bitmap = LS_Artwork::LoadBitmap(bitmapId);
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
    CLarkspur32App::Instance()->GetDSManager()->AbortAll();
    SetWorking(0);
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
    CLarkspur32App* app = CLarkspur32App::Instance();
    harrow::QDSManager* manager = app->GetDSManager();
    if (manager && app->GetSocketWatcher()->TakeNotice(notice)) {
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
