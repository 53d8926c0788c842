// Start-up of the program: its order, its failures with their message boxes, the command line
// and the splash window.
#include "access/qdsmanager.h"
#include "access/qlogfile.h"
#include "guitest.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "shell/LS_CmdLineInfo.h"
#include "shell/MainFrm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <algorithm>

using larkspur::test::DemoDirectory;
using larkspur::test::TestDirectory;

namespace {

// An application whose socket start-up fails, which no real machine can be made to do.
class SocketlessApp : public CLarkspur32App {
public:
    using CLarkspur32App::CLarkspur32App;

protected:
    bool InitSockets() override { return false; }
};

// Counts the splash windows that are shown while it exists.
class SplashCounter : public QObject {
public:
    SplashCounter() { qApp->installEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget->windowType() == Qt::SplashScreen) {
            ++shown;
        }
        return false;
    }
};

QString WithoutLines(const QString& registry, const QStringList& prefixes) {
    QStringList kept;
    for (const QString& line : registry.split('\n')) {
        const bool dropped =
            std::any_of(prefixes.begin(), prefixes.end(),
                        [&](const QString& prefix) { return line.startsWith(prefix); });
        if (!dropped) {
            kept << line;
        }
    }
    return kept.join('\n');
}

} // namespace

class StartupTest : public larkspur::test::LarkspurGuiTest {
    Q_OBJECT

private:
    DemoDirectory demo;

    // The demo's registry with the start-up server moved to another port.
    QString RegistryOnPort(int port) const {
        return WithoutLines(demo.Registry(), {"\"Server Port\""}) +
               QString::asprintf("\n[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\"
                                 "Startup]\n\"Server Port\"=dword:%08x\n",
                                 port);
    }

    void ExpectOneErrorBox(unsigned int stringId) {
        QCOMPARE(Boxes().size(), size_t(1));
        QCOMPARE(Boxes().front().caption, QStringLiteral("Error!"));
        QCOMPARE(Boxes().front().text, LS_StringTable::Load(stringId));
        QCOMPARE(Boxes().front().icon, QMessageBox::Critical);
        QVERIFY(!Boxes().front().owner);
    }

private slots:
    void initTestCase() { QVERIFY(demo.Start()); }
    void init() { OpenSandbox(); }
    void cleanup() { CloseSandbox(); }

    void socketsThatCannotStartEndTheProgram() {
        WriteRegistry(demo.Registry());
        SocketlessApp app({"-nosplash"});
        QVERIFY(!app.InitInstance());
        QCOMPARE(Boxes().size(), size_t(1));
        QCOMPARE(Boxes().front().text, QStringLiteral("Windows sockets initialization failed."));
        QVERIFY(!app.GetDSManager());
        QVERIFY(!app.GetMainFrame());
    }

    void missingOidTablesEndTheProgram() {
        for (const char* extension : {".gen", ".at", ".oc"}) {
            QVERIFY(QFile::remove(QStringLiteral("oidtable32") + extension));
        }
        WriteRegistry(demo.Registry());
        bool started = true;
        SplashCounter splashes;
        const auto app = Start({}, started);
        QVERIFY(!started);
        ExpectOneErrorBox(res::IDS_DIRECTORY_CONFIG_FAILED);
        QCOMPARE(Boxes().front().text,
                 QStringLiteral("Failed to load configuration from the directory service!"));
        QVERIFY(!app->GetMainFrame());
        QCOMPARE(splashes.shown, 1);
        QVERIFY(!app->GetSplash()->IsShown());
    }

    // An installed program finds the tables in the system's data folders when the current
    // folder has none.
    void oidTablesComeFromTheDataFoldersWhenTheCurrentFolderHasNone() {
        QVERIFY(QDir(SandboxPath(QStringLiteral("data-dirs"))).mkpath(QStringLiteral("larkspur")));
        for (const char* extension : {".gen", ".at", ".oc"}) {
            const QString name = QStringLiteral("oidtable32") + extension;
            QVERIFY(QFile::rename(name, SandboxPath(QStringLiteral("data-dirs/larkspur/")) + name));
        }
        WriteRegistry(demo.Registry());
        bool started = false;
        const auto found = Start({"-nosplash"}, started);
        QVERIFY(started);
        QVERIFY(Boxes().empty());
        QVERIFY(found->GetMainFrame());
    }

    void aMissingStartupKeyEndsTheProgram() {
        WriteRegistry(WithoutLines(
            demo.Registry(),
            {"[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Startup]",
             "\"Configuration Subtree DN\"", "\"Server Address\"", "\"Server Port\""}));
        bool started = true;
        const auto app = Start({"-nosplash"}, started);
        QVERIFY(!started);
        ExpectOneErrorBox(res::IDS_REGISTRY_MISSING);
        QVERIFY(!app->GetMainFrame());
    }

    void aMissingServerPortEndsTheProgram() {
        WriteRegistry(WithoutLines(demo.Registry(), {"\"Server Port\""}));
        bool started = true;
        const auto app = Start({"-nosplash"}, started);
        QVERIFY(!started);
        ExpectOneErrorBox(res::IDS_REGISTRY_MISSING);
        QCOMPARE(
            Boxes().front().text,
            QStringLiteral("Failed to find configuration entries in the Windows Registry! This "
                           "probably means that Larkspur has not been installed correctly. "
                           "Please contact local technical support who will re-install the "
                           "application for you."));
        QVERIFY(!app->GetMainFrame());
    }

    void aMissingDisplayKeyEndsTheProgramWithTheLoadersOwnBox() {
        for (const char* key : {"Icons", "Entry Display"}) {
            ClearBoxes();
            WriteRegistry(WithoutLines(
                demo.Registry(),
                {QStringLiteral("[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\%1]")
                     .arg(QString::fromUtf8(key))}));
            bool started = true;
            const auto app = Start({"-nosplash"}, started);
            QVERIFY2(!started, key);
            ExpectOneErrorBox(res::IDS_REGISTRY_MISSING);
            QVERIFY2(!app->GetMainFrame(), key);
        }
    }

    void anUnreachableServerLeavesNoManager() {
        TestDirectory gone;
        QVERIFY(gone.Start());
        QVERIFY(gone.Stop());
        WriteRegistry(RegistryOnPort(gone.Port()));
        bool started = true;
        const auto app = Start({"-nosplash"}, started);
        QVERIFY(!started);
        ExpectOneErrorBox(res::IDS_DIRECTORY_CONFIG_FAILED);
        QVERIFY(!app->GetDSManager());
        QVERIFY(!app->GetMainFrame());
    }

    // A server that accepts the connection and never answers holds the load for the whole bind
    // time; the window's thread keeps turning meanwhile and the splash still goes after its
    // five seconds.
    void aHungServerNeitherHoldsTheWindowNorChangesTheFailure() {
        TestDirectory hung;
        QVERIFY(hung.Start());
        QVERIFY(hung.Pause());
        WriteRegistry(RegistryOnPort(hung.Port()));
        QElapsedTimer sinceTurn;
        qint64 longestGap = 0;
        int turns = 0;
        bool splashSeen = false;
        bool splashWentWhileStarting = false;
        QTimer turn;
        turn.setInterval(10);
        QObject::connect(&turn, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, sinceTurn.restart());
            ++turns;
            const QWidgetList windows = QApplication::topLevelWidgets();
            const bool splashShown =
                std::any_of(windows.begin(), windows.end(), [](const QWidget* window) {
                    return window->windowType() == Qt::SplashScreen && window->isVisible();
                });
            splashWentWhileStarting = splashWentWhileStarting || (splashSeen && !splashShown);
            splashSeen = splashSeen || splashShown;
        });
        turn.start();
        sinceTurn.start();
        bool started = true;
        const auto app = Start({}, started);
        turn.stop();
        QVERIFY(hung.Resume());
        QVERIFY(!started);
        ExpectOneErrorBox(res::IDS_DIRECTORY_CONFIG_FAILED);
        QVERIFY(!app->GetDSManager());
        QVERIFY(!app->GetSplash()->IsShown());
        // Start-up takes the bind time (10 s); the bound only catches a window held for it.
        QVERIFY(turns > 100);
        QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap)));
        QVERIFY(splashWentWhileStarting);
    }

    void startsAgainstTheDemoDirectory() {
        WriteRegistry(demo.Registry());
        bool started = false;
        SplashCounter splashes;
        const auto app = Start({}, started);
        QVERIFY(started);
        QVERIFY(Boxes().empty());
        QVERIFY(app->GetDSManager());
        QCOMPARE(app->ConfigDN(), std::string(DemoDirectory::kConfigDN));
        QCOMPARE(app->ServerPort(), demo.Server1().Port());
        CMainFrame* frame = app->GetMainFrame();
        QVERIFY(frame && frame->isVisible());
        QCOMPARE(frame->windowTitle(), QStringLiteral("Larkspur32"));
        QCOMPARE(splashes.shown, 1);
        QVERIFY(!app->GetSplash()->IsShown());
    }

    void theStallTimeComesFromTheStartupKeyOrStaysAtItsDefault() {
        WriteRegistry(demo.Registry());
        bool started = false;
        auto app = Start({"-nosplash", "-noconn"}, started);
        QVERIFY(started);
        QVERIFY(app->GetDSManager()->StallTime() == harrow::QDSManager::kDefaultStallTime);
        app.reset();

        WriteRegistry(demo.Registry() +
                      QStringLiteral("\n[HKEY_CURRENT_USER\\Software\\Calder Institute\\"
                                     "Larkspur\\Startup]\n\"Stall Time\"=dword:00000007\n"));
        app = Start({"-nosplash", "-noconn"}, started);
        QVERIFY(started);
        QVERIFY(app->GetDSManager()->StallTime() == std::chrono::seconds(7));
    }

    void withoutConnectingTheSearchMenuKeepsItsPlaceholder() {
        WriteRegistry(demo.Registry());
        bool started = false;
        SplashCounter splashes;
        const auto app = Start({"-NOSPLASH", "/noconn"}, started);
        QVERIFY(started);
        QCOMPARE(app->NoConnect(), 1);
        QCOMPARE(splashes.shown, 0);
        CMainFrame* frame = app->GetMainFrame();
        QVERIFY(frame);
        QCOMPARE(frame->HasSearchMenuPlaceholder(), 1);
        const QList<QAction*> items = frame->SearchMenu()->actions();
        QCOMPARE(items.size(), 1);
        QVERIFY(items.front()->text().isEmpty());
        QCOMPARE(frame->LHSTabCtrl()->count(), 1);
        QCOMPARE(frame->LHSTabCtrl()->tabText(0), QStringLiteral("Browser"));
    }

    void theLogFileOpensWhileTheCommandLineIsRead() {
        const QString path = SandboxPath(QStringLiteral("larkspur.log"));
        LS_CmdLineInfo info;
        info.ParseCommandLine({"-logfile", path.toStdString()});
        QCOMPARE(info.m_lastOption, int(LS_CmdLineInfo::OPTION_LOGFILE));
        QVERIFY(QFile::exists(path));
        harrow::QLogFile::Close();

        WriteRegistry(demo.Registry());
        bool started = false;
        const QString startupLog = SandboxPath(QStringLiteral("startup.log"));
        {
            const auto app = Start({"-nosplash", "-logfile", startupLog.toStdString()}, started);
            QVERIFY(started);
            harrow::QLogFile::Log("after start-up");
        }
        QFile log(startupLog);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("after start-up"));
    }

    void parsesTheCommandLine() {
        LS_CmdLineInfo info;
        info.ParseCommandLine({"-NoSplash"});
        QVERIFY(!info.m_bShowSplash);
        QCOMPARE(info.m_lastOption, int(LS_CmdLineInfo::OPTION_NOSPLASH));
        info.ParseCommandLine({"/NOCONN"});
        QCOMPARE(info.m_bNoConnect, 1);
        QCOMPARE(info.m_lastOption, int(LS_CmdLineInfo::OPTION_NOCONN));
        info.ParseCommandLine({"-noconnect", "-nosplash2"});
        QCOMPARE(info.m_lastOption, int(LS_CmdLineInfo::OPTION_NONE));

        // An absolute path after the option is the log file's, though it starts with a slash.
        const QString path = SandboxPath(QStringLiteral("slash.log"));
        LS_CmdLineInfo withPath;
        withPath.ParseCommandLine({"-logfile", path.toStdString(), "-noconn"});
        QVERIFY(QFile::exists(path));
        QCOMPARE(withPath.m_bNoConnect, 1);
        harrow::QLogFile::Close();

        LS_CmdLineInfo unknownSlash;
        unknownSlash.ParseCommandLine({"-nosplash", "/other"});
        QCOMPARE(unknownSlash.m_lastOption, int(LS_CmdLineInfo::OPTION_NONE));
        QCOMPARE(unknownSlash.m_bNoConnect, 0);
        QVERIFY(!unknownSlash.m_bShowSplash);

        LS_CmdLineInfo noPath;
        noPath.ParseCommandLine({"-logfile"});
        QCOMPARE(noPath.m_lastOption, int(LS_CmdLineInfo::OPTION_LOGFILE));
        noPath.ParseCommandLine({"-noconn", "plain"});
        QCOMPARE(noPath.m_lastOption, int(LS_CmdLineInfo::OPTION_NONE));
        QVERIFY(!QFile::exists(QStringLiteral("plain")));
    }

    void theSplashGoesAfterFiveSeconds() {
        LS_SplashWnd splash;
        QVERIFY(splash.Create(nullptr));
        splash.EnableSplash(true);
        splash.UpdateIfEnabled();
        QVERIFY(splash.IsShown());
        QWidget* window = splash.Window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->size(), QSize(420 + 4, 250 + 4));
        QVERIFY(splash.Create(nullptr));
        Spin(LS_SplashWnd::SHOW_TIME_MS - 500);
        QVERIFY(splash.IsShown());
        QVERIFY(WaitUntil([&] { return !splash.IsShown(); }, 2000));
        QVERIFY(WaitUntil([&] { return !splash.Window(); }, 1000));
        splash.Hide();
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
