// CLarkspur32App: the program itself. It runs start-up in its fixed order and owns the directory
// service manager, the registry settings, the splash window, the socket-close watcher and the
// main frame; its idle hook pumps the engine. It hands each window what it uses, and stands
// for the frame towards the long-lived pages that outlive every frame.
#pragma once

#include "platform/LS_Registry.h"
#include "platform/LS_Settings.h"
#include "platform/LS_SocketWatcher.h"
#include "platform/LS_StatusReport.h"
#include "results/LS_EntryListCtrl.h"
#include "results/LS_EntryViewCtrl.h"
#include "search/LS_DITCtrl.h"
#include "search/LS_SearchPages.h"
#include "shell/LS_Configuration.h"
#include "shell/LS_EnginePump.h"
#include "shell/LS_SplashWnd.h"

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace harrow {
class QDSManager;
}
class CMainFrame;
class LS_LHSTabCtrl;
class LS_RHSTabCtrl;
class QString;

class CLarkspur32App : public QObject,
                       public LS_Settings,
                       public LS_StatusReport,
                       public LS_SearchPages {
    Q_OBJECT

public:
    // The arguments after the program's name.
    explicit CLarkspur32App(std::vector<std::string> arguments);
    ~CLarkspur32App() override;

    // The one application object, while it exists: for main.cpp alone, since every window is
    // handed what it uses when it is made.
    static CLarkspur32App* Instance() { return instance; }

    // Start-up: true leaves a shown main window; false means the program ends (the user has
    // been told why where that is needed).
    bool InitInstance();

    // One turn of the engine pump: true while requests remain outstanding. The pump runs the
    // next turn when a socket of the engine wakes or something of it falls due.
    bool OnIdle();

    harrow::QDSManager* GetDSManager() const { return m_pDSManager.get(); }
    LS_Configuration* GetConfiguration() { return m_config.get(); }
    LS_EntryListCtrl* GetEntryList() { return &m_entryList; }
    LS_EntryViewCtrl* GetEntryView() { return &m_entryView; }
    LS_DITCtrl* GetDITCtrl() { return &m_ditCtrl; }
    CMainFrame* GetMainFrame() const { return m_pMainWnd.get(); }
    // The tab controls of the main frame's panes; null while there is no frame.
    LS_LHSTabCtrl* LeftTabs() const;
    LS_RHSTabCtrl* RightTabs() const;
    LS_SplashWnd* GetSplash() { return &m_splash; }
    LS_SocketWatcher* GetSocketWatcher() { return &m_socketWatcher; }
    int NoConnect() const { return m_bNoConnect; }
    const std::string& ConfigDN() const { return m_configDN; }
    const std::string& ServerAddress() const { return m_serverAddress; }
    int ServerPort() const { return m_serverPort; }
    // The optional "Startup" settings of secure and signed-in directories: "Security" ("none",
    // "starttls" or "ldaps"), "CA Certificates" (a PEM file; empty: the system's), "Bind DN"
    // (empty: anonymous) and "Page Size" (entries per page; 0 turns paging off).
    const std::string& Security() const { return m_security; }
    const std::string& CACertificates() const { return m_caCertificates; }
    const std::string& BindDN() const { return m_bindDN; }
    int PageSize() const { return m_pageSize; }
    // The "Stall Time" of the "Startup" key in seconds; 0 when it is not set.
    int StallSeconds() const { return m_stallSeconds; }

    // What the frame shows, passed on to the frame while there is one.
    void SetStatusText(const QString& text) override;
    void SetProgressText(const QString& text) override;
    void FlashStatus() override;
    void SetCounters(int requestsMade, int requestsFailed) override;
    void ShowBrowser() override;
    bool ShowEntryList() override;
    bool ShowEntryView() override;
    // An error box with the string as its text and "Error!" as its caption; hides the splash.
    void ShowError(unsigned int stringId) override;

    // The registry file: "Larkspur.reg" in the company's folder of the user's configuration.
    std::string RegistryFilePath() const override;
    std::unique_ptr<LS_RegistryKey> OpenRegistryKey(const char* keyName) override;
    int ReadRegistryValue(const LS_RegistryKey* key, const char* valueName,
                          unsigned long expectedType, void* data,
                          unsigned long& size) const override;
    int LoadStartupSettings();
    // Names the company folder of the registry file and the company level of every key.
    void SetRegistryKey(const char* company);
    std::string RegistryKeyPath(const char* keyName) const override;

    // Starts the engine and the main window afresh from the registry, as after the directory
    // settings changed; the window keeps its place and the pages their forms' values. When the
    // new settings fail, the user is told and the window goes on without a directory.
    void ReloadDirectory();
    // Keeps the window's geometry, splitter, last form and the forms' values under "Window";
    // nothing is kept with the option "noconn".
    void SaveWindowState();

protected:
    // The one process-wide step a socket client needs; false ends start-up.
    virtual bool InitSockets();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const LS_Registry& Registry();
    int ReadStartupString(const LS_RegistryKey& key, const char* valueName, const char* failure,
                          std::string& text);
    void LoadDirectorySettings(const LS_RegistryKey& key);
    // Hands the directory settings to the engine, asking for the bind DN's password first;
    // false when the user would not give it.
    bool ApplyDirectorySettings();
    std::optional<std::string> AskPassword();
    void ShowInitialiseError();
    void ReadStallTime(const LS_RegistryKey& key);
    // The engine's start-up steps after the command line; false after telling the user.
    bool StartEngine();
    // QDSManager::Initialise with the start-up settings, without holding the window's thread.
    int InitialiseOffWindowThread();
    void StartFrame();
    // Gives the long-lived pages the manager and the display settings in use now.
    void HandOutDirectory();
    // The value under "Window" of that name and type; null when there is none.
    const LS_Registry::Value* WindowValue(const std::string& name, unsigned long type);
    void RestoreGeometry();
    void RestoreWindowState();
    void RunIdleHook();

    static CLarkspur32App* instance;

    std::vector<std::string> m_arguments;
    // The pages of the tab panes, made into windows by the panes' first update; the panes give
    // them back before the manager goes.
    LS_EntryListCtrl m_entryList;
    LS_EntryViewCtrl m_entryView;
    LS_DITCtrl m_ditCtrl;
    LS_SplashWnd m_splash;
    // Replaced whole when the directory settings change: it refers to the manager's schema.
    std::unique_ptr<LS_Configuration> m_config;
    int m_bNoConnect = 0;
    std::string m_configDN;
    std::string m_serverAddress;
    int m_serverPort = 0;
    std::string m_security = "none";
    std::string m_caCertificates;
    std::string m_bindDN;
    int m_pageSize = 500;
    int m_stallSeconds = 0;
    std::string m_registryCompany;
    std::unique_ptr<LS_Registry> m_registry;
    // Declared before the manager, which must not outlive its notification point.
    LS_SocketWatcher m_socketWatcher;
    std::unique_ptr<harrow::QDSManager> m_pDSManager;
    // Declared after the manager: its windows go before the engine they use.
    std::unique_ptr<CMainFrame> m_pMainWnd;
    LS_EnginePump m_pump;
    bool m_inIdleHook = false;
};
