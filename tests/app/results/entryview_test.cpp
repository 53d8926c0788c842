// The entry view: what it draws for an entry by the "Entry Display" rules, the rules' loading,
// and its hyperlinks: when they are made, what they open and how they answer the mouse.
#include "entrytesting.h"
#include "platform/LS_FileDialog.h"
#include "platform/Resource.h"
#include "results/Hyperlink.h"
#include "results/LS_EntryViewConfig.h"
#include "results/LS_EntryViewCtrl.h"
#include "results/LS_RHSTabCtrl.h"
#include "support/debugcapture.h"
#include "support/testdata.h"

#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QJsonArray>
#include <QLabel>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPointer>
#include <QScrollBar>
#include <QTextItem>
#include <QtTest>

#include <algorithm>
#include <climits>

using larkspur::test::DebugCapture;
using larkspur::test::DemoDirectory;
using larkspur::test::kJonah;
using larkspur::test::kNell;
using larkspur::test::kOlivia;
using larkspur::test::kPrinter;
using larkspur::test::TestDirectory;

namespace {

// A paint device that keeps the text drawn on it, one line per run of text: where it starts, in
// which of the view's fonts, and what it says. Rendering the view onto it shows what the user
// would read, the hyperlinks included.
class TextRecorder : public QPaintDevice {
public:
    explicit TextRecorder(QSize size) : size(size), engine(*this) {}

    QPaintEngine* paintEngine() const override { return &engine; }

    // The runs in reading order, as "x font text", x counted from the view's content edge.
    QString Transcript(const QPoint& contentOrigin) const {
        std::vector<Run> ordered = runs;
        std::stable_sort(ordered.begin(), ordered.end(),
                         [](const Run& a, const Run& b) { return a.at.y() < b.at.y(); });
        QStringList lines;
        for (const Run& run : ordered) {
            lines << QStringLiteral("%1 %2 %3")
                         .arg(qRound(run.at.x()) - contentOrigin.x())
                         .arg(run.font, run.text);
        }
        return lines.join('\n') + '\n';
    }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return size.width();
        case PdmHeight:
            return size.height();
        case PdmWidthMM:
            return size.width() * 254 / 960;
        case PdmHeightMM:
            return size.height() * 254 / 960;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return 96;
        }
    }

private:
    struct Run {
        QPointF at;
        QString font;
        QString text;
    };

    class Engine : public QPaintEngine {
    public:
        explicit Engine(TextRecorder& recorder) : QPaintEngine(AllFeatures), recorder(recorder) {}

        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return User; }
        void updateState(const QPaintEngineState& state) override {
            if (state.state() & DirtyTransform) {
                transform = state.transform();
            }
        }
        void drawTextItem(const QPointF& at, const QTextItem& item) override {
            recorder.runs.push_back({transform.map(at), FontName(item.font()), item.text()});
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPath(const QPainterPath&) override {}
        void drawRects(const QRectF*, int) override {}
        void drawLines(const QLineF*, int) override {}

    private:
        static QString FontName(const QFont& font) {
            if (font.underline()) {
                return QStringLiteral("link");
            }
            if (font.pixelSize() == 32 && font.bold()) {
                return QStringLiteral("title");
            }
            return font.bold() ? QStringLiteral("bold") : QStringLiteral("normal");
        }

        TextRecorder& recorder;
        QTransform transform;
    };

    QSize size;
    mutable Engine engine;
    std::vector<Run> runs;
};

// Takes the URLs the desktop is asked to open instead of opening them.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    UrlCatcher() {
        for (const char* scheme : {"mailto", "http", "https", "file", "ftp"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
        }
    }
    ~UrlCatcher() override {
        for (const char* scheme : {"mailto", "http", "https", "file", "ftp"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }

    QStringList opened;

public slots:
    void Open(const QUrl& url) { opened << url.toString(); }
};

QString Expected(const char* name) {
    return QString::fromStdString(
        larkspur::test::ReadFile(larkspur::test::TestDataPath(std::string("app/") + name)));
}

} // namespace

class EntryViewTest : public larkspur::test::EntryGuiTest {
    Q_OBJECT

private:
    DemoDirectory demo;

    // Reads dn into the view, shows the view's page and lets it paint once.
    static LS_EntryViewCtrl* Show(CLarkspur32App& app, TestDirectory& server,
                                  const std::string& dn) {
        LS_EntryViewCtrl* view = app.GetEntryView();
        view->SetEntry(ReadEntry(app, server, dn).release());
        app.ShowEntryView();
        view->repaint();
        return view;
    }

    // The line of the page that shows the text, or null.
    static QLabel* Line(LS_EntryViewCtrl* view, const QString& text) {
        for (QLabel* line : view->Page()->findChildren<QLabel*>()) {
            if (line->text() == text) {
                return line;
            }
        }
        return nullptr;
    }

    static QString Transcript(LS_EntryViewCtrl* view) {
        TextRecorder recorder(view->size());
        view->render(&recorder);
        return recorder.Transcript(view->contentsRect().topLeft());
    }

private slots:
    void initTestCase() {
        QVERIFY(demo.Start());
        QVERIFY(AddTestEntries(demo.Server1()));
    }
    void init() { OpenSandbox(); }
    void cleanup() { CloseSandbox(); }

    void aPersonIsDrawnWithTitleLabelsValuesAndLinks() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), kOlivia);
        QCOMPARE(Transcript(view), Expected("entryview-olivia.txt"));

        const auto& links = view->Links();
        QCOMPARE(links.size(), size_t(2));
        QCOMPARE(links[0]->Text(), QStringLiteral("oholt@calder.example"));
        QCOMPARE(links[0]->URL(), QStringLiteral("mailto:oholt@calder.example"));
        QCOMPARE(links[0]->objectName(), QStringLiteral("9001"));
        QCOMPARE(links[1]->Text(), QStringLiteral("Home page"));
        QCOMPARE(links[1]->URL(), QStringLiteral("https://www.calder.example/~oholt"));
        QCOMPARE(links[1]->objectName(), QStringLiteral("9002"));
        for (const auto& link : links) {
            QVERIFY(link->isVisible());
            QCOMPARE(link->parentWidget(), view->Page());
            QCOMPARE(link->x(), LS_EntryViewCtrl::VALUE_LEFT);
            QCOMPARE(link->LinkColour(), QColor(0x00, 0x00, 0x8f));
            QCOMPARE(link->BackColour(), QColor(0xff, 0xff, 0xff));
            QCOMPARE(link->HoverColour(), QColor(0x00, 0x8f, 0x00));
            QCOMPARE(link->LinkFont().family(), QStringLiteral("Arial"));
            QCOMPARE(link->LinkFont().pixelSize(), 14);
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        }
        QVERIFY(links[0]->y() < links[1]->y());
        QVERIFY(SaveScreenshot(app->GetMainFrame(), "entry-view"));
    }

    void objectClassesAreTriedInTheEntrysOrderAndLinesAreTrimmed() {
        // Nell's classes read top, person, organizationalPerson: the rules of person apply,
        // although organizationalPerson's come first in the registry; her description's lines
        // are drawn one by one, trimmed.
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), kNell);
        QCOMPARE(Transcript(view), Expected("entryview-nell.txt"));
        QVERIFY(view->Links().empty());
    }

    void anRDNItemOutsideTheRDNFallsBackToTheValuesWithoutALabel() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), kJonah);
        QCOMPARE(Transcript(view), Expected("entryview-jonah.txt"));
        QCOMPARE(view->Links().size(), size_t(3));
        QCOMPARE(view->Links()[0]->URL(), QStringLiteral("jnorth@calder.example"));
        QCOMPARE(view->Links()[1]->URL(), QStringLiteral("file:///bin/sh"));
        QCOMPARE(view->Links()[2]->URL(), QStringLiteral("https://social.calder.example/@jnorth"));
    }

    void anEntryWithoutRulesShowsAnEmptyPage() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), kPrinter);
        QVERIFY(view->Entry());
        QCOMPARE(Transcript(view), QStringLiteral("\n"));
        QVERIFY(view->Links().empty());
    }

    void unknownClassesTypesAndKeywordsInTheRulesAreLeftOut() {
        const QStringList rules = {
            QStringLiteral("\"Object Classes\"=\"noSuchClass;person;inetOrgPerson\""),
            QStringLiteral("\"person\"=\"cn:rdn:Title;noSuchType:shellex;telephoneNumber\""),
            QStringLiteral("\"noSuchClass\"=\"cn\""),
        };
        DebugCapture capture;
        const auto app =
            StartWithRegistry(WithKey(demo.Registry(), QStringLiteral("Entry Display"), rules));
        QVERIFY(app->GetMainFrame());
        QVERIFY(Boxes().empty());
        std::string diagnostics;
        for (const std::string& message : capture.Messages()) {
            if (message.find("Entry Display") != std::string::npos ||
                message.find("registry value") != std::string::npos) {
                diagnostics += message;
            }
        }
        QCOMPARE(QString::fromStdString(diagnostics), Expected("entryview-bad-rules.txt"));

        const auto& classes = app->GetConfiguration()->GetEntryViewConfig()->Classes();
        QCOMPARE(classes.size(), size_t(1));
        // "Title" is no keyword: the name comes from the RDN in the normal font.
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), kNell);
        QCOMPARE(Transcript(view), QStringLiteral("12 normal Nell Carter\n"
                                                  "12 bold Telephone Number\n"
                                                  "24 normal +44 131 496 0 160\n"));
        // inetOrgPerson's rules could not be read, so Olivia has none.
        view = Show(*app, demo.Server1(), kOlivia);
        QCOMPARE(Transcript(view), QStringLiteral("\n"));
    }

    void linksAreMadeWithTheEntryKeptByPaintsAndReplacedByTheNextEntry() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = app->GetEntryView();
        app->ShowEntryView();
        view->SetEntry(ReadEntry(*app, demo.Server1(), kOlivia).release());
        QCOMPARE(view->Links().size(), size_t(2));
        const QPointer<Hyperlink> mail = view->Links()[0];
        const QPointer<Hyperlink> web = view->Links()[1];
        const QRect mailRect = mail->geometry();

        view->repaint();
        QCOMPARE(view->Links().size(), size_t(2));
        QCOMPARE(view->Links()[0], mail.data());
        QCOMPARE(view->Links()[1], web.data());
        QCOMPARE(mail->geometry(), mailRect);
        QCOMPARE(view->findChildren<Hyperlink*>().size(), 2);

        view->SetEntry(ReadEntry(*app, demo.Server1(), kJonah).release());
        QVERIFY(mail.isNull());
        QVERIFY(web.isNull());
        QCOMPARE(view->Links().size(), size_t(3));
        QCOMPARE(view->Links()[0]->objectName(), QStringLiteral("9001"));
        QCOMPARE(view->Links()[2]->objectName(), QStringLiteral("9003"));
        QCOMPARE(view->findChildren<Hyperlink*>().size(), 3);
    }

    void aClickOnALinkOpensItOnTheDesktop() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), kOlivia);
        UrlCatcher catcher;
        Hyperlink* mail = view->Links()[0];
        Hyperlink* web = view->Links()[1];
        const QPoint middle = mail->rect().center();

        // A press that did not come over the link opens nothing.
        QTest::mouseClick(mail, Qt::LeftButton, {}, middle);
        QVERIFY(catcher.opened.isEmpty());

        QTest::mouseMove(mail, middle);
        QVERIFY(mail->IsHovering());
        QTest::mouseClick(mail, Qt::RightButton, {}, middle);
        QVERIFY(!mail->IsHovering());
        QVERIFY(catcher.opened.isEmpty());

        QTest::mouseMove(mail, middle + QPoint(1, 0));
        QVERIFY(mail->IsHovering());
        QTest::mouseClick(mail, Qt::LeftButton, {}, middle);
        QVERIFY(!mail->IsHovering());
        QTest::mouseMove(web, web->rect().center());
        QTest::mouseClick(web, Qt::LeftButton, {}, web->rect().center());
        QCOMPARE(catcher.opened,
                 QStringList({"mailto:oholt@calder.example", "https://www.calder.example/~oholt"}));

        // A mail address is opened as one even where the attribute is no mail attribute.
        view = Show(*app, demo.Server1(), kJonah);
        Hyperlink* jonah = view->Links()[0];
        QTest::mouseMove(jonah, jonah->rect().center());
        QTest::mouseClick(jonah, Qt::LeftButton, {}, jonah->rect().center());
        QCOMPARE(catcher.opened.last(), QStringLiteral("mailto:jnorth@calder.example"));

        // Directory data is anyone's to write: a link to a local file or program is not opened.
        Hyperlink* shell = view->Links()[1];
        DebugCapture capture;
        QTest::mouseMove(shell, shell->rect().center());
        QTest::mouseClick(shell, Qt::LeftButton, {}, shell->rect().center());
        QCOMPARE(catcher.opened.size(), 3);
        QCOMPARE(QString::fromStdString(capture.Joined()), Expected("hyperlink-refused.txt"));
        // The user is told, not left wondering.
        QCOMPARE(StatusText(*app), QStringLiteral("Could not open 'file:///bin/sh': no program "
                                                  "on this computer opens it."));

        // An at sign inside a web address does not make it a mail address.
        Hyperlink* social = view->Links()[2];
        QTest::mouseMove(social, social->rect().center());
        QTest::mouseClick(social, Qt::LeftButton, {}, social->rect().center());
        QCOMPARE(catcher.opened.last(), QStringLiteral("https://social.calder.example/@jnorth"));
    }

    void theSelectionAValueAndTheDNAreCopied() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), kOlivia);
        QClipboard* clipboard = QApplication::clipboard();
        QAction* copy = app->GetMainFrame()->Action(res::ID_EDIT_COPY);
        QVERIFY(copy->isEnabled());
        QCOMPARE(copy->shortcut(), QKeySequence(QKeySequence::Copy));

        // A right click on a value copies the whole value.
        QLabel* fellow = Line(view, QStringLiteral("Research Fellow"));
        QVERIFY(fellow);
        QVERIFY(fellow->textInteractionFlags() & Qt::TextSelectableByMouse);
        QVERIFY(ChooseFromContextMenu(fellow, QPoint(3, 3), QStringLiteral("Copy Value")));
        QCOMPARE(clipboard->text(), QStringLiteral("Research Fellow"));
        QVERIFY(
            ChooseFromContextMenu(view->Links()[0], QPoint(2, 2), QStringLiteral("Copy Value")));
        QCOMPARE(clipboard->text(), QStringLiteral("oholt@calder.example"));
        // With nothing selected the menu offers no selection to copy.
        QVERIFY(!ChooseFromContextMenu(fellow, QPoint(3, 3), QStringLiteral("Copy")));
        QVERIFY(ChooseFromContextMenu(fellow, QPoint(3, 3), QStringLiteral("Copy DN")));
        const QString dn =
            QStringLiteral("cn=Olivia Holt, ou=Physics, o=Calder Institute, dc=calder, dc=example");
        QCOMPARE(clipboard->text(), dn);

        // Part of the title selected, Edit > Copy takes the selection, and so does the menu.
        QLabel* title = Line(view, QStringLiteral("Olivia Holt"));
        title->setSelection(0, 6);
        clipboard->clear();
        copy->trigger();
        QCOMPARE(clipboard->text(), QStringLiteral("Olivia"));
        clipboard->clear();
        QVERIFY(ChooseFromContextMenu(fellow, QPoint(3, 3), QStringLiteral("Copy")));
        QCOMPARE(clipboard->text(), QStringLiteral("Olivia"));

        // Without a selection Edit > Copy takes the value with the focus, else the DN.
        title->setSelection(0, 0);
        app->GetMainFrame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app->GetMainFrame()));
        view->Links()[1]->setFocus(Qt::OtherFocusReason);
        QCOMPARE(QApplication::focusWidget(), view->Links()[1]);
        copy->trigger();
        QCOMPARE(clipboard->text(), QStringLiteral("https://www.calder.example/~oholt"));
        app->GetMainFrame()->setFocus(Qt::OtherFocusReason);
        copy->trigger();
        QCOMPARE(clipboard->text(), dn);
    }

    void linksAreReachedWithTabAndOpenedWithEnter() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), kOlivia);
        CMainFrame* frame = app->GetMainFrame();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        UrlCatcher catcher;
        Line(view, QStringLiteral("Olivia Holt"))->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(frame->windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view->Links()[0]);
        QTest::keyClick(frame->windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view->Links()[1]);
        QTest::keyClick(frame->windowHandle(), Qt::Key_Return);
        QCOMPARE(catcher.opened, QStringList({"https://www.calder.example/~oholt"}));
        QTest::keyClick(frame->windowHandle(), Qt::Key_Tab, Qt::ShiftModifier);
        QTest::keyClick(frame->windowHandle(), Qt::Key_Enter);
        QCOMPARE(catcher.opened.last(), QStringLiteral("mailto:oholt@calder.example"));
    }

    void aLinkNoProgramOpensIsReportedInTheStatusBar() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), kOlivia);
        // No desktop handler is set up on the test's screen, as on a bare machine.
        Hyperlink* web = view->Links()[1];
        QTest::mouseMove(web, web->rect().center());
        QTest::mouseClick(web, Qt::LeftButton, {}, web->rect().center());
        QCOMPARE(StatusText(*app),
                 QStringLiteral("Could not open 'https://www.calder.example/~oholt': no program "
                                "on this computer opens it."));
    }

    void photosAreShownBesideTheTitleAtMost128PixelsHigh() {
        // A portrait taller than the view allows, stored as PNG in a jpegPhoto value.
        QImage tall(200, 400, QImage::Format_RGB32);
        tall.fill(QColor(0x40, 0x80, 0xc0));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(tall.save(&buffer, "PNG"));
        const std::string dn =
            "cn=Tall Portrait,ou=Physics,o=Calder Institute,dc=calder,dc=example";
        QVERIFY(demo.Server1().ApplyLdif("dn: " + dn +
                                         "\nobjectClass: inetOrgPerson\ncn: Tall Portrait\nsn: "
                                         "Portrait\njpegPhoto:: " +
                                         png.toBase64().toStdString() + "\n"));

        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), dn);
        QLabel* photo = view->Photo();
        QVERIFY(photo);
        QCOMPARE(photo->pixmap().deviceIndependentSize().toSize(), QSize(64, 128));
        QCOMPARE(photo->size(), QSize(64, 128));
        QLabel* title = Line(view, QStringLiteral("Tall Portrait"));
        QCOMPARE(photo->y(), LS_EntryViewCtrl::LINE_LEFT);
        QVERIFY(photo->x() > title->geometry().right());
        QVERIFY(view->Page()->height() > photo->geometry().bottom());
        // The picture's bytes are never shown as text.
        QCOMPARE(Transcript(view), QStringLiteral("12 title Tall Portrait\n"));

        // A demo portrait, smaller than the limit, keeps its size.
        view = Show(*app, demo.Server1(),
                    "cn=Francis Rahman,ou=Chemistry,o=Calder Institute,dc=calder,dc=example");
        QVERIFY(view->Photo());
        QCOMPARE(view->Photo()->pixmap().deviceIndependentSize().toSize(), QSize(96, 120));
        QVERIFY(SaveScreenshot(app->GetMainFrame(), "entry-view-photo"));
        view = Show(*app, demo.Server1(), kOlivia);
        QVERIFY(!view->Photo());
    }

    void aLongEntryScrolls() {
        std::string ldif =
            "dn: cn=Many Numbers,ou=Physics,o=Calder Institute,dc=calder,dc=example\n"
            "objectClass: inetOrgPerson\ncn: Many Numbers\nsn: Numbers\n";
        for (int number = 0; number < 40; ++number) {
            ldif += "telephoneNumber: +44 131 496 1 " + std::to_string(100 + number) + "\n";
        }
        ldif += "mail: many@calder.example\n";
        QVERIFY(demo.Server1().ApplyLdif(ldif));
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view =
            Show(*app, demo.Server1(),
                 "cn=Many Numbers,ou=Physics,o=Calder Institute,dc=calder,dc=example");
        QVERIFY(view->Page()->height() > view->viewport()->height());
        QVERIFY(view->verticalScrollBar()->maximum() > 0);
        // The mail link below the numbers is scrolled into sight when it takes the focus.
        Hyperlink* mail = view->Links()[0];
        mail->setFocus(Qt::TabFocusReason);
        view->ensureWidgetVisible(mail);
        QVERIFY(view->verticalScrollBar()->value() > 0);
        QVERIFY(view->viewport()->rect().contains(
            mail->mapTo(view->viewport(), mail->rect().center())));
    }

    void theEntryShownIsSavedAsAVCard() {
        const auto app = StartWithRegistry(demo.Registry());
        CMainFrame* frame = app->GetMainFrame();
        QAction* save = frame->Action(res::ID_FILE_SAVE_VCARD);
        QVERIFY(!save->isEnabled());
        Show(*app, demo.Server1(), kOlivia);
        QVERIFY(save->isEnabled());
        QString suggested;
        const QString path = SandboxPath(QStringLiteral("olivia.vcf"));
        const auto previous = LS_FileDialog::SetChooser([&](const LS_FileDialog::Request& request) {
            suggested = request.suggestedName;
            return path;
        });
        save->trigger();
        QCOMPARE(suggested, QStringLiteral("Olivia Holt.vcf"));
        QCOMPARE(ReadBack(QStringLiteral("vcard"), path).toJson(QJsonDocument::Compact),
                 QByteArray(R"([["BEGIN",[],"VCARD"],["VERSION",[],"4.0"],)"
                            R"(["FN",[],"Olivia Holt"],["N",[],"Holt;Olivia;;;"],)"
                            R"(["ORG",[],"Calder Institute;Physics"],)"
                            R"(["TITLE",[],"Research Fellow"],)"
                            R"(["EMAIL",["TYPE=work"],"oholt@calder.example"],)"
                            R"(["TEL",["TYPE=work,voice"],"+44 131 496 0 100"],)"
                            R"(["URL",[],"https://www.calder.example/~oholt"],)"
                            R"(["END",[],"VCARD"]])"));

        // An address over several lines, and a photo, folded over many short lines.
        Show(*app, demo.Server1(), kNell);
        const QString nellPath = SandboxPath(QStringLiteral("nell.vcf"));
        LS_FileDialog::SetChooser([&](const LS_FileDialog::Request&) { return nellPath; });
        save->trigger();
        const QJsonArray nell = ReadBack(QStringLiteral("vcard"), nellPath).array();
        // The lines of the address are escaped newlines of one component.
        QVERIFY2(nell.contains(QJsonArray{"ADR", QJsonArray{"TYPE=work"},
                                          R"(;;12 Harbour Road\nLeith\nEdinburgh;;;;)"}),
                 QJsonDocument(nell).toJson().constData());
        QVERIFY(nell.contains(QJsonArray{"FN", QJsonArray{}, "Nell Carter"}));

        const std::string francis =
            "cn=Francis Rahman,ou=Chemistry,o=Calder Institute,dc=calder,dc=example";
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), francis);
        const QString francisPath = SandboxPath(QStringLiteral("francis.vcf"));
        LS_FileDialog::SetChooser([&](const LS_FileDialog::Request&) { return francisPath; });
        save->trigger();
        LS_FileDialog::SetChooser(previous);
        QString photo;
        for (const QJsonValue property : ReadBack(QStringLiteral("vcard"), francisPath).array()) {
            if (property.toArray()[0] == QStringLiteral("PHOTO")) {
                photo = property.toArray()[2].toString();
            }
        }
        const QString prefix = QStringLiteral("data:image/jpeg;base64,");
        QVERIFY(photo.startsWith(prefix));
        QImage decoded;
        QVERIFY(decoded.loadFromData(QByteArray::fromBase64(photo.mid(prefix.size()).toLatin1())));
        QCOMPARE(decoded.size(), view->Photo()->pixmap().deviceIndependentSize().toSize());
    }
};

QTEST_MAIN(EntryViewTest)
#include "entryview_test.moc"
