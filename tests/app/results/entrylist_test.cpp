// The entry list: its columns from the registry, what each cell shows, rows newest first, a broken
// column configuration, and reading an entry by double-clicking its row.
#include "entrytesting.h"
#include "platform/LS_FileDialog.h"
#include "platform/LS_IconStrip.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "results/LS_EntryListCtrl.h"
#include "results/LS_EntryViewCtrl.h"
#include "results/LS_RHSTabCtrl.h"
#include "search/LS_Button.h"
#include "search/LS_FormEdit.h"
#include "search/LS_FormWin.h"
#include "search/LS_LHSTabCtrl.h"
#include "support/debugcapture.h"
#include "support/testdata.h"

#include "access/qbindmanager.h"
#include "forms/qform.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QSignalSpy>
#include <QtTest>

using larkspur::test::DebugCapture;
using larkspur::test::DemoDirectory;
using larkspur::test::kJonah;
using larkspur::test::kNell;
using larkspur::test::kOlivia;
using larkspur::test::kPrinter;

namespace {

const char* const kFiona =
    "cn=Fiona Fairbairn,ou=Research,o=Fenwick Laboratories,dc=fenwick,dc=example";

// Columns that tell the RDN rule's cases apart: a type in and out of the RDN, with and without
// the flag, a column no entry has, and a flag followed by a part that is ignored.
const QStringList kRuleColumns = {
    QStringLiteral("\"Column List\"=\"Name,Common Name,Surname,E-mail,User\""),
    QStringLiteral("\"Name\"=\"cn:RDN\""),
    QStringLiteral("\"Common Name\"=\"cn\""),
    QStringLiteral("\"Surname\"=\"sn\""),
    QStringLiteral("\"E-mail\"=\"mail:RDN\""),
    QStringLiteral("\"User\"=\"uid:RDN:ignored\""),
};

QStringList RowTexts(const LS_EntryListCtrl* list, int row) {
    QStringList texts;
    for (int column = 0; column < list->Model()->columnCount(); ++column) {
        texts << list->Model()->index(row, column).data().toString();
    }
    return texts;
}

QStringList HeaderTexts(const LS_EntryListCtrl* list) {
    QStringList texts;
    for (int column = 0; column < list->Model()->columnCount(); ++column) {
        texts << list->Model()->headerData(column, Qt::Horizontal).toString();
    }
    return texts;
}

// The first row whose first cell reads text, or -1.
int RowNamed(const LS_EntryListCtrl* list, const QString& text) {
    for (int row = 0; row < list->Model()->rowCount(); ++row) {
        if (list->Model()->ColumnText(row, 0) == text) {
            return row;
        }
    }
    return -1;
}

QStringList ColumnTexts(const LS_EntryListCtrl* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->Model()->rowCount(); ++row) {
        texts << list->Model()->ColumnText(row, column);
    }
    return texts;
}

void ClickHeader(LS_EntryListCtrl* list, int column) {
    QHeaderView* header = list->header();
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
}

QImage Picture(const QIcon& icon) {
    return icon.pixmap(LS_IconStrip::IMAGE_WIDTH, LS_IconStrip::IMAGE_HEIGHT).toImage();
}

QImage RowPicture(const LS_EntryListCtrl* list, int row) {
    return Picture(list->Model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>());
}

// Whether the entry's DN names the same entry as the text, however either is spelt.
bool HasDN(const harrow::QEntry* entry, const std::string& text) {
    harrow::QDN expected;
    expected.SetDN(entry->DN().DS(), entry->DN().GetConnID(), text);
    return entry->DN() == expected;
}

// The diagnostics about one registry key, in the order written.
QString DiagnosticsAbout(const DebugCapture& capture, const std::string& key) {
    std::string text;
    for (const std::string& message : capture.Messages()) {
        if (message.find(key) != std::string::npos) {
            text += message;
        }
    }
    return QString::fromStdString(text);
}

} // namespace

class EntryListTest : public larkspur::test::EntryGuiTest {
    Q_OBJECT

private:
    DemoDirectory demo;

    // The list holding Olivia and Nell, read in that order: Nell's row is on top.
    std::unique_ptr<CLarkspur32App> StartWithTwoRows() {
        auto app = StartWithRegistry(demo.Registry());
        auto entries = ReadEntries(*app, demo.Server1(), {kOlivia, kNell});
        if (!ShowEntries(app->GetEntryList(), entries)) {
            qWarning("The rows did not appear");
        }
        return app;
    }

private slots:
    void initTestCase() {
        QVERIFY(demo.Start());
        QVERIFY(AddTestEntries(demo.Server1()));
    }
    void init() { OpenSandbox(); }
    void cleanup() {
        // A failed check must not leave the server frozen for the tests after it.
        if (demo.Server1().IsPaused()) {
            QVERIFY(demo.Server1().Resume());
        }
        CloseSandbox();
    }

    void aSearchFillsTheDemoColumns() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryListCtrl* list = app->GetEntryList();
        QCOMPARE(HeaderTexts(list),
                 QStringList({"Name", "Department", "Organisation", "Telephone", "E-mail"}));
        for (int column = 0; column < list->Model()->columnCount(); ++column) {
            QCOMPARE(list->columnWidth(column), LS_EntryListCtrl::COLUMN_WIDTH);
        }
        QVERIFY(Boxes().empty());

        LS_FormWin* people = app->LeftTabs()->FormWins().front().get();
        QCOMPARE(people->Form()->Name(), std::string("People"));
        app->LeftTabs()->SelectForm(1, 0);
        QTest::keyClicks(people->Rows()[1]->Edit(), QStringLiteral("Physics"));
        QTest::mouseClick(people->SearchButton(), Qt::LeftButton);
        QVERIFY(WaitUntil([&] { return people->Search() && people->Search()->Finished(); }));
        QVERIFY(WaitUntil([&] { return !app->GetMainFrame()->IsWorking(); }));

        // The demo's Physics department has four people, all at Calder.
        QVERIFY(WaitUntil([&] { return list->Model()->rowCount() == 4; }));
        QCOMPARE(list->Model()->PendingCount(), 0);
        const int olivia = RowNamed(list, "Olivia Holt");
        QVERIFY(olivia >= 0);
        QCOMPARE(RowTexts(list, olivia),
                 QStringList({"Olivia Holt", "Physics", "Calder Institute", "+44 131 496 0 100",
                              "oholt@calder.example"}));
        QCOMPARE(RowPicture(list, olivia),
                 Picture(LS_IconStrip::ImageList()[LS_IconStrip::PERSON]));
        QVERIFY(SaveScreenshot(app->GetMainFrame(), "entry-list"));
    }

    void cellsFollowTheRDNRuleAndRowsComeNewestFirst() {
        const auto app = StartWithRegistry(
            WithKey(demo.Registry(), QStringLiteral("Entry List Columns"), kRuleColumns));
        LS_EntryListCtrl* list = app->GetEntryList();
        auto entries = ReadEntries(*app, demo.Server1(), {kOlivia, kNell, kJonah, kPrinter});
        QCOMPARE(entries.GetCount(), size_t(4));
        QVERIFY(ShowEntries(list, entries));

        QCOMPARE(list->Model()->rowCount(), 4);
        // A column with the flag shows the RDN's value, not the first one stored (Nell); without
        // the type in the RDN it shows the entry's own value (Jonah, Olivia's user id), or, when
        // the entry has none, the RDN's friendly text. Without the flag a missing value leaves
        // the cell empty (the printer's surname).
        QCOMPARE(RowTexts(list, 0),
                 QStringList({"Printer", "Printer", "", "Leith, Printer", "Leith, Printer"}));
        QCOMPARE(RowTexts(list, 1),
                 QStringList({"Jonah North", "Jonah North", "North", "jnorth", "jnorth"}));
        QCOMPARE(RowTexts(list, 2), QStringList({"Nell Carter", "Eleanor Carter", "Carter",
                                                 "Nell Carter", "Nell Carter"}));
        QCOMPARE(RowTexts(list, 3), QStringList({"Olivia Holt", "Olivia Holt", "Holt",
                                                 "oholt@calder.example", "oholt"}));

        const std::vector<std::string> newestFirst = {kPrinter, kJonah, kNell, kOlivia};
        for (int row = 0; row < 4; ++row) {
            QVERIFY(HasDN(list->EntryAt(row), newestFirst[static_cast<size_t>(row)]));
        }

        // Each row shows the icon map's image of its entry: people theirs, the device the
        // default.
        const std::vector<QIcon> images = LS_IconStrip::ImageList();
        QCOMPARE(RowPicture(list, 0), Picture(images[LS_IconStrip::ENTRY]));
        for (int row = 1; row < 4; ++row) {
            QCOMPARE(RowPicture(list, row), Picture(images[LS_IconStrip::PERSON]));
        }
    }

    void entriesHandedOverInOneTurnArriveAsOneBatchNewestFirst() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryListCtrl* list = app->GetEntryList();
        auto first = ReadEntries(*app, demo.Server1(), {kOlivia, kNell});
        auto second = ReadEntries(*app, demo.Server1(), {kJonah, kPrinter});
        QSignalSpy inserted(list->Model(), &QAbstractItemModel::rowsInserted);
        list->AddEntries(first);
        list->AddEntries(second);
        QCOMPARE(list->Model()->rowCount(), 0);
        QVERIFY(WaitUntil([&] { return list->Model()->rowCount() == 4; }));
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.front().at(1).toInt(), 0);
        QCOMPARE(inserted.front().at(2).toInt(), 3);
        const std::vector<std::string> newestFirst = {kPrinter, kJonah, kNell, kOlivia};
        for (int row = 0; row < 4; ++row) {
            QVERIFY(HasDN(list->EntryAt(row), newestFirst[static_cast<size_t>(row)]));
        }

        // The next batch goes on top of the rows already shown.
        auto third = ReadEntries(*app, demo.Server1(), {kOlivia});
        QVERIFY(ShowEntries(list, third));
        QCOMPARE(inserted.size(), 2);
        QCOMPARE(inserted.back().at(1).toInt(), 0);
        QCOMPARE(inserted.back().at(2).toInt(), 0);
        QVERIFY(HasDN(list->EntryAt(0), kOlivia));
        QVERIFY(HasDN(list->EntryAt(1), kPrinter));
    }

    void aHeaderClickSortsASecondReversesAndASearchStartsNewestFirst() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryListCtrl* list = app->GetEntryList();
        auto entries = ReadEntries(*app, demo.Server1(), {kOlivia, kNell, kJonah, kPrinter});
        QVERIFY(ShowEntries(list, entries));
        const QStringList newestFirst = {"Printer", "Jonah North", "Nell Carter", "Olivia Holt"};
        QCOMPARE(ColumnTexts(list, 0), newestFirst);

        ClickHeader(list, 0);
        QCOMPARE(ColumnTexts(list, 0),
                 QStringList({"Jonah North", "Nell Carter", "Olivia Holt", "Printer"}));
        QCOMPARE(list->header()->sortIndicatorOrder(), Qt::AscendingOrder);
        ClickHeader(list, 0);
        QCOMPARE(ColumnTexts(list, 0),
                 QStringList({"Printer", "Olivia Holt", "Nell Carter", "Jonah North"}));
        QCOMPARE(list->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        // Rows without a telephone number tie and keep newest first; numbers go by their value.
        ClickHeader(list, 3);
        QCOMPARE(ColumnTexts(list, 0),
                 QStringList({"Printer", "Jonah North", "Olivia Holt", "Nell Carter"}));

        // A double-click reads the entry of the sorted row it hits.
        DoubleClickRow(list, 3);
        QVERIFY(list->ReadRequest());
        QVERIFY(WaitUntil([&] { return app->GetEntryView()->Entry() != nullptr; }));
        QVERIFY(HasDN(app->GetEntryView()->Entry(), kNell));

        // Clearing for a new search brings back newest first, and rows added stay in order.
        app->ShowEntryList();
        list->Clear();
        QCOMPARE(list->header()->sortIndicatorSection(), -1);
        auto again = ReadEntries(*app, demo.Server1(), {kNell, kOlivia});
        QVERIFY(ShowEntries(list, again));
        QCOMPARE(ColumnTexts(list, 0), QStringList({"Olivia Holt", "Nell Carter"}));
    }

    void clearingEmptiesTheListAndKeepsTheColumns() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryListCtrl* list = app->GetEntryList();
        list->Clear();
        QCOMPARE(list->Model()->rowCount(), 0);
        QCOMPARE(list->Model()->columnCount(), 5);

        auto entries = ReadEntries(*app, demo.Server1(), {kOlivia, kNell});
        QVERIFY(ShowEntries(list, entries));
        QCOMPARE(list->Model()->rowCount(), 2);
        list->Clear();
        QCOMPARE(list->Model()->rowCount(), 0);
        QVERIFY(!list->EntryAt(0));
        QCOMPARE(HeaderTexts(list),
                 QStringList({"Name", "Department", "Organisation", "Telephone", "E-mail"}));
    }

    void aBrokenColumnConfigurationKeepsTheColumnsReadBeforeIt_data() {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<int>("loaded");

        const QStringList fourNames = {"Name", " Phone ", "Bogus", "E-mail"};
        const QStringList base = {
            QStringLiteral("\"Column List\"=\"Name, Phone ,Bogus,E-mail\""),
            QStringLiteral("\"Name\"=\"cn:RDN\""),
            QStringLiteral("\"Phone\"=\"telephoneNumber\""),
            QStringLiteral("\"E-mail\"=\"mail\""),
        };
        QTest::newRow("unknown attribute type")
            << (QStringList(base) << QStringLiteral("\"Bogus\"=\"noSuchAttribute:RDN\""))
            << "entrylist-unknown-type.txt" << fourNames << 2;
        QTest::newRow("no attribute type")
            << (QStringList(base) << QStringLiteral("\"Bogus\"=\":RDN\""))
            << "entrylist-bad-column.txt" << fourNames << 2;
        QTest::newRow("missing value") << base << "entrylist-missing-value.txt" << fourNames << 2;
        QTest::newRow("missing column list")
            << base.mid(1) << "entrylist-missing-column-list.txt" << QStringList() << 0;
    }

    void aBrokenColumnConfigurationKeepsTheColumnsReadBeforeIt() {
        QFETCH(QStringList, values);
        QFETCH(QString, expected);
        QFETCH(QStringList, headers);
        QFETCH(int, loaded);

        DebugCapture capture;
        const auto app = StartWithRegistry(
            WithKey(demo.Registry(), QStringLiteral("Entry List Columns"), values));
        QVERIFY(app->GetMainFrame());
        QCOMPARE(Boxes().size(), size_t(1));
        QCOMPARE(Boxes().front().text, LS_StringTable::Load(res::IDS_REGISTRY_MISSING));
        QCOMPARE(Boxes().front().caption, QStringLiteral("Error!"));
        QCOMPARE(DiagnosticsAbout(capture, "Entry List Columns"),
                 QString::fromStdString(larkspur::test::ReadFile(
                     larkspur::test::TestDataPath("app/" + expected.toStdString()))));

        LS_EntryListCtrl* list = app->GetEntryList();
        QCOMPARE(list->Model()->columnCount(), static_cast<int>(headers.size()));
        QCOMPARE(HeaderTexts(list), headers);
        QCOMPARE(list->Info().ColumnCount(), loaded);

        // The columns after the fault stay empty; the ones before it show their values.
        auto entries = ReadEntries(*app, demo.Server1(), {kOlivia});
        QVERIFY(ShowEntries(list, entries));
        const QStringList texts = RowTexts(list, 0);
        if (loaded == 2) {
            QCOMPARE(texts, QStringList({"Olivia Holt", "+44 131 496 0 100", "", ""}));
        }
    }

    void aDoubleClickReadsTheEntryIntoTheView() {
        const auto app = StartWithTwoRows();
        LS_EntryListCtrl* list = app->GetEntryList();
        auto* tabs = app->GetMainFrame()->RHSTabCtrl();
        QCOMPARE(tabs->currentIndex(), 0);

        DoubleClickRow(list, 1);
        QVERIFY(list->ReadRequest());
        QCOMPARE(StatusText(*app),
                 QStringLiteral("Reading 'Olivia Holt, Physics, Calder Institute, calder, "
                                "example' from host '127.0.0.1'"));
        QVERIFY(WaitUntil([&] { return tabs->currentIndex() == 1; }));
        QCOMPARE(tabs->tabText(tabs->currentIndex()), QStringLiteral("Entry View"));
        // The entry shows with the server's entry message; the status follows with its result
        // message, which a busy machine may read in a later turn.
        const QString read = QStringLiteral("Read 'Olivia Holt, Physics, Calder Institute, "
                                            "calder, example' from the directory.");
        WaitUntil([&] { return StatusText(*app) == read; });
        QCOMPARE(StatusText(*app), read);
        const harrow::QEntry* shown = app->GetEntryView()->Entry();
        QVERIFY(shown);
        QVERIFY(HasDN(shown, kOlivia));
        // The view has its own copy: the row keeps its entry.
        QVERIFY(shown != list->EntryAt(1));
        QVERIFY(Boxes().empty());
        QVERIFY(!app->GetMainFrame()->StatusBar()->Flashing());

        // A finished read makes way for the next.
        app->ShowEntryList();
        const unsigned long first = list->ReadRequest()->ID();
        DoubleClickRow(list, 0);
        QVERIFY(list->ReadRequest());
        QVERIFY(list->ReadRequest()->ID() != first);
        QVERIFY(WaitUntil([&] { return tabs->currentIndex() == 1; }));
        QVERIFY(HasDN(app->GetEntryView()->Entry(), kNell));
    }

    void aDoubleClickWhileAReadRunsDoesNothing() {
        const auto app = StartWithTwoRows();
        LS_EntryListCtrl* list = app->GetEntryList();
        auto* tabs = app->GetMainFrame()->RHSTabCtrl();

        QVERIFY(demo.Server1().Pause());
        DoubleClickRow(list, 0);
        const harrow::QReadEntry* running = list->ReadRequest();
        QVERIFY(running);
        const QString reading = StatusText(*app);
        QVERIFY(reading.startsWith(QStringLiteral("Reading 'Nell Carter")));
        QVERIFY(WaitUntil([&] { return app->GetMainFrame()->IsWorking() == 1; }));

        // The pane is disabled while the engine works, so only the list's own guard is left
        // between a second double-click and a second read.
        list->setCurrentIndex(list->Model()->index(1, 0));
        list->OnDblclk();
        QCOMPARE(list->ReadRequest(), running);
        QCOMPARE(StatusText(*app), reading);
        QCOMPARE(app->GetDSManager()->GetRequest(running->ID()), running);

        QVERIFY(demo.Server1().Resume());
        QVERIFY(WaitUntil([&] { return tabs->currentIndex() == 1; }));
        QVERIFY(HasDN(app->GetEntryView()->Entry(), kNell));
        QVERIFY(WaitUntil([&] { return app->GetMainFrame()->IsWorking() == 0; }));
    }

    void aReadWhoseServerGoesEndsAndTellsTheUser() {
        const auto app = StartWithTwoRows();
        LS_EntryListCtrl* list = app->GetEntryList();
        QVERIFY(demo.Server1().Pause());
        DoubleClickRow(list, 0);
        QVERIFY(list->ReadRequest());
        QVERIFY(WaitUntil([&] { return app->GetMainFrame()->IsWorking() == 1; }));

        demo.Server1().Crash();
        QVERIFY(WaitUntil([&] { return app->GetMainFrame()->IsWorking() == 0; }));
        QVERIFY(!list->ReadRequest());
        QVERIFY(!app->GetDSManager()->Waiting());
        QVERIFY(StatusText(*app).startsWith(QStringLiteral("Failed to read 'Nell Carter")));
        QVERIFY(StatusText(*app).endsWith(QStringLiteral("' from host '127.0.0.1'")));
        QVERIFY(app->GetMainFrame()->StatusBar()->Flashing());
        QVERIFY(Boxes().empty());
        QVERIFY(demo.Server1().Restart());
    }

    void closingTheProgramWhileAReadRunsEndsTheRead() {
        auto app = StartWithTwoRows();
        QVERIFY(demo.Server1().Pause());
        DoubleClickRow(app->GetEntryList(), 0);
        QVERIFY(app->GetEntryList()->ReadRequest());
        QVERIFY(app->GetDSManager()->Waiting());
        app.reset();
        QVERIFY(demo.Server1().Resume());
    }

    void aReadTheServerRefusesFlashesTheStatus() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryListCtrl* list = app->GetEntryList();
        auto entries = ReadEntries(*app, demo.Server1(), {kJonah});
        QVERIFY(ShowEntries(list, entries));
        // The entry goes between the search and the double-click.
        QVERIFY(demo.Server1().ApplyLdif(std::string("dn: ") + kJonah + "\nchangetype: delete\n"));

        DoubleClickRow(list, 0);
        QVERIFY(WaitUntil([&] { return !list->ReadRequest()->Invoked(); }));
        QCOMPARE(StatusText(*app), QStringLiteral("Failed to read 'jnorth, Physics, Calder "
                                                  "Institute, calder, example' from host "
                                                  "'127.0.0.1'"));
        QVERIFY(app->GetMainFrame()->StatusBar()->Flashing());
        QCOMPARE(app->GetMainFrame()->RHSTabCtrl()->currentIndex(), 0);
        QVERIFY(!app->GetEntryView()->Entry());
        QVERIFY(Boxes().empty());

        QVERIFY(demo.Server1().ApplyLdif(larkspur::test::kJonahLdif));
    }

    void aReadThatCannotStartShowsTheErrorBox() {
        const auto app = StartWithRegistry(demo.Registry());
        LS_EntryListCtrl* list = app->GetEntryList();
        auto entries = ReadEntries(*app, demo.Server2(), {kFiona});
        QCOMPARE(entries.GetCount(), size_t(1));
        const long connId = entries.GetHead()->DN().GetConnID();
        QVERIFY(ShowEntries(list, entries));

        // With the server gone the connection closes and cannot be bound again.
        QVERIFY(demo.Server2().Stop());
        harrow::QBindManager* binds = app->GetDSManager()->BindManager();
        QVERIFY(WaitUntil([&] { return !binds->IsBound(connId); }));

        DebugCapture capture;
        DoubleClickRow(list, 0);
        QCOMPARE(Boxes().size(), size_t(1));
        QCOMPARE(Boxes().front().text,
                 QStringLiteral("Failed to retrieve the request entry from the directory!"));
        QCOMPARE(Boxes().front().caption, QStringLiteral("Error!"));
        QCOMPARE(QString::fromStdString(capture.Joined()),
                 QString::fromStdString(larkspur::test::ReadFile(
                     larkspur::test::TestDataPath("app/entrylist-read-not-started.txt"))));
        QCOMPARE(StatusText(*app), QString());
        QVERIFY(!app->GetDSManager()->Waiting());

        QVERIFY(demo.Server2().Restart());
    }

    void enterOnARowReadsIt() {
        const auto app = StartWithTwoRows();
        LS_EntryListCtrl* list = app->GetEntryList();
        CMainFrame* frame = app->GetMainFrame();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        // Tabbed into, the list is on its first row without selecting it.
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(frame->windowHandle(), Qt::Key_Return);
        QVERIFY(list->ReadRequest());
        QVERIFY(WaitUntil([&] { return frame->RHSTabCtrl()->currentIndex() == 1; }));
        QVERIFY(HasDN(app->GetEntryView()->Entry(), kNell));

        // The panes take keys again once the read is over.
        QVERIFY(WaitUntil([&] { return !frame->IsWorking() && list->isEnabled(); }));
        app->ShowEntryList();
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(frame->windowHandle(), Qt::Key_Down);
        QTest::keyClick(frame->windowHandle(), Qt::Key_Enter);
        QVERIFY(WaitUntil([&] { return HasDN(app->GetEntryView()->Entry(), kOlivia); }));
    }

    // Runs last: it adds an entry of its own to the shared server.
    void theResultListIsSavedAsCsvAndLdif() {
        const std::string quentin =
            "cn=Quentin Marsh,ou=Physics,o=Calder Institute,dc=calder,dc=example";
        const std::string francis =
            "cn=Francis Rahman,ou=Chemistry,o=Calder Institute,dc=calder,dc=example";
        QVERIFY(demo.Server1().ApplyLdif("dn: " + quentin +
                                         "\nobjectClass: person\ncn: Quentin Marsh\nsn: Marsh\n"
                                         "description: Says \"hello\", often\n"));
        const QStringList columns = {
            QStringLiteral("\"Column List\"=\"Name,Description,Telephone\""),
            QStringLiteral("\"Name\"=\"cn:RDN\""),
            QStringLiteral("\"Description\"=\"description\""),
            QStringLiteral("\"Telephone\"=\"telephoneNumber\""),
        };
        const auto app = StartWithRegistry(
            WithKey(demo.Registry(), QStringLiteral("Entry List Columns"), columns));
        CMainFrame* frame = app->GetMainFrame();
        QAction* csv = frame->Action(res::ID_FILE_SAVE_CSV);
        QAction* ldif = frame->Action(res::ID_FILE_SAVE_LDIF);
        QVERIFY(!csv->isEnabled() && !ldif->isEnabled());
        auto entries = ReadEntries(*app, demo.Server1(), {kOlivia, kNell, quentin, francis});
        QVERIFY(ShowEntries(app->GetEntryList(), entries));
        QVERIFY(csv->isEnabled() && ldif->isEnabled());

        const auto previous = LS_FileDialog::SetChooser([&](const LS_FileDialog::Request& request) {
            return SandboxPath(request.suggestedName);
        });
        csv->trigger();
        ldif->trigger();
        LS_FileDialog::SetChooser(previous);

        const QJsonArray rows = ReadBack(QStringLiteral("csv"), SandboxPath("results.csv")).array();
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[0], QJsonArray({"Name", "Description", "Telephone"}));
        QCOMPARE(rows[1], QJsonArray({"Francis Rahman", "", "+44 131 496 0 107"}));
        QCOMPARE(rows[2], QJsonArray({"Quentin Marsh", "Says \"hello\", often", ""}));
        QCOMPARE(rows[3], QJsonArray({"Nell Carter",
                                      "  Observes the northern sky  \n  on clear "
                                      "nights  ",
                                      "+44 131 496 0 160"}));
        QCOMPARE(rows[4], QJsonArray({"Olivia Holt", "", "+44 131 496 0 100"}));

        const QJsonArray records =
            ReadBack(QStringLiteral("ldif"), SandboxPath("results.ldif")).array();
        QCOMPARE(records.size(), 4);
        QStringList dns;
        for (const QJsonValue record : records) {
            dns << record[QStringLiteral("dn")].toString();
        }
        // As the server sent them, as ldapsearch writes them.
        QCOMPARE(dns, QStringList({"cn=Francis Rahman,ou=Chemistry,o=Calder Institute,"
                                   "dc=calder,dc=example",
                                   "cn=Quentin Marsh,ou=Physics,o=Calder Institute,dc=calder,"
                                   "dc=example",
                                   "cn=Nell Carter,ou=Physics,o=Calder Institute,dc=calder,"
                                   "dc=example",
                                   "cn=Olivia Holt,ou=Physics,o=Calder Institute,dc=calder,"
                                   "dc=example"}));
        const QJsonArray nell = records[2][QStringLiteral("attrs")].toArray();
        for (const QJsonArray& pair :
             {QJsonArray{"objectClass", "person"}, QJsonArray{"cn", "Eleanor Carter"},
              QJsonArray{"cn", "Nell Carter"},
              QJsonArray{"description", "  Observes the northern sky  \n  on clear nights  "},
              QJsonArray{"postalAddress", "12 Harbour Road $ Leith $ Edinburgh"}}) {
            QVERIFY2(nell.contains(pair), QJsonDocument(nell).toJson().constData());
        }
        bool photo = false;
        for (const QJsonValue pair : records[0][QStringLiteral("attrs")].toArray()) {
            photo = photo || (pair[0] == QStringLiteral("jpegPhoto") &&
                              pair[1].toString().startsWith(QStringLiteral("bytes:")) &&
                              pair[1].toString().endsWith(QStringLiteral(":ffd8ffe0")));
        }
        QVERIFY(photo);
    }
};

QTEST_MAIN(EntryListTest)
#include "entrylist_test.moc"
