// Signing in to a directory that refuses anonymous readers: the start-up password dialog driven
// through its widgets, a start-up that loads the forms with the password, a refused password,
// and the password in no file the program writes.
#include "forms/configdirectory.h"
#include "forms/qformsearch.h"
#include "guitest.h"
#include "search/LS_Button.h"
#include "search/LS_FormEdit.h"
#include "search/LS_FormFieldRow.h"
#include "search/LS_FormWin.h"
#include "search/LS_LHSTabCtrl.h"
#include "shell/LS_PasswordDialog.h"
#include "shell/LS_StatusBar.h"
#include "shell/MainFrm.h"
#include "support/testdata.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using larkspur::test::TestDirectory;

namespace {

std::string Person(const std::string& name) {
    return "dn: cn=" + name + ",ou=People,o=Home,c=GB\nobjectClass: inetOrgPerson\ncn: " + name +
           "\nsn: Reed\n\n";
}

const QString rightPassword = QStringLiteral("Lark-spur 42");
const QString wrongPassword = QStringLiteral("Wrong-Guess 7");

// Types the password into the dialog and presses its button, as a user would.
void Answer(LS_PasswordDialog& dialog, const QString& password, bool remember) {
    auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("password"));
    QVERIFY(field);
    QCOMPARE(field->echoMode(), QLineEdit::Password);
    QTest::keyClicks(field, password);
    auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("remember"));
    QVERIFY(box);
    if (remember && box->isVisibleTo(&dialog)) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(2, box->height() / 2));
    }
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QVERIFY(buttons);
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

// Answers the program's password dialog once it is shown.
class DialogAnswerer : public QObject {
public:
    explicit DialogAnswerer(QString password) : m_password(std::move(password)) {
        connect(&m_timer, &QTimer::timeout, this, &DialogAnswerer::Look);
        m_timer.start(20);
    }
    int answered = 0;

private:
    void Look() {
        auto* dialog = qobject_cast<LS_PasswordDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        ++answered;
        Answer(*dialog, m_password, false);
    }

    QString m_password;
    QTimer m_timer;
};

} // namespace

class SignInTest : public larkspur::test::LarkspurGuiTest {
    Q_OBJECT

private slots:
    void init() { OpenSandbox(); }
    void cleanup() { CloseSandbox(); }

    void DialogMasksThePasswordAndOffersTheKeyringOnlyWhereThereIsOne() {
        LS_PasswordDialog withKeyring(QStringLiteral("cn=Reader,o=Home,c=GB"),
                                      QStringLiteral("ldap.example"), true);
        withKeyring.show();
        QVERIFY(withKeyring.findChild<QCheckBox*>(QStringLiteral("remember"))->isVisible());
        Answer(withKeyring, rightPassword, true);
        QCOMPARE(withKeyring.result(), int(QDialog::Accepted));
        QCOMPARE(withKeyring.Password(), rightPassword);
        QVERIFY(withKeyring.RememberInKeyring());
        QVERIFY(SaveScreenshot(&withKeyring, QStringLiteral("password-dialog")));

        LS_PasswordDialog withoutKeyring(QStringLiteral("cn=Reader,o=Home,c=GB"),
                                         QStringLiteral("ldap.example"), false);
        withoutKeyring.show();
        QVERIFY(!withoutKeyring.findChild<QCheckBox*>(QStringLiteral("remember"))->isVisible());
        Answer(withoutKeyring, rightPassword, true);
        QVERIFY(!withoutKeyring.RememberInKeyring());
    }

    // Signs in with the password typed into the dialog, and with "Page Size" 0 a search the
    // server stops at its size limit ends with the incomplete note.
    void StartUpAsksForThePasswordAndSignsIn() {
        TestDirectory home("o=Home,c=GB");
        home.RequireSignIn(rightPassword.toStdString());
        home.AddGlobalConfig("sizelimit size.soft=2 size.hard=2 size.prtotal=unlimited");
        QVERIFY(home.Start());
        StartHome(home, QStringLiteral("\"Page Size\"=dword:00000000\n"));
        QVERIFY(home.ApplyLdif(Person("Anna Reed") + Person("Ben Reed") + Person("Cal Reed")));
        const QString logPath = SandboxPath(QStringLiteral("larkspur.log"));

        DialogAnswerer answerer(rightPassword);
        bool started = false;
        auto app = Start({"-nosplash", "-logfile", logPath.toStdString()}, started);
        QCOMPARE(answerer.answered, 1);
        QVERIFY(started);
        QVERIFY(SearchMenuCommand(*app->GetMainFrame(), QStringLiteral("People")));
        QCOMPARE(app->PageSize(), 0);

        auto* left = app->LeftTabs();
        QVERIFY(left && left->FormWins().size() == 1);
        left->SelectForm(1, 0);
        LS_FormWin* form = left->FormWins().front().get();
        LS_FormEdit* name = form->Rows().front()->Edit();
        name->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(name, QStringLiteral("Reed"));
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
        QVERIFY(WaitUntil([&] {
            return form->Search() && form->Search()->Finished() == 1 &&
                   !app->GetMainFrame()->IsWorking();
        }));
        QCOMPARE(app->GetMainFrame()->StatusBar()->PaneText(0),
                 QStringLiteral("The search returned 2 matches; the directory stopped it early, "
                                "so there may be more."));
        app.reset();

        for (const QString& written : {logPath, RegistryPath()}) {
            QFile file(written);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(!file.readAll().contains(rightPassword.toUtf8()), qPrintable(written));
        }
    }

    void AWrongPasswordIsRefusedAsSuch() {
        TestDirectory home("o=Home,c=GB");
        home.RequireSignIn(rightPassword.toStdString());
        QVERIFY(home.Start());
        StartHome(home);

        DialogAnswerer answerer(wrongPassword);
        bool started = false;
        auto app = Start({"-nosplash"}, started);
        QVERIFY(!started);
        QCOMPARE(int(Boxes().size()), 1);
        QVERIFY2(Boxes().front().text.endsWith(
                     QStringLiteral("The directory refused the name or password.")),
                 qPrintable(Boxes().front().text));
    }

private:
    // The forms on the server and a registry that signs in to it.
    void StartHome(TestDirectory& home, const QString& moreSettings = QString()) {
        const std::string url = home.Url();
        QVERIFY(larkspur::test::ApplyConfiguration(
            home, larkspur::test::TestDataPath("forms/secure/config.ldif"),
            {{"@HOME_URL@", url}, {"@SUFFIX@", home.Suffix()}}));
        // The demo's registry, pointed at this server with a bind DN.
        QString registry = QString::fromStdString(
            larkspur::test::ReadFile(larkspur::test::DataPath("demo/Larkspur.reg.in")));
        registry.replace(QStringLiteral("ou=Larkspur Forms,dc=calder,dc=example"),
                         QStringLiteral("ou=Forms,o=Home,c=GB"));
        registry.replace(QStringLiteral("@HOST@"), QString::fromUtf8(TestDirectory::kHost));
        registry.replace(QStringLiteral("dword:@SERVER1_PORT_HEX@"),
                         QString::asprintf("dword:%08x\n\"Bind DN\"=\"%s\"\n", home.Port(),
                                           home.ReaderDN().c_str()) +
                             moreSettings);
        WriteRegistry(registry);
    }

    QString RegistryPath() const {
        return qEnvironmentVariable("XDG_CONFIG_HOME") +
               QStringLiteral("/Calder Institute/Larkspur.reg");
    }
};

QTEST_MAIN(SignInTest)
#include "signin_test.moc"
