// What the user sets and what the window remembers: View > Directory Options writing the
// "Startup" key into the registry file and starting afresh, the "Window" key kept at close and
// restored at the next start, and the writer that leaves the rest of the file as it was.
#include "forms/qform.h"
#include "guitest.h"
#include "platform/LS_RegistryWriter.h"
#include "platform/Resource.h"
#include "search/LS_FormEdit.h"
#include "search/LS_FormWin.h"
#include "search/LS_LHSTabCtrl.h"
#include "shell/LS_DirectoryOptionsDlg.h"
#include "shell/LS_SplitterWnd.h"
#include "shell/MainFrm.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <functional>

using larkspur::test::DemoDirectory;

namespace {

const QByteArray
    kWindowKey("\r\n[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Window]\r\n");

// A key and comments the program does not know, which must come through every write.
const char* const kForeignPart = "\r\n; Kept by someone else \xc3\xa9\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Notes]"
                                 "\r\n\"Long\"=hex:01,02,\\\r\n  03,04\r\n";

LS_LHSTabCtrl* LeftPane(const CLarkspur32App& app) {
    return qobject_cast<LS_LHSTabCtrl*>(app.GetMainFrame()->LHSTabCtrl());
}

int FormPage(const CLarkspur32App& app, const std::string& name) {
    const auto& forms = LeftPane(app)->FormWins();
    for (std::size_t index = 0; index < forms.size(); ++index) {
        if (forms[index]->Form()->Name() == name) {
            return static_cast<int>(index) + 1;
        }
    }
    return -1;
}

} // namespace

class SettingsTest : public larkspur::test::LarkspurGuiTest {
    Q_OBJECT

private:
    DemoDirectory demo;

    QByteArray RegistryBytes() const {
        QFile file(SandboxPath(QStringLiteral("config/Calder Institute/Larkspur.reg")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void WriteRegistryBytes(const QByteArray& bytes) {
        QFile file(SandboxPath(QStringLiteral("config/Calder Institute/Larkspur.reg")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    // The demo registry as a person may have saved it: CRLF line ends and a foreign key.
    QByteArray EditedRegistry() const {
        return demo.Registry().toUtf8().replace("\n", "\r\n") + kForeignPart;
    }

    // Opens View > Directory Options, lets change fill it in, accepts it, and waits until the
    // program has started afresh.
    static bool ChangeOptions(CLarkspur32App& app,
                              const std::function<void(LS_DirectoryOptionsDlg&)>& change) {
        QPointer<CMainFrame> before = app.GetMainFrame();
        bool accepted = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<LS_DirectoryOptionsDlg*>(QApplication::activeModalWidget());
            if (dialog) {
                change(*dialog);
                dialog->accept();
                accepted = true;
            }
        });
        before->Action(res::ID_DIRECTORY_OPTIONS)->trigger();
        return accepted && WaitUntil([&] { return before.isNull() && app.GetMainFrame(); });
    }

private slots:
    void initTestCase() { QVERIFY(demo.Start()); }
    void init() { OpenSandbox(); }
    void cleanup() { CloseSandbox(); }

    void directoryOptionsAreWrittenAndTheFormsReloaded() {
        const QByteArray original = EditedRegistry();
        WriteRegistryBytes(original);
        bool started = false;
        const auto app = Start({"-nosplash"}, started);
        QVERIFY(started);
        QCOMPARE(FormPage(*app, "Reloaded"), -1);
        // A form published while the program runs is offered once the settings are applied.
        const std::string form = "cn=Reloaded," + std::string(DemoDirectory::kConfigDN);
        QVERIFY(demo.Server1().ApplyLdif(
            "dn: " + form +
            "\nobjectClass: lsSearchForm\ncn: Reloaded\nlsRuleSetName: Directory\n"
            "lsInputList: Person\n\ndn: cn=Person," +
            form +
            "\nobjectClass: lsFormInput\ncn: Person\nlsSearchClassName: Person\nlsFieldList: "
            "Name\n\ndn: cn=Name,cn=Person," +
            form + "\nobjectClass: lsFormField\ncn: Name\nlsFiltAttrList: cn\n"));

        QString shownAddress;
        int shownPort = 0;
        QVERIFY(ChangeOptions(*app, [&](LS_DirectoryOptionsDlg& dialog) {
            shownAddress = dialog.TextEditor("Server Address")->text();
            shownPort = dialog.NumberEditor("Server Port")->value();
        }));
        QCOMPARE(shownAddress, QStringLiteral("127.0.0.1"));
        QCOMPARE(shownPort, demo.Server1().Port());
        // The same settings written again leave the file as it was, byte for byte; the window's
        // place, kept for the new window, follows it.
        QCOMPARE(RegistryBytes().left(original.size()), original);
        QVERIFY(RegistryBytes().mid(original.size()).startsWith(kWindowKey));
        QVERIFY(FormPage(*app, "Reloaded") > 0);
        QVERIFY(SearchMenuCommand(*app->GetMainFrame(), QStringLiteral("Reloaded")));
        QVERIFY(Boxes().empty());

        // Settings that do not work: the user is told and the window goes on without forms.
        QVERIFY(ChangeOptions(*app, [&](LS_DirectoryOptionsDlg& dialog) {
            dialog.NumberEditor("Server Port")->setValue(demo.Server2().Port());
            dialog.TextEditor("Configuration Subtree DN")->setText(QStringLiteral("ou=Elsewhere"));
        }));
        QCOMPARE(Boxes().size(), std::size_t(1));
        QCOMPARE(Boxes()[0].text,
                 QStringLiteral("Failed to load configuration from the directory service!"));
        QCOMPARE(LeftPane(*app)->count(), 1);
        QByteArray expected = original;
        expected.replace(
            QStringLiteral("dword:%1").arg(demo.Server1().Port(), 8, 16, QChar('0')).toUtf8(),
            QStringLiteral("dword:%1").arg(demo.Server2().Port(), 8, 16, QChar('0')).toUtf8());
        expected.replace("\"ou=Larkspur Forms,dc=calder,dc=example\"", "\"ou=Elsewhere\"");
        QCOMPARE(RegistryBytes().left(expected.size()), expected);
        QVERIFY(RegistryBytes().mid(expected.size()).startsWith(kWindowKey));
    }

    void theWindowIsRestoredAsItWasLeft() {
        const QByteArray original = EditedRegistry();
        WriteRegistryBytes(original);
        bool started = false;
        auto app = Start({"-nosplash"}, started);
        QVERIFY(started);
        CMainFrame* frame = app->GetMainFrame();
        frame->resize(700, 520);
        frame->Splitter()->setSizes({300, 380});
        const int people = FormPage(*app, "People");
        LeftPane(*app)->SelectForm(people, 0);
        LS_FormWin* form = LeftPane(*app)->FormWins()[static_cast<std::size_t>(people - 1)].get();
        form->Rows()[0]->Edit()->setText(QStringLiteral("Holt"));
        frame->close();
        app.reset();
        // The window's own key follows everything that was there, which is left as it was.
        const QByteArray written = RegistryBytes();
        QVERIFY(written.startsWith(original));
        QVERIFY(written.mid(original.size()).startsWith(kWindowKey));
        QVERIFY(written.contains("\"Last Form\"=\"People\"\r\n"));
        QVERIFY(written.contains("\"People/Name\"=\"Holt\"\r\n"));

        app = Start({"-nosplash"}, started);
        QVERIFY(started);
        frame = app->GetMainFrame();
        QCOMPARE(frame->size(), QSize(700, 520));
        QCOMPARE(frame->Splitter()->sizes().front(), 300);
        QCOMPARE(LeftPane(*app)->Current(), people);
        form = LeftPane(*app)->FormWins()[static_cast<std::size_t>(people - 1)].get();
        QCOMPARE(form->Rows()[0]->Edit()->text(), QStringLiteral("Holt"));
        app.reset();

        // Without a directory nothing is restored and nothing is kept.
        const QByteArray before = RegistryBytes();
        app = Start({"-nosplash", "-noconn"}, started);
        QVERIFY(started);
        QVERIFY(app->GetMainFrame()->size() != QSize(700, 520));
        app->GetMainFrame()->close();
        app.reset();
        QCOMPARE(RegistryBytes(), before);
    }

    void theWriterChangesOnlyTheValuesItSets() {
        LS_RegistryWriter writer("unused");
        writer.SetString("HKEY_CURRENT_USER\\Software\\A", "Name", "a \"quoted\" \\ path");
        writer.SetNumber("hkey_current_user\\software\\a", "port", 389);
        writer.SetBinary("HKEY_CURRENT_USER\\Software\\A", "Long", QByteArray("\x0a\xff", 2));
        writer.SetString("HKEY_CURRENT_USER\\Software\\B", "New", "b");
        const std::string before = "Windows Registry Editor Version 5.00\n\n"
                                   "[HKEY_CURRENT_USER\\Software\\A]\n"
                                   "\"Port\"=dword:00000001\n"
                                   "\"Long\"=hex:01,\\\n  02\n"
                                   "\"Other\"=\"kept\"\n"
                                   "\n; about the next key\n"
                                   "[HKEY_CURRENT_USER\\Software\\C]\n";
        QCOMPARE(QString::fromStdString(writer.Apply(before)),
                 QString::fromStdString("Windows Registry Editor Version 5.00\n\n"
                                        "[HKEY_CURRENT_USER\\Software\\A]\n"
                                        "\"port\"=dword:00000185\n"
                                        "\"Long\"=hex:0a,ff\n"
                                        "\"Other\"=\"kept\"\n"
                                        "\"Name\"=\"a \\\"quoted\\\" \\\\ path\"\n"
                                        "\n; about the next key\n"
                                        "[HKEY_CURRENT_USER\\Software\\C]\n"
                                        "\n[HKEY_CURRENT_USER\\Software\\B]\n"
                                        "\"New\"=\"b\"\n"));
    }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
