// A search of two thousand people through the People form, as a user types and presses Enter:
// the rows arrive in batches, newest first, and the status pane and counters end on the exact
// outcome the moment the search completes.
#include "guitest.h"
#include "platform/Resource.h"
#include "results/LS_EntryListCtrl.h"
#include "search/LS_FormEdit.h"
#include "search/LS_FormWin.h"
#include "search/LS_LHSTabCtrl.h"
#include "shell/LS_StatusBar.h"
#include "shell/MainFrm.h"
#include "support/bulkdirectory.h"

#include "forms/qform.h"
#include "model/qentry.h"

#include <QLineEdit>
#include <QtTest>

using larkspur::test::BulkDirectory;

namespace {

constexpr int kPeople = 2000;

} // namespace

class LargeSearchTest : public larkspur::test::LarkspurGuiTest {
    Q_OBJECT

private:
    BulkDirectory bulk;

    // Types the name into the People form and presses Enter.
    static bool SearchPeople(const CLarkspur32App& app, const QString& name) {
        LS_LHSTabCtrl* left = app.LeftTabs();
        const auto& windows = left->FormWins();
        for (std::size_t index = 0; index < windows.size(); ++index) {
            LS_FormWin* form = windows[index].get();
            if (form->Form()->Name() == "People") {
                left->SelectForm(static_cast<int>(index) + 1, 0);
                LS_FormEdit* edit = form->Rows().front()->Edit();
                QTest::keyClicks(edit, name);
                QTest::keyClick(edit, Qt::Key_Return);
                return form->Search() != nullptr;
            }
        }
        return false;
    }

private slots:
    void initTestCase() { QVERIFY(bulk.Start(kPeople)); }
    void init() { OpenSandbox(); }
    void cleanup() { CloseSandbox(); }

    void aLargeSearchShowsItsRowsInBatchesAndItsOutcomeAtOnce() {
        const auto app = StartWithRegistry(QString::fromStdString(bulk.RegistryText()));
        QVERIFY(app && app->GetMainFrame());
        CMainFrame* frame = app->GetMainFrame();
        LS_EntryListModel* rows = app->GetEntryList()->Model();

        // Each batch goes on top: the row that was first before it comes right after it.
        int batches = 0;
        int misplaced = 0;
        const harrow::QEntry* top = nullptr;
        connect(rows, &QAbstractItemModel::rowsAboutToBeInserted, this,
                [&] { top = rows->EntryAt(0); });
        connect(rows, &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex&, int first, int last) {
                    ++batches;
                    if (first != 0 || (top && rows->EntryAt(last + 1) != top)) {
                        ++misplaced;
                    }
                });
        bool flashedAtOnce = false;
        QString outcome;
        connect(frame->Counter(res::IDC_FAILED), &QLineEdit::textChanged, this, [&] {
            if (outcome.isEmpty() && frame->StatusBar()->Flashing()) {
                flashedAtOnce = true;
            }
        });

        QVERIFY(SearchPeople(*app, QString::fromUtf8(BulkDirectory::kEveryoneWord)));
        QVERIFY(
            WaitUntil([&] { return !frame->IsWorking() && rows->rowCount() == kPeople; }, 120000));
        QCOMPARE(misplaced, 0);
        QVERIFY2(batches < kPeople / 2, qPrintable(QString::number(batches)));

        QCOMPARE(frame->StatusBar()->PaneText(0),
                 QStringLiteral("The search returned 2000 matches. 1 operations succeeded and 0 "
                                "failed. "));
        // The counters were cleared when the program went idle, after the flash had begun.
        QVERIFY(flashedAtOnce);
        for (int id : {res::IDC_REQUESTS_MADE, res::IDC_SUCCEEDED, res::IDC_FAILED}) {
            QVERIFY(frame->Counter(id)->text().isEmpty());
        }
    }
};

QTEST_MAIN(LargeSearchTest)
#include "largesearch_test.moc"
