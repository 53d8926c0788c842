#include "Larkspur32.h"

#include "LS_CmdLineInfo.h"
#include "LS_Keyring.h"
#include "LS_MessageBox.h"
#include "LS_PasswordDialog.h"
#include "LS_StringTable.h"
#include "MainFrm.h"
#include "Resource.h"

#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "forms/qformconfiguration.h"
#include "qdebugoutput.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstring>
#include <utility>

namespace {

const char* const registryFileName = "Larkspur.reg";
const char* const productKey = "Larkspur";

} // namespace

CLarkspur32App* CLarkspur32App::instance = nullptr;

CLarkspur32App::CLarkspur32App(std::vector<std::string> arguments)
    : m_arguments(std::move(arguments)) {
    instance = this;
    m_idleTimer.setInterval(0);
    connect(&m_idleTimer, &QTimer::timeout, this, &CLarkspur32App::RunIdleHook);
}

CLarkspur32App::~CLarkspur32App() {
    // Windows send events while they go, and the pump's timer is already gone by then.
    QCoreApplication::instance()->removeEventFilter(this);
    m_pMainWnd.reset();
    m_pDSManager.reset();
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

    m_pDSManager = std::make_unique<harrow::QDSManager>();
    m_pDSManager->SetSocketCloseWatcher(&m_socketWatcher);
    if (!m_pDSManager->PreInitialise()) {
        m_splash.Hide();
        ShowError(res::IDS_DIRECTORY_CONFIG_FAILED);
        return false;
    }
    if (!m_config.Load()) {
        m_splash.Hide();
        return false;
    }
    if (LoadStartupSettings() != 1) {
        m_splash.Hide();
        ShowError(res::IDS_REGISTRY_MISSING);
        return false;
    }
    if (!m_bNoConnect && !ApplyDirectorySettings()) {
        m_splash.Hide();
        return false;
    }
    if (!m_bNoConnect && !m_pDSManager->Initialise(m_configDN, m_serverAddress, m_serverPort)) {
        ShowInitialiseError();
        m_pDSManager.reset();
        m_splash.Hide();
        return false;
    }

    StartFrame();
    m_splash.Hide();
    return true;
}

void CLarkspur32App::StartFrame() {
    m_pMainWnd = std::make_unique<CMainFrame>();
    m_pMainWnd->LoadFrame();
    m_pMainWnd->show();
    m_pMainWnd->repaint();
    m_pMainWnd->InitialUpdate();
    m_socketWatcher.SetReceiver(m_pMainWnd.get());
    // From now on every event the program handles may have started directory work, so each
    // one wakes the pump; the pump itself sleeps again as soon as nothing is outstanding.
    QCoreApplication::instance()->installEventFilter(this);
}

bool CLarkspur32App::eventFilter(QObject* watched, QEvent* event) {
    if (!m_inIdleHook && !m_idleTimer.isActive()) {
        m_idleTimer.start();
    }
    return QObject::eventFilter(watched, event);
}

void CLarkspur32App::RunIdleHook() {
    // A modal loop inside a notification must not pump again; the outer turn carries on.
    if (m_inIdleHook) {
        m_idleTimer.stop();
        return;
    }
    m_inIdleHook = true;
    const bool more = OnIdle();
    m_inIdleHook = false;
    if (!more) {
        m_idleTimer.stop();
    } else if (!m_idleTimer.isActive()) {
        m_idleTimer.start();
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

void CLarkspur32App::ShowError(unsigned int stringId) {
    m_splash.Hide();
    LS_MessageBox::Show(nullptr, LS_StringTable::Load(res::IDS_ERROR_CAPTION),
                        LS_StringTable::Load(stringId), QMessageBox::Critical);
}

void CLarkspur32App::SetRegistryKey(const char* company) {
    m_registryCompany = company;
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
    return 1;
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
