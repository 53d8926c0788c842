#include "guitest.h"

#include "support/testdata.h"

#include "shell/MainFrm.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonParseError>
#include <QMenu>
#include <QProcess>
#include <QTimer>
#include <QtTest>

namespace larkspur::test {

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
    // The data folders are the sandbox's too, so that no installed OID tables are found.
    const std::pair<const char*, QString> variables[] = {
        {"XDG_CONFIG_HOME", SandboxPath(QStringLiteral("config"))},
        {"XDG_DATA_HOME", SandboxPath(QStringLiteral("data-home"))},
        {"XDG_DATA_DIRS", SandboxPath(QStringLiteral("data-dirs"))},
    };
    previousVariables.clear();
    for (const auto& [name, value] : variables) {
        previousVariables.emplace_back(name, qEnvironmentVariableIsSet(name)
                                                 ? std::optional<QByteArray>(qgetenv(name))
                                                 : std::nullopt);
        qputenv(name, value.toLocal8Bit());
    }
    boxes.clear();
    previousPresenter = LS_MessageBox::SetPresenter([this](const LS_MessageBox::Box& box) {
        boxes.push_back(box);
        return QMessageBox::Ok;
    });
}

void LarkspurGuiTest::CloseSandbox() {
    LS_MessageBox::SetPresenter(previousPresenter);
    for (const auto& [name, value] : previousVariables) {
        if (value) {
            qputenv(name, *value);
        } else {
            qunsetenv(name);
        }
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

std::unique_ptr<CLarkspur32App> LarkspurGuiTest::StartWithRegistry(const QString& registry,
                                                                   bool& started) {
    WriteRegistry(registry);
    return Start({"-nosplash"}, started);
}

std::unique_ptr<CLarkspur32App> LarkspurGuiTest::StartWithRegistry(const QString& registry) {
    bool started = false;
    auto app = StartWithRegistry(registry, started);
    if (!started) {
        qWarning("The program did not start");
    }
    return app;
}

QAction* LarkspurGuiTest::SearchMenuCommand(const CMainFrame& frame, const QString& formName) {
    for (QAction* command : frame.SearchMenu()->actions()) {
        if (command->text().remove('&') == formName) {
            return command;
        }
    }
    return nullptr;
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

QJsonDocument LarkspurGuiTest::ReadBack(const QString& kind, const QString& path) {
    QProcess reader;
    reader.start(QStringLiteral("python3"), {QStringLiteral(LARKSPUR_READBACK), kind, path});
    if (!reader.waitForFinished(30000) || reader.exitStatus() != QProcess::NormalExit ||
        reader.exitCode() != 0) {
        qWarning("The reader refused %s: %s", qPrintable(path),
                 reader.readAllStandardError().constData());
        return {};
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(reader.readAllStandardOutput(), &error);
    if (error.error != QJsonParseError::NoError) {
        qWarning("The reader's output is no JSON: %s", qPrintable(error.errorString()));
    }
    return document;
}

bool LarkspurGuiTest::ChooseFromContextMenu(QWidget* widget, const QPoint& point,
                                            const QString& item) {
    bool chosen = false;
    // The menu runs its own loop; the choice is made from inside it once it shows.
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            return;
        }
        for (QAction* action : menu->actions()) {
            if (action->text().remove('&') == item && action->isEnabled()) {
                chosen = true;
                menu->close();
                action->trigger();
                return;
            }
        }
        menu->close();
    });
    QContextMenuEvent request(QContextMenuEvent::Mouse, point, widget->mapToGlobal(point));
    QCoreApplication::sendEvent(widget, &request);
    return chosen;
}

bool LarkspurGuiTest::SaveScreenshot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("LARKSPUR_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        return true;
    }
    return QDir().mkpath(folder) && widget->grab().save(folder + '/' + name + ".png");
}

} // namespace larkspur::test
