// The search form window against the demo directory: its rows, ids and layout, keyboard
// navigation, Enter and "Search", "Clear Form", and the status texts and counters a search
// leaves.
#include "forms/qform.h"
#include "forms/qforminput.h"
#include "guitest.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "results/LS_EntryListCtrl.h"
#include "search/LS_Button.h"
#include "search/LS_FormEdit.h"
#include "search/LS_FormWin.h"
#include "search/LS_LHSTabCtrl.h"
#include "shell/LS_StatusBar.h"
#include "shell/MainFrm.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

using larkspur::test::DemoDirectory;

namespace {

const QColor flashBack(0x00, 0x00, 0x7f);

// A form without tip or help, searching three base points of which one does not exist, so
// that a search ends with operations that succeeded and one that failed.
std::string QuickLookupLdif(DemoDirectory& servers) {
    const std::string forms = DemoDirectory::kConfigDN;
    const std::string ruleSet = "cn=Mixed," + forms;
    const auto searchClass = [&](const std::string& name, const std::string& url) {
        return "dn: cn=" + name + "," + ruleSet + "\nobjectClass: lsSearchClass\ncn: " + name +
               "\nlsLDAPURI: " + url + "\nlsSearchClassList: Person\n\n";
    };
    return "dn: " + ruleSet + "\nobjectClass: lsRuleSet\ncn: Mixed\n\n" +
           searchClass("Calder", servers.Server1().UrlFor("dc=calder,dc=example")) +
           searchClass("Fenwick", servers.Server2().UrlFor("dc=fenwick,dc=example")) +
           searchClass("Nowhere",
                       servers.Server1().UrlFor("o=Nowhere Institute,dc=calder,dc=example")) +
           "dn: cn=Person," + ruleSet +
           "\nobjectClass: lsSearchClass\ncn: Person\nlsObjectClassDefinition: inetOrgPerson\n\n"
           "dn: cn=Quick lookup," +
           forms +
           "\nobjectClass: lsSearchForm\ncn: Quick lookup\nlsRuleSetName: Mixed\n"
           "lsInputList: Person\n\n"
           "dn: cn=Person,cn=Quick lookup," +
           forms +
           "\nobjectClass: lsFormInput\ncn: Person\nlsSearchClassName: Person\nlsFieldList: "
           "Name\n\n"
           "dn: cn=Name,cn=Person,cn=Quick lookup," +
           forms + "\nobjectClass: lsFormField\ncn: Name\nlsFiltAttrList: cn\n";
}

// A form whose name holds an ampersand and whose tip and help hold markup, all of which the
// directory's administrator may write and the user must see as written.
std::string MarkupLdif() {
    const std::string form = "cn=R&D," + std::string(DemoDirectory::kConfigDN);
    return "dn: " + form +
           "\nobjectClass: lsSearchForm\ncn: R&D\nlsRuleSetName: Mixed\nlsInputList: Person\n"
           "lsToolTip: <b>Ask</b> R&amp;D\nlsHelpString: <a href=\"x\">Help</a>\n\n"
           "dn: cn=Person," +
           form +
           "\nobjectClass: lsFormInput\ncn: Person\nlsSearchClassName: Person\nlsFieldList: "
           "Name\n\n"
           "dn: cn=Name,cn=Person," +
           form + "\nobjectClass: lsFormField\ncn: Name\nlsFiltAttrList: cn\n";
}

QString Progress(int matches) {
    return QString::asprintf(LS_StringTable::Load(res::IDS_SEARCH_PROGRESS).toUtf8().constData(),
                             matches);
}

QString Outcome(int matches, int succeeded, int failed) {
    return QString::asprintf(LS_StringTable::Load(res::IDS_SEARCH_COMPLETE).toUtf8().constData(),
                             matches, succeeded, failed);
}

// Every text pane 0 of the status bar is painted with, in order and without repeats, and
// the texts it was painted with while highlighted by a flash.
class StatusRecorder : public QObject {
public:
    explicit StatusRecorder(LS_StatusBar* bar) : bar(bar) { bar->installEventFilter(this); }
    ~StatusRecorder() override { bar->removeEventFilter(this); }

    QStringList texts;
    QStringList flashedTexts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == bar && event->type() == QEvent::Paint) {
            const QString text = bar->PaneText(0);
            if (texts.isEmpty() || texts.back() != text) {
                texts << text;
            }
            if (bar->PaneBackColour(0) == flashBack && !flashedTexts.contains(text)) {
                flashedTexts << text;
            }
        }
        return false;
    }

private:
    LS_StatusBar* bar;
};

// Every text a counter of the status dialog bar took, in order.
struct CounterRecorder {
    explicit CounterRecorder(CMainFrame* frame) {
        for (int id : {res::IDC_REQUESTS_MADE, res::IDC_SUCCEEDED, res::IDC_FAILED}) {
            QObject::connect(frame->Counter(id), &QLineEdit::textChanged,
                             [this, id](const QString& text) { texts[id] << text; });
        }
    }
    // The last text that was not empty.
    QString LastShown(int id) const {
        for (auto it = texts.at(id).rbegin(); it != texts.at(id).rend(); ++it) {
            if (!it->isEmpty()) {
                return *it;
            }
        }
        return QString();
    }
    std::map<int, QStringList> texts{
        {res::IDC_REQUESTS_MADE, {}}, {res::IDC_SUCCEEDED, {}}, {res::IDC_FAILED, {}}};
};

QStringList RowTexts(const LS_EntryListCtrl* list) {
    QStringList rows;
    for (int row = 0; row < list->Model()->rowCount(); ++row) {
        rows << list->Model()->ColumnText(row, 0);
    }
    rows.sort();
    return rows;
}

} // namespace

class FormWinTest : public larkspur::test::LarkspurGuiTest {
    Q_OBJECT

private:
    DemoDirectory demo;
    std::unique_ptr<CLarkspur32App> app;
    CMainFrame* frame = nullptr;
    LS_LHSTabCtrl* left = nullptr;

    // Shows the page of the form with that name and makes the frame the active window, so
    // that keys go where the focus is; null when there is no such form.
    LS_FormWin* ShowForm(const std::string& name) {
        const auto& windows = left->FormWins();
        for (std::size_t index = 0; index < windows.size(); ++index) {
            if (windows[index]->Form()->Name() == name) {
                left->SelectForm(static_cast<int>(index) + 1, 0);
                frame->activateWindow();
                if (!QTest::qWaitForWindowActive(frame)) {
                    return nullptr;
                }
                return windows[index].get();
            }
        }
        return nullptr;
    }

    static LS_FormEdit* Edit(LS_FormWin* form, int id) {
        return form->findChild<LS_FormEdit*>(QString::number(id));
    }

    // A key as the keyboard gives it: to whichever control has the focus.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(frame->windowHandle(), key, modifiers);
    }

    void Type(LS_FormEdit* edit, const QString& text) {
        edit->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(edit, text);
    }

    bool WaitForSearchEnd(LS_FormWin* form) {
        return WaitUntil(
            [&] {
                return form->Search() && form->Search()->Finished() == 1 && !frame->IsWorking() &&
                       app->GetEntryList()->Model()->PendingCount() == 0;
            },
            60000);
    }

private slots:
    void initTestCase() {
        QVERIFY(demo.Start());
        QVERIFY(demo.Server1().ApplyLdif(QuickLookupLdif(demo)));
        QVERIFY(demo.Server1().ApplyLdif(MarkupLdif()));
    }

    void init() {
        OpenSandbox();
        bool started = false;
        app = StartWithRegistry(demo.Registry(), started);
        QVERIFY(started);
        frame = app->GetMainFrame();
        left = qobject_cast<LS_LHSTabCtrl*>(frame->LHSTabCtrl());
        QVERIFY(left);
    }

    void cleanup() {
        app.reset();
        CloseSandbox();
    }

    void rowsTakeTheChosenInputsFieldsFirstWithPairedIds() {
        LS_FormWin* form = ShowForm("People in an organisation");
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("People in an organisation"));
        const QStringList expected{"Name", "Department", "Organisation"};
        QCOMPARE(form->Rows().size(), std::size_t(3));
        for (int row = 0; row < 3; ++row) {
            const LS_FormFieldRow& field = *form->Rows()[static_cast<std::size_t>(row)];
            QCOMPARE(QString::fromStdString(field.FieldName()), expected[row]);
            QCOMPARE(field.LabelId(), 105 + 2 * row);
            QCOMPARE(field.EditId(), 106 + 2 * row);
            QCOMPARE(field.Label()->text(), expected[row]);
            QCOMPARE(form->findChild<QLabel*>(QString::number(field.LabelId())), field.Label());
            QCOMPARE(Edit(form, field.EditId()), field.Edit());
        }
        QCOMPARE(form->Rows()[0]->Input(), form->Rows()[1]->Input());
        QCOMPARE(form->Rows()[0]->Input()->Name(), std::string("Person"));
        QCOMPARE(form->Rows()[2]->Input()->Name(), std::string("Organisation"));
        QCOMPARE(form->NextId(), 111);
        QCOMPARE(form->SearchButton()->text(), QStringLiteral("Search"));
        QCOMPARE(form->ClearButton()->text(), QStringLiteral("Clear Form"));
        QCOMPARE(form->SearchButton()->objectName(), QStringLiteral("103"));
        QCOMPARE(form->ClearButton()->objectName(), QStringLiteral("104"));
        QVERIFY(SaveScreenshot(form, QStringLiteral("form-empty")));
    }

    void rowsAndButtonsAreLaidOutBelowTipAndHelp() {
        LS_FormWin* form = ShowForm("People in an organisation");
        QVERIFY(form);
        const int margin = LS_FormWin::MARGIN;
        QLabel* tip = form->TipText();
        QLabel* help = form->HelpText();
        QVERIFY(tip && help);
        QCOMPARE(tip->text(), QStringLiteral("Find people who work in a given organisation"));
        QVERIFY(tip->font().bold());
        QVERIFY(!help->font().bold());
        QCOMPARE(tip->geometry().topLeft(), QPoint(margin, margin));
        QCOMPARE(tip->width(), form->width() - 2 * margin);
        QCOMPARE(help->y(), tip->geometry().bottom() + 1 + margin);
        // The help text is longer than a line of this page: it wraps onto more lines.
        QVERIFY(help->height() > help->fontMetrics().height());

        const QFontMetrics metrics(form->font());
        int top = help->geometry().bottom() + 1 + margin;
        for (const auto& field : form->Rows()) {
            const int textWidth =
                metrics.horizontalAdvance(QString::fromStdString(field->FieldName()));
            QCOMPARE(field->Edit()->geometry(),
                     QRect(margin + textWidth, top, form->width() - 2 * margin - textWidth,
                           metrics.height() + 4));
            QCOMPARE(field->Label()->geometry().topLeft(), QPoint(margin, top + 2));
            QCOMPARE(field->Label()->geometry().right() + 1, field->Edit()->x());
            QCOMPARE(field->Rect(),
                     QRect(margin, top, form->width() - 2 * margin, field->Edit()->height()));
            top = field->Edit()->geometry().bottom() + 1 + margin;
        }
        // The space after the last row, then the buttons' own margin.
        const QRect search = form->SearchButton()->geometry();
        const QRect clear = form->ClearButton()->geometry();
        QCOMPARE(search.topLeft(), QPoint(margin, top + margin));
        QCOMPARE(clear.topLeft(), QPoint(search.right() + 1 + margin, search.y()));
        QCOMPARE(search.size(), QSize(metrics.horizontalAdvance(QStringLiteral("Search")) + 8,
                                      metrics.height() + 8));
        QCOMPARE(clear.size(), QSize(metrics.horizontalAdvance(QStringLiteral("Clear Form")) + 8,
                                     metrics.height() + 8));

        // A narrower page moves every edit's right edge with it and nothing else.
        const int before = form->Rows()[0]->Edit()->x();
        frame->resize(frame->width() - 60, frame->height());
        QVERIFY(WaitUntil([&] {
            return form->Rows()[0]->Edit()->geometry().right() == form->width() - margin - 1;
        }));
        QCOMPARE(form->Rows()[0]->Edit()->x(), before);
    }

    void aFormWithoutTipOrHelpStartsItsFirstRowAtTheTopMargin() {
        LS_FormWin* form = ShowForm("Quick lookup");
        QVERIFY(form);
        QVERIFY(!form->TipText());
        QVERIFY(!form->HelpText());
        QCOMPARE(form->Rows().size(), std::size_t(1));
        QCOMPARE(form->Rows()[0]->Edit()->y(), LS_FormWin::MARGIN);
        QCOMPARE(form->Rows()[0]->Label()->y(), LS_FormWin::MARGIN + 2);
    }

    void theFirstFieldHasTheFocusAndTabWalksFieldsAndButtons() {
        LS_FormWin* form = ShowForm("People in an organisation");
        QVERIFY(form);
        QVERIFY(WaitUntil([&] { return QApplication::focusWidget() == Edit(form, 106); }));

        const std::vector<QWidget*> forwards{Edit(form, 108), Edit(form, 110), form->SearchButton(),
                                             form->ClearButton()};
        for (QWidget* next : forwards) {
            Press(Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        // Past the last control the keyboard goes on to the entry list, shown for it.
        app->GetEntryView()->show();
        frame->RHSTabCtrl()->setCurrentIndex(1);
        Press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(app->GetEntryList()));
        QCOMPARE(frame->RHSTabCtrl()->currentIndex(), 0);
        Edit(form, 106)->setFocus(Qt::OtherFocusReason);
        const std::vector<QWidget*> backwards{form->ClearButton(), form->SearchButton(),
                                              Edit(form, 110), Edit(form, 108), Edit(form, 106)};
        for (QWidget* previous : backwards) {
            Press(Qt::Key_Tab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), previous);
        }
        // Shift let go, Tab goes forwards again; the fields saw no Tab characters.
        Press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Edit(form, 108));
        QCOMPARE(Edit(form, 108)->ShiftPressed(), 0);
        for (int id : {106, 108, 110}) {
            QVERIFY(Edit(form, id)->text().isEmpty());
        }
    }

    void aFieldTakingTheFocusSelectsItsText() {
        LS_FormWin* form = ShowForm("People in an organisation");
        QVERIFY(form);
        Type(Edit(form, 106), QStringLiteral("Holt"));
        Press(Qt::Key_Tab);
        Press(Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), Edit(form, 106));
        QCOMPARE(Edit(form, 106)->selectedText(), QStringLiteral("Holt"));
    }

    void enterStartsTheSameSearchAsTheSearchButton() {
        LS_FormWin* form = ShowForm("People");
        QVERIFY(form);
        Type(Edit(form, 106), QStringLiteral("an"));
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
        QVERIFY(WaitForSearchEnd(form));
        LS_EntryListCtrl* list = app->GetEntryList();
        const QStringList byButton = RowTexts(list);
        const QString outcome = frame->StatusBar()->PaneText(0);
        QVERIFY(byButton.size() > 1);
        QVERIFY(byButton.contains(QStringLiteral("Francis Rahman")));
        QCOMPARE(outcome, Outcome(int(byButton.size()), 2, 0));

        QVERIFY(ShowForm("People") == form);
        Edit(form, 108)->setFocus(Qt::OtherFocusReason);
        Press(Qt::Key_Return);
        QVERIFY(WaitForSearchEnd(form));
        // The list was emptied for the new search, which found the same entries.
        QCOMPARE(RowTexts(list), byButton);
        QCOMPARE(frame->StatusBar()->PaneText(0), outcome);
        QVERIFY(Edit(form, 108)->text().isEmpty());
    }

    void searchingShowsProgressOutcomeAndCounters() {
        LS_FormWin* form = ShowForm("Quick lookup");
        QVERIFY(form);
        Type(Edit(form, 106), QStringLiteral("a"));
        StatusRecorder status(frame->StatusBar());
        CounterRecorder counters(frame);
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
        QVERIFY(WaitForSearchEnd(form));
        const int matches = app->GetEntryList()->Model()->rowCount();
        QCOMPARE(form->Handler().Matches(), matches);

        // Two base points answer, each with its own results; the count runs on over both. The
        // progress is drawn at display rate, so the outcome may replace it before it is seen.
        QVERIFY(status.texts.size() >= 2);
        QCOMPARE(status.texts.front(), QString());
        QCOMPARE(status.texts.back(), Outcome(matches, 2, 1));
        QCOMPARE(status.texts.back(), QString::asprintf("The search returned %d matches. 2 "
                                                        "operations succeeded and 1 failed. ",
                                                        matches));
        int previous = 0;
        for (int index = 1; index + 1 < status.texts.size(); ++index) {
            const QString& text = status.texts[index];
            bool found = false;
            for (int count = previous + 1; count <= matches && !found; ++count) {
                if (text == Progress(count)) {
                    previous = count;
                    found = true;
                }
            }
            QVERIFY2(found, qPrintable(text));
        }
        QCOMPARE(Progress(matches),
                 QString::asprintf("Search in progress with %d matches found so far. ", matches));
        QVERIFY(WaitUntil([&] { return status.flashedTexts.contains(Outcome(matches, 2, 1)); }));

        QCOMPARE(counters.LastShown(res::IDC_REQUESTS_MADE), QStringLiteral("3"));
        QCOMPARE(counters.LastShown(res::IDC_SUCCEEDED), QStringLiteral("2"));
        QCOMPARE(counters.LastShown(res::IDC_FAILED), QStringLiteral("1"));
        // Once the engine is idle the counters are empty again.
        for (int id : {res::IDC_REQUESTS_MADE, res::IDC_SUCCEEDED, res::IDC_FAILED}) {
            QVERIFY(frame->Counter(id)->text().isEmpty());
        }

        // The next search counts its own matches only.
        QVERIFY(ShowForm("Quick lookup") == form);
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
        QVERIFY(WaitForSearchEnd(form));
        QCOMPARE(frame->StatusBar()->PaneText(0), Outcome(matches, 2, 1));
        QCOMPARE(app->GetEntryList()->Model()->rowCount(), matches);
    }

    void clearFormEmptiesTheFieldsAndAnEmptyFormSaysWhy() {
        LS_FormWin* form = ShowForm("People in an organisation");
        QVERIFY(form);
        Type(Edit(form, 106), QStringLiteral("Holt"));
        Type(Edit(form, 110), QStringLiteral("Calder"));
        QVERIFY(SaveScreenshot(form, QStringLiteral("form-filled")));
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
        QVERIFY(WaitForSearchEnd(form));
        // She is looked for below the organisation that matched only, and listed once.
        const QStringList found = RowTexts(app->GetEntryList());
        QCOMPARE(found, QStringList(1, QStringLiteral("Olivia Holt")));

        QVERIFY(ShowForm("People in an organisation") == form);
        QTest::mouseClick(form->ClearButton(), Qt::LeftButton);
        for (int id : {106, 108, 110}) {
            QVERIFY(Edit(form, id)->text().isEmpty());
        }
        // The inputs keep what the last search stored in them.
        std::string filter;
        QVERIFY(form->Rows()[0]->Input()->GenerateFilterString(filter));
        QVERIFY(QString::fromStdString(filter).contains(QStringLiteral("Holt")));

        // Searching with nothing typed starts nothing and says why, drawing the eye to it.
        StatusRecorder status(frame->StatusBar());
        const QString sentence = QStringLiteral("Not enough search data supplied.");
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
        QVERIFY(!form->Search());
        QCOMPARE(frame->StatusBar()->PaneText(0), sentence);
        QCOMPARE(left->Current(), left->indexOf(form));
        // The last search's rows go: they would look like this search's answer.
        QVERIFY(RowTexts(app->GetEntryList()).isEmpty());
        QVERIFY(WaitUntil([&] { return status.flashedTexts.contains(sentence); }));
        QVERIFY(!frame->IsWorking());
    }

    void onlyAnEnterPressedInTheFieldSearches() {
        LS_FormWin* form = ShowForm("People");
        QVERIFY(form);
        Type(Edit(form, 106), QStringLiteral("Holt"));
        // The About box closed with Enter: its press closes the box, and the release comes to
        // the field, which had the focus before.
        bool closed = false;
        QTimer::singleShot(0, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                QTest::keyPress(box, Qt::Key_Return);
                closed = !box->isVisible();
            }
        });
        frame->Action(res::ID_APP_ABOUT)->trigger();
        QVERIFY(closed);
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QCOMPARE(QApplication::focusWidget(), Edit(form, 106));
        QTest::keyRelease(frame->windowHandle(), Qt::Key_Return);
        Spin(50);
        QVERIFY(!form->Search());
        QVERIFY(!frame->IsWorking());

        // A whole Enter in the field still searches.
        Press(Qt::Key_Return);
        QVERIFY(form->Search());
        QVERIFY(WaitForSearchEnd(form));
    }

    void buttonsShowTheFocusAndEnterPressesThem() {
        LS_FormWin* form = ShowForm("People");
        QVERIFY(form);
        LS_Button* search = form->SearchButton();
        search->setFocus(Qt::TabFocusReason);
        const QImage focused = search->grab().toImage();
        Edit(form, 106)->setFocus(Qt::TabFocusReason);
        QVERIFY(search->grab().toImage() != focused);

        Type(Edit(form, 106), QStringLiteral("Holt"));
        search->setFocus(Qt::TabFocusReason);
        Press(Qt::Key_Return);
        QVERIFY(WaitUntil([&] { return form->Search() != nullptr; }));
        QVERIFY(WaitForSearchEnd(form));
        QCOMPARE(RowTexts(app->GetEntryList()), QStringList{QStringLiteral("Olivia Holt")});
    }

    void ctrlTabSwitchesTheLeftPanesPagesFromAnywhere() {
        LS_FormWin* form = ShowForm("People");
        QVERIFY(form);
        const int page = left->indexOf(form);
        QCOMPARE(QApplication::focusWidget(), Edit(form, 106));
        Press(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(left->currentIndex(), page + 1);
        Press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(left->currentIndex(), page);
        QCOMPARE(QApplication::focusWidget(), Edit(form, 106));
        QVERIFY(Edit(form, 106)->text().isEmpty());
        // From the tree backwards round to the last form.
        left->setCurrentIndex(0);
        app->GetDITCtrl()->setFocus(Qt::OtherFocusReason);
        Press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(left->currentIndex(), left->count() - 1);
        // From the entry list too.
        app->GetEntryList()->setFocus(Qt::OtherFocusReason);
        Press(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(left->currentIndex(), 0);
    }

    void textsFromTheDirectoryAreShownAsWritten() {
        LS_FormWin* form = ShowForm("R&D");
        QVERIFY(form);
        // A tab and a menu show "&&" as one "&", with no shortcut letter.
        QCOMPARE(left->tabText(left->indexOf(form)), QStringLiteral("R&&D"));
        QCOMPARE(SearchMenuCommand(*frame, QStringLiteral("RD"))->text(), QStringLiteral("R&&D"));
        QLabel* tip = form->TipText();
        QCOMPARE(tip->text(), QStringLiteral("<b>Ask</b> R&amp;D"));
        QCOMPARE(tip->textFormat(), Qt::PlainText);
        QCOMPARE(form->HelpText()->textFormat(), Qt::PlainText);
        // Laid out as the text it is: as wide as its characters, markup and all.
        const QFontMetrics metrics(tip->font());
        QCOMPARE(tip->sizeHint().width(), metrics.horizontalAdvance(tip->text()));
        QCOMPARE(form->Rows()[0]->Label()->textFormat(), Qt::PlainText);
        QVERIFY(SaveScreenshot(form, QStringLiteral("form-markup")));
    }
};

QTEST_MAIN(FormWinTest)
#include "formwin_test.moc"
