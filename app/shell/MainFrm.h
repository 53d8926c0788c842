// CMainFrame: the program's only top-level window, with the menus, the bars, the status bar and
// the splitter holding the two tab panes. It owns the user interface's working state: the
// animation, the Abort command and the counters while the engine has requests outstanding.
#pragma once

#include "search/LS_SearchContext.h"

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <map>
#include <optional>
#include <utility>

class LS_EntryViewCtrl;
class LS_Settings;
class LS_SocketCloseEvent;
class LS_SocketWatcher;
class LS_SplitterWnd;
class LS_StatusBar;
class QAction;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int ANIMATION_PERIOD_MS = 100;
    // While the engine works, the status pane and the counters are redrawn at most this often.
    static constexpr int DISPLAY_PERIOD_MS = 50;

    // What the frame is built with: the engine and the long-lived pages the panes show, the
    // settings the Directory Options edit and the watcher of the engine's sockets. All outlive it.
    struct Context {
        LS_SearchContext search;
        LS_EntryViewCtrl* entryView = nullptr;
        LS_Settings* settings = nullptr;
        LS_SocketWatcher* socketWatcher = nullptr;
    };

    explicit CMainFrame(const Context& context);
    ~CMainFrame() override;

    // Builds the bars, the status bar, the Search menu and the client area.
    void LoadFrame();

    void SetWorking(int working);
    // Negative requests made leave all three counters empty. While working the counters are
    // redrawn at display rate, the latest numbers winning.
    void SetCounters(int requestsMade, int requestsFailed);
    // Shows the text at once, and the latest counters with it.
    void SetStatusText(const QString& text);
    // A search's progress: shown at display rate, the latest text winning, and replaced by a
    // text set through SetStatusText.
    void SetProgressText(const QString& text);
    void FlashStatus();
    // Gives both tab panes their first update, once the frame is shown.
    void InitialUpdate();

    // The About box (dialog 100), not yet shown.
    QDialog* CreateAboutBox();

    int IsWorking() const { return m_bWorking; }
    int AnimationFrame() const { return m_animFrame; }
    int HasSearchMenuPlaceholder() const { return m_bSearchMenuPlaceholder; }
    // The action of a command id, for the menus and the toolbar; null for an unknown id.
    QAction* Action(unsigned int commandId) const;
    QMenu* SearchMenu() const { return m_searchMenu; }
    QPushButton* AbortButton() const { return m_abortButton; }
    // One of the status dialog bar's counters by its control id (1011, 1013, 1014).
    QLineEdit* Counter(int controlId) const;
    QLabel* AnimationPicture() const { return m_animPicture; }
    LS_StatusBar* StatusBar() const { return m_wndStatusBar; }
    LS_SplitterWnd* Splitter() const { return m_wndSplitter; }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QTabWidget* LHSTabCtrl() const { return m_pLHSTabCtrl; }
    QTabWidget* RHSTabCtrl() const { return m_pRHSTabCtrl; }

    // Writes the contents to path, telling the user when that fails.
    bool SaveFile(const QString& path, const QByteArray& contents);

signals:
    // The directory settings were saved: the program starts the engine and the frame afresh,
    // once the handler that saved them is done.
    void ReloadRequested();
    // The window is closing; its state is worth keeping.
    void Closing();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, unsigned int commandId, const QString& text);
    void CreateMenus();
    void AddPageCommands();
    void CreateToolBar();
    void CreateStatusDlgBar();
    void CreateAnimDlgBar();
    void CreateStatusBar();
    void CreateClient();
    void FillSearchMenu();
    void AddSearchMenuForm(int formNumber, const QString& formName);
    void ShowAnimationBitmap(unsigned int bitmapId);
    void ShowCounters(int requestsMade, int requestsFailed);
    // Starts a display period unless one runs; false when one runs and the caller must wait.
    bool StartDisplayPeriod();
    void ShowPendingDisplay();
    void OnDisplayTimer();

    void OnAbort();
    void OnEditCopy();
    void OnSaveVCard();
    // Saves the entry list as CSV or LDIF, by the command chosen.
    void OnSaveResultList(unsigned int commandId);
    void OnDirectoryOptions();
    // Shows the left-hand pane's next page (step 1) or previous one (step -1).
    void OnNextPage(int step);
    void OnAppAbout();
    void OnSearchForm(unsigned int commandId);
    void OnAnimationTimer();
    void OnSocketClose(const LS_SocketCloseEvent& notice);

    Context m_context;
    LS_StatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QToolBar* m_wndStatusDlgBar = nullptr;
    QToolBar* m_wndAnimDlgBar = nullptr;
    LS_SplitterWnd* m_wndSplitter = nullptr;
    int m_bWorking = 0;
    int m_animFrame = 0;
    int m_bSearchMenuPlaceholder = 1;
    QTabWidget* m_pLHSTabCtrl = nullptr;
    QTabWidget* m_pRHSTabCtrl = nullptr;

    std::map<unsigned int, QAction*> m_actions;
    QMenu* m_searchMenu = nullptr;
    QPushButton* m_abortButton = nullptr;
    std::map<int, QLineEdit*> m_counters;
    QLabel* m_animPicture = nullptr;
    QTimer m_animTimer;
    QTimer m_displayTimer;
    // What waits for the next display period.
    std::optional<QString> m_pendingStatus;
    std::optional<std::pair<int, int>> m_pendingCounters;
};
