// The base of the program's Qt tests: a private sandbox per test (a working folder holding the
// OID tables and a configuration home holding the registry file), every message box taken
// instead of shown, and the real application object started as the program starts it. It owns
// the sandbox and the captured boxes.
#pragma once

#include "platform/LS_MessageBox.h"
#include "shell/Larkspur32.h"
#include "support/demoservers.h"

#include <QJsonDocument>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CMainFrame;
class QAction;

namespace larkspur::test {

class LarkspurGuiTest : public QObject {
    Q_OBJECT

protected:
    LarkspurGuiTest();
    ~LarkspurGuiTest() override;

    // Makes a fresh sandbox and moves into its working folder; the OID table files are copied
    // there unless told otherwise. Call from init().
    void OpenSandbox(bool withOidTables = true);
    // Leaves the sandbox and removes it. Call from cleanup().
    void CloseSandbox();

    // The registry file as the program reads it.
    void WriteRegistry(const QString& text);
    // A registry holding the three start-up values (a negative port leaves the port out).
    static QString StartupRegistry(const std::string& configDN, const std::string& host, int port);
    QString SandboxPath(const QString& name) const;

    // Constructs the application with the arguments and runs its start-up; started says how it
    // went. The application stays until the pointer goes.
    std::unique_ptr<CLarkspur32App> Start(const std::vector<std::string>& arguments, bool& started);
    // Writes the registry and starts the program without its splash; started says how it went.
    std::unique_ptr<CLarkspur32App> StartWithRegistry(const QString& registry, bool& started);
    // The same, with a warning in the test's output when the program does not start.
    std::unique_ptr<CLarkspur32App> StartWithRegistry(const QString& registry);
    // The Search menu's command for the form, or null.
    static QAction* SearchMenuCommand(const CMainFrame& frame, const QString& formName);

    const std::vector<LS_MessageBox::Box>& Boxes() const { return boxes; }
    void ClearBoxes() { boxes.clear(); }

    // Runs the real event loop, which sleeps while nothing happens, until the condition holds
    // or the time is up; returns the condition.
    static bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);
    // Runs the real event loop for the time given.
    static void Spin(int milliseconds);
    // What an exported file holds, as the independent reader (readback.py: "vcard", "ldif" or
    // "csv") reads it; null after a test failure.
    static QJsonDocument ReadBack(const QString& kind, const QString& path);
    // Right-clicks the point of the widget and chooses the context menu's item with that text
    // (its shortcut marks left out); false when no menu with such an enabled item came up.
    static bool ChooseFromContextMenu(QWidget* widget, const QPoint& point, const QString& item);

    // Saves the widget's picture as name.png in the folder that LARKSPUR_SCREENSHOT_DIR names;
    // true when it was written, and also when no folder is named.
    static bool SaveScreenshot(QWidget* widget, const QString& name);

private:
    std::unique_ptr<QTemporaryDir> sandbox;
    QString previousFolder;
    // The variables the sandbox points into itself, with their values before (null when unset).
    std::vector<std::pair<const char*, std::optional<QByteArray>>> previousVariables;
    std::vector<LS_MessageBox::Box> boxes;
    LS_MessageBox::Presenter previousPresenter;
};

// The demo directory with its registry file as the program's tests write it.
class DemoDirectory : public DemoServers {
public:
    QString Registry() const { return QString::fromStdString(RegistryText()); }
};

} // namespace larkspur::test
