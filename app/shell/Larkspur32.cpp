#include "shell/Larkspur32.h"

#include "platform/LS_MessageBox.h"
#include "platform/LS_RegistryWriter.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "results/LS_RHSTabCtrl.h"
#include "search/LS_FormEdit.h"
#include "search/LS_LHSTabCtrl.h"
#include "shell/LS_CmdLineInfo.h"
#include "shell/LS_Keyring.h"
#include "shell/LS_PasswordDialog.h"
#include "shell/LS_SplitterWnd.h"
#include "shell/MainFrm.h"

#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "forms/qform.h"
#include "forms/qformconfiguration.h"
#include "qdebugoutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>

#include <chrono>
#include <csignal>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

namespace {

const char* const registryFileName = "Larkspur.reg";
const char* const productKey = "Larkspur";
const char* const windowKey = "Window";

// The value under "Window" that keeps what was typed into a field of a form.
std::string FieldValueName(const std::string& formName, const std::string& fieldName) {
    return formName + "/" + fieldName;
}

} // namespace

CLarkspur32App* CLarkspur32App::instance = nullptr;

CLarkspur32App::CLarkspur32App(std::vector<std::string> arguments)
    : m_arguments(std::move(arguments)), m_entryList(*this, *this, m_entryView, *this),
      m_entryView(*this), m_pump([this] { RunIdleHook(); }) {
    instance = this;
    m_socketWatcher.SetForgetHook([this](int socket) { m_pump.Forget(socket); });
}

CLarkspur32App::~CLarkspur32App() {
    // Windows send events while they go, and the pump is already gone by then.
    QCoreApplication::instance()->removeEventFilter(this);
    m_pMainWnd.reset();
    m_config.reset();
    m_pDSManager.reset();
    // The pages outlive the settings and the manager they were given.
    HandOutDirectory();
    if (instance == this) {
        instance = nullptr;
    }
}

bool CLarkspur32App::InitSockets() {
    // A server that drops a connection must not end the program when libldap writes to it.
    return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

bool CLarkspur32App::InitInstance() {
    if (!InitSockets()) {
        LS_MessageBox::Show(nullptr, QStringLiteral("Larkspur32"),
                            LS_StringTable::Load(res::IDS_SOCKETS_INIT_FAILED),
                            QMessageBox::Warning);
        return false;
    }
    SetRegistryKey("Calder Institute");

    LS_CmdLineInfo cmdInfo;
    cmdInfo.ParseCommandLine(m_arguments);
    m_bNoConnect = cmdInfo.m_bNoConnect;

    if (cmdInfo.m_bShowSplash) {
        m_splash.Create(nullptr);
        m_splash.EnableSplash(true);
        m_splash.UpdateIfEnabled();
    }

    if (!StartEngine()) {
        return false;
    }
    StartFrame();
    m_splash.Hide();
    return true;
}

bool CLarkspur32App::StartEngine() {
    m_pDSManager = std::make_unique<harrow::QDSManager>();
    m_pDSManager->SetSocketCloseWatcher(&m_socketWatcher);
    if (!m_pDSManager->PreInitialise()) {
        m_splash.Hide();
        ShowError(res::IDS_DIRECTORY_CONFIG_FAILED);
        return false;
    }
    m_config = std::make_unique<LS_Configuration>(*this, *m_pDSManager->Table());
    if (!m_config->Load()) {
        m_splash.Hide();
        return false;
    }
    if (LoadStartupSettings() != 1) {
        m_splash.Hide();
        ShowError(res::IDS_REGISTRY_MISSING);
        return false;
    }
    if (m_stallSeconds > 0) {
        m_pDSManager->SetStallTime(std::chrono::seconds(m_stallSeconds));
    }
    if (!m_bNoConnect && !ApplyDirectorySettings()) {
        m_splash.Hide();
        return false;
    }
    if (!m_bNoConnect && !InitialiseOffWindowThread()) {
        ShowInitialiseError();
        m_pDSManager.reset();
        m_splash.Hide();
        return false;
    }
    return true;
}

int CLarkspur32App::InitialiseOffWindowThread() {
    harrow::QDSManager* manager = m_pDSManager.get();
    const std::string configDN = m_configDN;
    const std::string host = m_serverAddress;
    const int port = m_serverPort;
    int loaded = 0;
    // The loader waits on the network for up to its bind time. It runs on a thread of its own
    // while this one keeps turning its event loop, so that the splash repaints and the window
    // system gets its answers. This thread leaves the engine alone meanwhile: the pump is not
    // armed and no window that could start directory work exists; user input waits.
    QEventLoop loop;
    try {
        std::thread loader([&] {
            loaded = manager->Initialise(configDN, host, port);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        loader.join();
    } catch (const std::system_error&) {
        // Without a thread to spare, start-up waits as it always did.
        loaded = manager->Initialise(configDN, host, port);
    }
    return loaded;
}

void CLarkspur32App::ReloadDirectory() {
    SaveWindowState();
    // The window is replaced, not closed: the program must not take that for its end.
    const bool quitOnClose = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QCoreApplication::instance()->removeEventFilter(this);
    m_pump.Stop();
    // The windows hold entries whose names hold connections of the manager, and the settings
    // hold the manager's schema: all go before it.
    m_pMainWnd.reset();
    m_config.reset();
    m_registry.reset();
    m_pDSManager.reset();
    HandOutDirectory();
    // The user chose a directory, so the program now uses one.
    m_bNoConnect = 0;
    if (!StartEngine() && !m_pDSManager) {
        // Without a directory the window still opens, so that the settings can be mended.
        m_pDSManager = std::make_unique<harrow::QDSManager>();
        m_pDSManager->SetSocketCloseWatcher(&m_socketWatcher);
        m_pDSManager->PreInitialise();
        if (!m_config) {
            m_config = std::make_unique<LS_Configuration>(*this, *m_pDSManager->Table());
            m_config->Load();
        }
    }
    StartFrame();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnClose);
}

void CLarkspur32App::StartFrame() {
    HandOutDirectory();
    CMainFrame::Context context;
    context.search.manager = m_pDSManager.get();
    context.search.status = this;
    context.search.entryList = &m_entryList;
    context.search.tree = &m_ditCtrl;
    context.search.pages = this;
    context.entryView = &m_entryView;
    context.settings = this;
    context.socketWatcher = &m_socketWatcher;
    m_pMainWnd = std::make_unique<CMainFrame>(context);
    connect(m_pMainWnd.get(), &CMainFrame::ReloadRequested, this, &CLarkspur32App::ReloadDirectory,
            Qt::QueuedConnection);
    connect(m_pMainWnd.get(), &CMainFrame::Closing, this, &CLarkspur32App::SaveWindowState);
    m_pMainWnd->LoadFrame();
    if (!m_bNoConnect) {
        RestoreGeometry();
    }
    m_pMainWnd->show();
    m_pMainWnd->repaint();
    m_pMainWnd->InitialUpdate();
    if (!m_bNoConnect) {
        RestoreWindowState();
    }
    m_socketWatcher.SetReceiver(m_pMainWnd.get());
    // From now on every event the program handles may have started directory work, so each
    // one wakes the pump; between events the pump sleeps until the engine has work.
    QCoreApplication::instance()->installEventFilter(this);
}

bool CLarkspur32App::eventFilter(QObject* watched, QEvent* event) {
    // The pump's own wake-ups would otherwise wake it again for ever.
    if (!m_inIdleHook && !m_pump.Owns(watched)) {
        m_pump.WakeSoon();
    }
    return QObject::eventFilter(watched, event);
}

void CLarkspur32App::RunIdleHook() {
    // A modal loop inside a notification must not pump again; the outer turn carries on.
    if (m_inIdleHook) {
        return;
    }
    m_inIdleHook = true;
    OnIdle();
    m_inIdleHook = false;
    if (m_pDSManager) {
        m_pump.Arm(*m_pDSManager);
    }
}

bool CLarkspur32App::OnIdle() {
    if (!m_pDSManager) {
        return false;
    }
    m_pDSManager->TidyUp();
    if (m_pDSManager->Waiting()) {
        if (m_pMainWnd) {
            m_pMainWnd->SetWorking(1);
        }
        m_pDSManager->Poll();
        return m_pDSManager->Waiting() != 0;
    }
    if (m_pMainWnd) {
        m_pMainWnd->SetWorking(0);
    }
    return false;
}

void CLarkspur32App::SetStatusText(const QString& text) {
    if (m_pMainWnd) {
        m_pMainWnd->SetStatusText(text);
    }
}

void CLarkspur32App::SetProgressText(const QString& text) {
    if (m_pMainWnd) {
        m_pMainWnd->SetProgressText(text);
    }
}

void CLarkspur32App::FlashStatus() {
    if (m_pMainWnd) {
        m_pMainWnd->FlashStatus();
    }
}

void CLarkspur32App::SetCounters(int requestsMade, int requestsFailed) {
    if (m_pMainWnd) {
        m_pMainWnd->SetCounters(requestsMade, requestsFailed);
    }
}

LS_LHSTabCtrl* CLarkspur32App::LeftTabs() const {
    return m_pMainWnd ? qobject_cast<LS_LHSTabCtrl*>(m_pMainWnd->LHSTabCtrl()) : nullptr;
}

LS_RHSTabCtrl* CLarkspur32App::RightTabs() const {
    return m_pMainWnd ? qobject_cast<LS_RHSTabCtrl*>(m_pMainWnd->RHSTabCtrl()) : nullptr;
}

void CLarkspur32App::ShowBrowser() {
    if (LS_LHSTabCtrl* left = LeftTabs()) {
        left->ShowBrowser();
    }
}

bool CLarkspur32App::ShowEntryList() {
    LS_RHSTabCtrl* right = RightTabs();
    if (right) {
        right->ShowEntryList();
    }
    return right != nullptr;
}

bool CLarkspur32App::ShowEntryView() {
    LS_RHSTabCtrl* right = RightTabs();
    if (right) {
        right->ShowEntryView();
    }
    return right != nullptr;
}

void CLarkspur32App::HandOutDirectory() {
    const LS_IconMap* icons = m_config ? m_config->GetIconMap() : nullptr;
    m_entryList.SetDirectory(m_pDSManager.get(), icons);
    m_ditCtrl.SetIconMap(icons);
    m_entryView.SetConfig(m_config ? m_config->GetEntryViewConfig() : nullptr);
}

void CLarkspur32App::ShowError(unsigned int stringId) {
    m_splash.Hide();
    LS_MessageBox::Show(nullptr, LS_StringTable::Load(res::IDS_ERROR_CAPTION),
                        LS_StringTable::Load(stringId), QMessageBox::Critical);
}

void CLarkspur32App::SetRegistryKey(const char* company) {
    m_registryCompany = company;
}

std::string CLarkspur32App::RegistryKeyPath(const char* keyName) const {
    return std::string(LS_RegistryKey::CurrentUser) + "\\Software\\" + m_registryCompany + "\\" +
           productKey + "\\" + keyName;
}

const LS_Registry::Value* CLarkspur32App::WindowValue(const std::string& name, unsigned long type) {
    const LS_Registry::Value* value = Registry().FindValue(RegistryKeyPath(windowKey), name);
    return value && value->type == type ? value : nullptr;
}

void CLarkspur32App::RestoreGeometry() {
    if (const LS_Registry::Value* geometry = WindowValue("Geometry", LS_REG_BINARY)) {
        m_pMainWnd->restoreGeometry(QByteArray::fromStdString(geometry->data));
    }
}

void CLarkspur32App::RestoreWindowState() {
    if (const LS_Registry::Value* splitter = WindowValue("Splitter", LS_REG_BINARY)) {
        m_pMainWnd->Splitter()->restoreState(QByteArray::fromStdString(splitter->data));
    }
    LS_LHSTabCtrl* left = LeftTabs();
    const LS_Registry::Value* lastForm = WindowValue("Last Form", LS_REG_SZ);
    const auto& forms = left->FormWins();
    for (std::size_t index = 0; index < forms.size(); ++index) {
        const std::string& formName = forms[index]->Form()->Name();
        for (const auto& row : forms[index]->Rows()) {
            if (const LS_Registry::Value* typed =
                    WindowValue(FieldValueName(formName, row->FieldName()), LS_REG_SZ)) {
                row->Edit()->setText(QString::fromUtf8(typed->data.c_str()));
            }
        }
        if (lastForm && formName == lastForm->data.c_str()) {
            left->SelectForm(static_cast<int>(index) + 1, 0);
        }
    }
}

void CLarkspur32App::SaveWindowState() {
    if (m_bNoConnect || !m_pMainWnd) {
        return;
    }
    LS_RegistryWriter writer(RegistryFilePath());
    const std::string key = RegistryKeyPath(windowKey);
    writer.SetBinary(key, "Geometry", m_pMainWnd->saveGeometry());
    writer.SetBinary(key, "Splitter", m_pMainWnd->Splitter()->saveState());
    const LS_LHSTabCtrl* left = LeftTabs();
    const auto& forms = left->FormWins();
    const int current = left->Current();
    const bool formShown = current >= 1 && current <= static_cast<int>(forms.size());
    writer.SetString(key, "Last Form",
                     formShown ? forms[static_cast<std::size_t>(current - 1)]->Form()->Name()
                               : std::string());
    for (const auto& form : forms) {
        for (const auto& row : form->Rows()) {
            writer.SetString(key, FieldValueName(form->Form()->Name(), row->FieldName()),
                             row->Edit()->text().toStdString());
        }
    }
    if (!writer.Save()) {
        harrow::QDebugOutput::Writef("Failed to keep the window's state in the registry file %s\n",
                                     RegistryFilePath().c_str());
    }
    m_registry.reset();
}

std::string CLarkspur32App::RegistryFilePath() const {
    // A relative setting is ignored, as the XDG base-directory rules ask.
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || QDir::isRelativePath(configHome)) {
        configHome = QDir::homePath() + QStringLiteral("/.config");
    }
    return (configHome + '/' + QString::fromStdString(m_registryCompany) + '/' +
            QString::fromUtf8(registryFileName))
        .toStdString();
}

const LS_Registry& CLarkspur32App::Registry() {
    if (!m_registry) {
        m_registry = LS_Registry::FromFile(RegistryFilePath());
    }
    return *m_registry;
}

std::unique_ptr<LS_RegistryKey> CLarkspur32App::OpenRegistryKey(const char* keyName) {
    if (!keyName) {
        return nullptr;
    }
    auto key = std::make_unique<LS_RegistryKey>(Registry(), LS_RegistryKey::CurrentUser);
    for (const std::string& level : {std::string("Software"), m_registryCompany,
                                     std::string(productKey), std::string(keyName)}) {
        key = key->OpenSubKey(level);
        if (!key) {
            harrow::QDebugOutput::Writef("Failed to open requested registry key: %s\n", keyName);
            return nullptr;
        }
    }
    return key;
}

int CLarkspur32App::ReadRegistryValue(const LS_RegistryKey* key, const char* valueName,
                                      unsigned long expectedType, void* data,
                                      unsigned long& size) const {
    unsigned long storedType = LS_REG_NONE;
    if (!key || !valueName || !key->QueryValue(valueName, storedType, data, size)) {
        harrow::QDebugOutput::Writef("Failed to read registry value:\n\t\t\t\t\t "
                                     "HKCU/Software/Calder Institute/Larkspur/.../%s\n",
                                     valueName ? valueName : "");
        return 0;
    }
    if (storedType != expectedType) {
        harrow::QDebugOutput::Writef(
            "Registry value was of unexpected type (wanted %d, got %d):\n\t\t\t\t\t "
            "HKCU/Software/Calder Institute/Larkspur/.../%s\n",
            static_cast<int>(expectedType), static_cast<int>(storedType), valueName);
        return 0;
    }
    return 1;
}

int CLarkspur32App::ReadStartupString(const LS_RegistryKey& key, const char* valueName,
                                      const char* failure, std::string& text) {
    // One byte more than the value may fill, so that the text always ends.
    std::vector<char> buffer(STRING_BUFFER_SIZE + 1, '\0');
    unsigned long size = STRING_BUFFER_SIZE;
    unsigned long type = LS_REG_NONE;
    if (!key.QueryValue(valueName, type, buffer.data(), size)) {
        harrow::QDebugOutput::Write(failure);
        return 0;
    }
    text = buffer.data();
    return 1;
}

int CLarkspur32App::LoadStartupSettings() {
    const std::unique_ptr<LS_RegistryKey> key = OpenRegistryKey("Startup");
    if (!key) {
        harrow::QDebugOutput::Write(
            "Failed to read registry key:\nHKCU/Software/Calder Institute/Larkspur/Startup/\n");
        return 0;
    }
    unsigned long subKeys = 0;
    unsigned long values = 0;
    if (!key->QueryInfo(subKeys, values)) {
        return 0;
    }
    if (!ReadStartupString(*key, "Configuration Subtree DN",
                           "Failed to read registry key:\nHKCU/Software/Calder "
                           "Institute/Larkspur/Startup/Configuration DN\n",
                           m_configDN) ||
        !ReadStartupString(*key, "Server Address",
                           "Failed to read registry key:\nHKCU/Software/Calder "
                           "Institute/Larkspur/Startup/Server Address\n",
                           m_serverAddress)) {
        return 0;
    }
    std::vector<char> buffer(STRING_BUFFER_SIZE, '\0');
    unsigned long size = STRING_BUFFER_SIZE;
    unsigned long type = LS_REG_NONE;
    if (!key->QueryValue("Server Port", type, buffer.data(), size)) {
        harrow::QDebugOutput::Write("Failed to read registry key:\nHKCU/Software/Calder "
                                    "Institute/Larkspur/Startup/Server Port\n");
        return 0;
    }
    std::uint32_t port = 0;
    std::memcpy(&port, buffer.data(), sizeof port);
    m_serverPort = static_cast<int>(port);
    LoadDirectorySettings(*key);
    ReadStallTime(*key);
    return 1;
}

// Optional: without it the engine's own stall time stands.
void CLarkspur32App::ReadStallTime(const LS_RegistryKey& key) {
    std::uint32_t seconds = 0;
    unsigned long size = sizeof seconds;
    unsigned long type = LS_REG_NONE;
    if (key.QueryValue("Stall Time", type, &seconds, size) && type == LS_REG_DWORD) {
        m_stallSeconds = static_cast<int>(seconds);
    }
}

void CLarkspur32App::LoadDirectorySettings(const LS_RegistryKey& key) {
    // Each is optional, so that the settings of plain directories keep working.
    const auto readString = [&key](const char* name, std::string& text) {
        std::vector<char> buffer(STRING_BUFFER_SIZE + 1, '\0');
        unsigned long size = STRING_BUFFER_SIZE;
        unsigned long type = LS_REG_NONE;
        if (key.QueryValue(name, type, buffer.data(), size) && type == LS_REG_SZ) {
            text = buffer.data();
        }
    };
    readString("Security", m_security);
    readString("CA Certificates", m_caCertificates);
    readString("Bind DN", m_bindDN);
    std::uint32_t pageSize = 0;
    unsigned long size = sizeof pageSize;
    unsigned long type = LS_REG_NONE;
    if (key.QueryValue("Page Size", type, &pageSize, size) && type == LS_REG_DWORD) {
        m_pageSize = static_cast<int>(pageSize);
    }
}

bool CLarkspur32App::ApplyDirectorySettings() {
    using harrow::ldapapi::Transport;
    const Transport transport = m_security == "ldaps"      ? Transport::Ldaps
                                : m_security == "starttls" ? Transport::StartTls
                                                           : Transport::Plain;
    m_pDSManager->SetPageSize(m_pageSize);
    m_pDSManager->BindManager()->SetSecurity(transport, m_caCertificates);
    if (m_bindDN.empty()) {
        return true;
    }
    const std::optional<std::string> password = AskPassword();
    if (!password) {
        return false;
    }
    m_pDSManager->BindManager()->SetIdentity(m_serverAddress, m_bindDN, *password);
    return true;
}

std::optional<std::string> CLarkspur32App::AskPassword() {
    const QString bindDN = QString::fromStdString(m_bindDN);
    const QString host = QString::fromStdString(m_serverAddress);
    const LS_Keyring keyring(bindDN, host);
    bool keyringAvailable = false;
    if (const std::optional<QString> kept = keyring.Read(keyringAvailable)) {
        return kept->toStdString();
    }
    m_splash.Hide();
    LS_PasswordDialog dialog(bindDN, host, keyringAvailable);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    if (dialog.RememberInKeyring()) {
        keyring.Write(dialog.Password());
    }
    return dialog.Password().toStdString();
}

void CLarkspur32App::ShowInitialiseError() {
    m_splash.Hide();
    QString text = LS_StringTable::Load(res::IDS_DIRECTORY_CONFIG_FAILED);
    // A refused password or a certificate that does not verify is worth telling as such.
    const harrow::QError* why = m_pDSManager->FormConfig()->LoadError();
    if (why != nullptr && why->ErrorCode() >= harrow::QError::kCredentialsRefused) {
        std::string sentence;
        why->Print(sentence);
        text += QStringLiteral("\n\n") + QString::fromStdString(sentence);
    }
    LS_MessageBox::Show(nullptr, LS_StringTable::Load(res::IDS_ERROR_CAPTION), text,
                        QMessageBox::Critical);
}
