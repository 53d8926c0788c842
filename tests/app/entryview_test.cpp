// The entry view: what it draws for an entry by the "Entry Display" rules, the rules' loading,
// and its hyperlinks: when they are made, what they open and how they answer the mouse.
#include "Hyperlink.h"
#include "LS_EntryViewConfig.h"
#include "LS_EntryViewCtrl.h"
#include "LS_RHSTabCtrl.h"
#include "entrytesting.h"
#include "support/debugcapture.h"
#include "support/testdata.h"

#include <QDesktopServices>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPointer>
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
        LS_RHSTabCtrl::FromMainFrame()->ShowEntryView();
        view->repaint();
        return view;
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
            QCOMPARE(link->parentWidget(), view);
            QCOMPARE(link->x(), view->contentsRect().left() + LS_EntryViewCtrl::VALUE_LEFT);
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

    void linksAreMadeByTheFirstPaintAfterAnEntryAndMovedByLaterOnes() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = app->GetEntryView();
        LS_RHSTabCtrl::FromMainFrame()->ShowEntryView();
        view->SetEntry(ReadEntry(*app, demo.Server1(), kOlivia).release());
        QVERIFY(view->Links().empty());
        view->repaint();
        QCOMPARE(view->Links().size(), size_t(2));
        const QPointer<Hyperlink> mail = view->Links()[0].get();
        const QPointer<Hyperlink> web = view->Links()[1].get();
        const QRect mailRect = mail->geometry();

        view->repaint();
        QCOMPARE(view->Links().size(), size_t(2));
        QCOMPARE(view->Links()[0].get(), mail.data());
        QCOMPARE(view->Links()[1].get(), web.data());
        QCOMPARE(mail->geometry(), mailRect);
        QCOMPARE(view->findChildren<Hyperlink*>().size(), 2);

        view->SetEntry(ReadEntry(*app, demo.Server1(), kJonah).release());
        QVERIFY(mail.isNull());
        QVERIFY(web.isNull());
        view->repaint();
        QCOMPARE(view->Links().size(), size_t(3));
        QCOMPARE(view->Links()[0]->objectName(), QStringLiteral("9001"));
        QCOMPARE(view->Links()[2]->objectName(), QStringLiteral("9003"));
        QCOMPARE(view->findChildren<Hyperlink*>().size(), 3);
    }

    void aClickOnALinkOpensItOnTheDesktop() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryViewCtrl* view = Show(*app, demo.Server1(), kOlivia);
        UrlCatcher catcher;
        Hyperlink* mail = view->Links()[0].get();
        Hyperlink* web = view->Links()[1].get();
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
        Hyperlink* jonah = view->Links()[0].get();
        QTest::mouseMove(jonah, jonah->rect().center());
        QTest::mouseClick(jonah, Qt::LeftButton, {}, jonah->rect().center());
        QCOMPARE(catcher.opened.last(), QStringLiteral("mailto:jnorth@calder.example"));

        // Directory data is anyone's to write: a link to a local file or program is not opened.
        Hyperlink* shell = view->Links()[1].get();
        DebugCapture capture;
        QTest::mouseMove(shell, shell->rect().center());
        QTest::mouseClick(shell, Qt::LeftButton, {}, shell->rect().center());
        QCOMPARE(catcher.opened.size(), 3);
        QCOMPARE(QString::fromStdString(capture.Joined()), Expected("hyperlink-refused.txt"));

        // An at sign inside a web address does not make it a mail address.
        Hyperlink* social = view->Links()[2].get();
        QTest::mouseMove(social, social->rect().center());
        QTest::mouseClick(social, Qt::LeftButton, {}, social->rect().center());
        QCOMPARE(catcher.opened.last(), QStringLiteral("https://social.calder.example/@jnorth"));
    }
};

QTEST_MAIN(EntryViewTest)
#include "entryview_test.moc"
