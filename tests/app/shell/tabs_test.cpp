// The two tab panes against the demo directory: their pages, the switches a search makes, and
// the Search menu showing a form page with a flash.
#include "access/qdsmanager.h"
#include "forms/qform.h"
#include "forms/qformconfiguration.h"
#include "guitest.h"
#include "model/qstringlist.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "results/LS_EntryListCtrl.h"
#include "results/LS_EntryViewCtrl.h"
#include "results/LS_RHSTabCtrl.h"
#include "search/LS_Button.h"
#include "search/LS_DITCtrl.h"
#include "search/LS_FormEdit.h"
#include "search/LS_FormWin.h"
#include "search/LS_LHSTabCtrl.h"
#include "shell/MainFrm.h"

#include <QAction>
#include <QMenu>
#include <QTabBar>
#include <QtTest>

using larkspur::test::DemoDirectory;

namespace {

const QColor flashColour(0x00, 0x00, 0x7f);

// The background colours a page is painted with, in order.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* page) : page(page) { page->installEventFilter(this); }
    ~PaintRecorder() override { page->removeEventFilter(this); }

    std::vector<QColor> backgrounds;

    // How often the page turned dark blue; one repaint may draw it in several pieces.
    int Flashes() const {
        int flashes = 0;
        QColor previous;
        for (const QColor& colour : backgrounds) {
            flashes += colour == flashColour && previous != flashColour ? 1 : 0;
            previous = colour;
        }
        return flashes;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == page && event->type() == QEvent::Paint) {
            backgrounds.push_back(page->palette().color(QPalette::Window));
        }
        return false;
    }

private:
    QWidget* page;
};

QStringList TabTexts(const QTabWidget* tabs) {
    QStringList texts;
    for (int tab = 0; tab < tabs->count(); ++tab) {
        texts << tabs->tabText(tab);
    }
    return texts;
}

} // namespace

class TabsTest : public larkspur::test::LarkspurGuiTest {
    Q_OBJECT

private:
    DemoDirectory demo;
    std::unique_ptr<CLarkspur32App> app;
    CMainFrame* frame = nullptr;
    LS_LHSTabCtrl* left = nullptr;
    LS_RHSTabCtrl* right = nullptr;

    void StartApp(const QString& registry) {
        app.reset();
        bool started = false;
        app = StartWithRegistry(registry, started);
        QVERIFY(started);
        frame = app->GetMainFrame();
        left = qobject_cast<LS_LHSTabCtrl*>(frame->LHSTabCtrl());
        right = qobject_cast<LS_RHSTabCtrl*>(frame->RHSTabCtrl());
        QVERIFY(left && right);
        // Pages are only drawn at once on a window the screen shows.
        QVERIFY(QTest::qWaitForWindowExposed(frame));
    }

private slots:
    void initTestCase() { QVERIFY(demo.Start()); }

    void init() {
        OpenSandbox();
        StartApp(demo.Registry());
    }

    void cleanup() {
        app.reset();
        CloseSandbox();
    }

    void theLeftPanePagesTheTreeAndEachFormInConfigurationOrder() {
        harrow::QStringList names;
        app->GetDSManager()->FormConfig()->GetFormList(names);
        QStringList expected{QStringLiteral("Browser")};
        for (const std::string& name : names) {
            expected << QString::fromStdString(name);
        }
        QCOMPARE(expected.size(), 5);
        QCOMPARE(TabTexts(left), expected);
        QCOMPARE(left->tabPosition(), QTabWidget::West);
        QCOMPARE(left->objectName(), QStringLiteral("1024"));
        QCOMPARE(left->widget(0), static_cast<QWidget*>(app->GetDITCtrl()));
        QCOMPARE(left->Current(), 0);
        QCOMPARE(left->currentIndex(), 0);
        QCOMPARE(left->FormWins().size(), std::size_t(4));
        for (int page = 1; page < left->count(); ++page) {
            LS_FormWin* form = left->FormWins()[static_cast<std::size_t>(page - 1)].get();
            QCOMPARE(left->widget(page), static_cast<QWidget*>(form));
            QCOMPARE(form->windowTitle(), expected[page]);
            QCOMPARE(form->objectName(), QString::number(page));
            QVERIFY(!form->isVisible());
        }
        QVERIFY(app->GetDITCtrl()->isVisible());
        QCOMPARE(app->GetDITCtrl()->geometry().size(), left->DisplayArea().size());
    }

    void theRightPanePagesTheEntryListAndTheEntryView() {
        QCOMPARE(TabTexts(right),
                 (QStringList{QStringLiteral("Entry List"), QStringLiteral("Entry View")}));
        QCOMPARE(right->tabToolTip(0), QStringLiteral("Entries found in last search"));
        QCOMPARE(right->tabToolTip(1), QStringLiteral("Last requested directory entry"));
        QCOMPARE(right->tabText(0), LS_StringTable::Load(res::IDS_ENTRY_LIST_TAB));
        QCOMPARE(right->widget(0), static_cast<QWidget*>(app->GetEntryList()));
        QCOMPARE(right->widget(1), static_cast<QWidget*>(app->GetEntryView()));
        QCOMPARE(right->currentIndex(), 0);

        right->ShowEntryView();
        QCOMPARE(right->currentIndex(), 1);
        QVERIFY(app->GetEntryView()->isVisible());
        QVERIFY(!app->GetEntryList()->isVisible());
        // A narrower frame narrows the page shown with it.
        frame->resize(frame->width() - 80, frame->height());
        QVERIFY(
            WaitUntil([&] { return app->GetEntryView()->size() == right->DisplayArea().size(); }));
        right->ShowEntryList();
        QCOMPARE(right->currentIndex(), 0);
        QVERIFY(app->GetEntryList()->isVisible());
        QCOMPARE(app->GetEntryList()->size(), right->DisplayArea().size());
    }

    void withoutFormsTheLeftPaneHasOnlyTheBrowser() {
        // A configuration subtree that holds no forms.
        QString registry = demo.Registry();
        registry.replace(QLatin1String(DemoDirectory::kConfigDN),
                         QStringLiteral("ou=Astronomy,o=Calder Observatory,dc=calder,dc=example"));
        StartApp(registry);
        QCOMPARE(TabTexts(left), QStringList{QStringLiteral("Browser")});
        QVERIFY(left->FormWins().empty());
        QCOMPARE(frame->HasSearchMenuPlaceholder(), 1);
    }

    void startingASearchShowsTheTreeAndTheEntryList() {
        right->ShowEntryView();
        left->SelectForm(1, 0);
        LS_FormWin* form = left->FormWins()[0].get();
        QCOMPARE(form->Form()->Name(), std::string("People"));

        // A search that cannot start leaves both panes as they were.
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
        QCOMPARE(left->Current(), 1);
        QCOMPARE(right->currentIndex(), 1);

        form->Rows()[0]->Edit()->setText(QStringLiteral("Holt"));
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
        QCOMPARE(left->Current(), 0);
        QCOMPARE(left->currentIndex(), 0);
        QVERIFY(app->GetDITCtrl()->isVisible());
        QVERIFY(!form->isVisible());
        QCOMPARE(right->currentIndex(), 0);
        QVERIFY(app->GetEntryList()->isVisible());
        QVERIFY(WaitUntil(
            [&] {
                return form->Search() && form->Search()->Finished() == 1 && !frame->IsWorking();
            },
            60000));
        QVERIFY(left->isEnabled() && right->isEnabled());
    }

    void theSearchMenuShowsAFormPageWithAFlash() {
        LS_FormWin* organisations = left->FormWins()[1].get();
        QCOMPARE(organisations->Form()->Name(), std::string("Organisations"));
        QAction* item = SearchMenuCommand(*frame, QStringLiteral("Organisations"));
        QVERIFY(item);
        PaintRecorder paints(organisations);
        item->trigger();
        QCOMPARE(left->Current(), 2);
        QCOMPARE(left->currentIndex(), 2);
        QVERIFY(organisations->isVisible());
        QCOMPARE(organisations->size(), left->DisplayArea().size());
        QCOMPARE(paints.Flashes(), 1);
        // Drawn first on dark blue, then in its own colours again.
        QCOMPARE(paints.backgrounds.front(), flashColour);
        QCOMPARE(paints.backgrounds.back(), left->palette().color(QPalette::Window));
        QCOMPARE(organisations->palette().color(QPalette::Window),
                 left->palette().color(QPalette::Window));
        QVERIFY(!organisations->testAttribute(Qt::WA_SetPalette));
        QVERIFY(SaveScreenshot(frame, QStringLiteral("form-page-from-menu")));

        // The form already shown: nothing happens.
        paints.backgrounds.clear();
        item->trigger();
        Spin(50);
        QCOMPARE(paints.Flashes(), 0);
        QCOMPARE(left->Current(), 2);

        // A tab click switches without a flash and is what the menu then starts from.
        PaintRecorder treePaints(app->GetDITCtrl());
        QTest::mouseClick(left->tabBar(), Qt::LeftButton, Qt::NoModifier,
                          left->tabBar()->tabRect(0).center());
        QCOMPARE(left->Current(), 0);
        QVERIFY(app->GetDITCtrl()->isVisible());
        QVERIFY(!organisations->isVisible());
        item->trigger();
        QCOMPARE(left->Current(), 2);
        QCOMPARE(paints.Flashes(), 1);
        QCOMPARE(treePaints.Flashes(), 0);
    }
};

QTEST_MAIN(TabsTest)
#include "tabs_test.moc"
