#include "guitest.h"

#include "support/testdata.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QtTest>

namespace larkspur::test {

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

} // namespace

LarkspurGuiTest::LarkspurGuiTest() = default;

LarkspurGuiTest::~LarkspurGuiTest() = default;

void LarkspurGuiTest::OpenSandbox(bool withOidTables) {
    sandbox = std::make_unique<QTemporaryDir>();
    QVERIFY(sandbox->isValid());
    QVERIFY(QDir(sandbox->path()).mkpath(QStringLiteral("work")));
    QVERIFY(QDir(sandbox->path()).mkpath(QStringLiteral("config/Calder Institute")));
    if (withOidTables) {
        for (const char* extension : {".gen", ".at", ".oc"}) {
            const std::string name = std::string("oidtable32") + extension;
            QVERIFY(
                QFile::copy(QString::fromStdString(DataPath(name)),
                            SandboxPath(QStringLiteral("work/") + QString::fromStdString(name))));
        }
    }
    previousFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(SandboxPath(QStringLiteral("work"))));
    hadConfigHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    previousConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", SandboxPath(QStringLiteral("config")).toLocal8Bit());
    boxes.clear();
    previousPresenter = LS_MessageBox::SetPresenter([this](const LS_MessageBox::Box& box) {
        boxes.push_back(box);
        return QMessageBox::Ok;
    });
}

void LarkspurGuiTest::CloseSandbox() {
    LS_MessageBox::SetPresenter(previousPresenter);
    if (hadConfigHome) {
        qputenv("XDG_CONFIG_HOME", previousConfigHome);
    } else {
        qunsetenv("XDG_CONFIG_HOME");
    }
    QDir::setCurrent(previousFolder);
    sandbox.reset();
}

QString LarkspurGuiTest::SandboxPath(const QString& name) const {
    return sandbox->filePath(name);
}

void LarkspurGuiTest::WriteRegistry(const QString& text) {
    QFile file(SandboxPath(QStringLiteral("config/Calder Institute/Larkspur.reg")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

QString LarkspurGuiTest::StartupRegistry(const std::string& configDN, const std::string& host,
                                         int port) {
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\n\n"
                                  "[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\"
                                  "Startup]\n");
    text += QStringLiteral("\"Configuration Subtree DN\"=\"%1\"\n")
                .arg(QString::fromStdString(configDN));
    text += QStringLiteral("\"Server Address\"=\"%1\"\n").arg(QString::fromStdString(host));
    if (port >= 0) {
        text += QString::asprintf("\"Server Port\"=dword:%08x\n", port);
    }
    return text;
}

std::unique_ptr<CLarkspur32App> LarkspurGuiTest::Start(const std::vector<std::string>& arguments,
                                                       bool& started) {
    auto app = std::make_unique<CLarkspur32App>(arguments);
    started = app->InitInstance();
    return app;
}

bool LarkspurGuiTest::WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        Spin(10);
    }
    return true;
}

void LarkspurGuiTest::Spin(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool LarkspurGuiTest::SaveScreenshot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("LARKSPUR_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        return true;
    }
    return QDir().mkpath(folder) && widget->grab().save(folder + '/' + name + ".png");
}

DemoDirectory::DemoDirectory() : server1("dc=calder,dc=example"), server2("dc=fenwick,dc=example") {
    server1.WithoutSuffixEntry();
    server2.WithoutSuffixEntry();
}

std::string DemoDirectory::Filled(const std::string& text) const {
    std::string filled = Replaced(text, "@HOST@", TestDirectory::kHost);
    filled = Replaced(filled, "@SERVER1_PORT@", std::to_string(server1.Port()));
    filled = Replaced(filled, "@SERVER2_PORT@", std::to_string(server2.Port()));
    return Replaced(filled, "@SERVER1_PORT_HEX@",
                    QString::asprintf("%08x", server1.Port()).toStdString());
}

bool DemoDirectory::Start() {
    // The data names both servers' ports, which are known only once both run.
    return server1.Start() && server2.Start() &&
           server1.ApplyLdif(Filled(ReadFile(DataPath("ldif/demo-server1.ldif")))) &&
           server2.ApplyLdif(Filled(ReadFile(DataPath("ldif/demo-server2.ldif"))));
}

QString DemoDirectory::Registry() const {
    return QString::fromStdString(Filled(ReadFile(DataPath("demo/Larkspur.reg.in"))));
}

} // namespace larkspur::test
