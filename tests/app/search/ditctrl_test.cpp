// The directory tree and the icon map against the demo directory: one node per added entry on
// the entry's path, images chosen by object class from the registry key "Icons", and the
// intermediate matches of a real search placed in the tree.
#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "forms/qform.h"
#include "guitest.h"
#include "model/qentry.h"
#include "platform/LS_IconStrip.h"
#include "results/LS_IconMap.h"
#include "schema/oidtable.h"
#include "search/LS_DITCtrl.h"
#include "search/LS_FormEdit.h"
#include "search/LS_FormWin.h"
#include "search/LS_LHSTabCtrl.h"
#include "shell/MainFrm.h"
#include "support/debugcapture.h"

#include <QTreeWidgetItem>
#include <QtTest>

using larkspur::test::DemoDirectory;

namespace {

const char* const kCalderInstitute = "o=Calder Institute,dc=calder,dc=example";
const char* const kCalderObservatory = "o=Calder Observatory,dc=calder,dc=example";
const char* const kPeopleForm = "cn=People,ou=Larkspur Forms,dc=calder,dc=example";
const char* const kIconsKey = "[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Icons]";

QString LongName(const QString& piece, int times) {
    QString name;
    for (int count = 0; count < times; ++count) {
        name += piece;
    }
    return name;
}

// The demo registry with its icon settings replaced.
QString WithIcons(const QString& registry, const QString& icons) {
    const qsizetype key = registry.indexOf(QLatin1String(kIconsKey));
    return registry.left(key) + QLatin1String(kIconsKey) + '\n' + icons;
}

QImage Picture(const QIcon& icon) {
    return icon.pixmap(LS_IconStrip::IMAGE_WIDTH, LS_IconStrip::IMAGE_HEIGHT)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

bool ShowsPicture(const QTreeWidgetItem* item, LS_IconStrip::Picture picture) {
    return !item->icon(0).isNull() &&
           Picture(item->icon(0)) == Picture(LS_IconStrip::ImageList()[picture]);
}

int CountItems(const QTreeWidgetItem* item) {
    int count = 1;
    for (int child = 0; child < item->childCount(); ++child) {
        count += CountItems(item->child(child));
    }
    return count;
}

int CountItems(const LS_DITCtrl* tree) {
    int count = 0;
    for (int top = 0; top < tree->topLevelItemCount(); ++top) {
        count += CountItems(tree->topLevelItem(top));
    }
    return count;
}

QStringList ChildTexts(const QTreeWidgetItem* item) {
    QStringList texts;
    for (int child = 0; child < item->childCount(); ++child) {
        texts << item->child(child)->text(0);
    }
    return texts;
}

} // namespace

class DITCtrlTest : public larkspur::test::LarkspurGuiTest {
    Q_OBJECT

private:
    DemoDirectory demo;
    std::unique_ptr<CLarkspur32App> app;
    harrow::ldapapi::Handle handle;
    long connId = -1;

    void StartApp(const QString& registry) {
        handle.reset();
        app.reset();
        bool started = false;
        app = StartWithRegistry(registry, started);
        QVERIFY(started);
        harrow::QDSManager* manager = app->GetDSManager();
        connId = manager->BindManager()->OpenConnection(demo.Server1().Host(),
                                                        demo.Server1().Port(), "", "");
        handle.reset(harrow::ldapapi::Init(demo.Server1().Host().c_str(), demo.Server1().Port()));
        QVERIFY(handle);
        QCOMPARE(harrow::ldapapi::SetProtocol(handle.get(), 3), 1);
        QCOMPARE(harrow::ldapapi::SimpleBindS(handle.get(), "", ""), LDAP_SUCCESS);
    }

    // The first entry below base in scope that matches filter, as the engine builds it.
    std::unique_ptr<harrow::QEntry> Read(const std::string& base, int scope = LDAP_SCOPE_BASE,
                                         const std::string& filter = "(objectClass=*)") {
        harrow::ldapapi::Message result;
        if (harrow::ldapapi::SearchS(handle.get(), base, scope, filter, {}, result) !=
            LDAP_SUCCESS) {
            return nullptr;
        }
        LDAPMessage* message = ldap_first_entry(handle.get(), result.get());
        if (!message) {
            return nullptr;
        }
        return std::make_unique<harrow::QEntry>(app->GetDSManager(), connId, handle.get(), message);
    }

    LS_DITCtrl* Tree() { return app->GetDITCtrl(); }

private slots:
    void initTestCase() { QVERIFY(demo.Start()); }

    void init() {
        OpenSandbox();
        StartApp(demo.Registry());
    }

    void cleanup() {
        handle.reset();
        app.reset();
        CloseSandbox();
    }

    void eachAddCreatesOnlyTheFirstMissingNodeOfThePath() {
        const auto institute = Read(kCalderInstitute);
        QVERIFY(institute && institute->IsSet());
        LS_DITCtrl* tree = Tree();
        QCOMPARE(tree->topLevelItemCount(), 0);

        QCOMPARE(tree->AddEntry(*institute, 0), 1);
        QCOMPARE(CountItems(tree), 1);
        QTreeWidgetItem* example = tree->topLevelItem(0);
        QCOMPARE(example->text(0), QStringLiteral("example"));
        QVERIFY(ShowsPicture(example, LS_IconStrip::ORGANISATION));
        QCOMPARE(example->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QCOMPARE(tree->Root()->Children().size(), std::size_t(1));
        QCOMPARE(tree->Root()->Children()[0]->Item(), example);

        QCOMPARE(tree->AddEntry(*institute, 0), 1);
        QCOMPARE(ChildTexts(example), QStringList{QStringLiteral("calder")});
        QCOMPARE(tree->AddEntry(*institute, 0), 1);
        QTreeWidgetItem* calder = example->child(0);
        QCOMPARE(ChildTexts(calder), QStringList{QStringLiteral("Calder Institute")});
        QCOMPARE(CountItems(tree), 3);

        // The whole path is there now: nothing more is added.
        QCOMPARE(tree->AddEntry(*institute, 1), 0);
        QCOMPARE(CountItems(tree), 3);

        // A sibling goes in front of the older nodes.
        const auto observatory = Read(kCalderObservatory);
        QCOMPARE(tree->AddEntry(*observatory, 0), 1);
        QCOMPARE(ChildTexts(calder), (QStringList{QStringLiteral("Calder Observatory"),
                                                  QStringLiteral("Calder Institute")}));
        const LS_DITCtrlEntry* calderNode = tree->Root()->Children()[0]->Children()[0].get();
        QCOMPARE(calderNode->Children()[0]->Text(), std::string("Calder Observatory"));
        QCOMPARE(calderNode->Children()[0]->Parent(), calderNode);
        QVERIFY(ShowsPicture(calder->child(0), LS_IconStrip::ORGANISATION));
    }

    void addingToACollapsedBranchShowsTheItemOnlyWhenAsked() {
        const auto institute = Read(kCalderInstitute);
        const auto observatory = Read(kCalderObservatory);
        LS_DITCtrl* tree = Tree();
        QCOMPARE(tree->AddEntry(*institute, 0), 1);
        QCOMPARE(tree->AddEntry(*institute, 0), 1);
        QTreeWidgetItem* example = tree->topLevelItem(0);
        QVERIFY(!example->isExpanded());

        // Expanding shows the children added so far.
        tree->expandItem(example);
        QTreeWidgetItem* calder = example->child(0);
        QVERIFY(!tree->visualItemRect(calder).isEmpty());
        tree->collapseItem(example);

        QCOMPARE(tree->AddEntry(*institute, 0), 1);
        QVERIFY(!example->isExpanded());
        QVERIFY(!calder->isExpanded());
        QCOMPARE(tree->AddEntry(*observatory, 1), 1);
        QVERIFY(example->isExpanded());
        QVERIFY(calder->isExpanded());
        QVERIFY(tree->viewport()->rect().intersects(tree->visualItemRect(calder->child(0))));
    }

    void theDemoMapGivesEveryClassItsPictureAndOthersTheDefault() {
        const LS_IconMap* icons = app->GetConfiguration()->GetIconMap();
        QCOMPARE(icons->DefaultIcon(), 0);
        QCOMPARE(icons->Mappings().size(), std::size_t(5));
        const harrow::Oidtable* table = app->GetDSManager()->Table();
        QCOMPARE(icons->Mappings()[0]->Image(), 1);
        QCOMPARE(icons->Mappings()[0]->Classes(),
                 (std::vector<harrow::QOC*>{table->str2oc("inetOrgPerson"),
                                            table->str2oc("organizationalPerson"),
                                            table->str2oc("person")}));

        const std::pair<const char*, int> expected[] = {
            {"cn=Olivia Holt,ou=Physics,o=Calder Institute,dc=calder,dc=example", 1},
            {kCalderInstitute, 2},
            {"ou=Physics,o=Calder Institute,dc=calder,dc=example", 3},
            {"dc=calder,dc=example", 4},
            {kPeopleForm, 0}};
        for (const auto& [dn, image] : expected) {
            const auto entry = Read(dn);
            QVERIFY(entry);
            int found = -1;
            QCOMPARE(icons->GetIcon(*entry, found), 1);
            QCOMPARE(found, image);
        }

        const auto form = Read(kPeopleForm);
        QCOMPARE(Tree()->AddEntry(*form, 0), 1);
        QVERIFY(ShowsPicture(Tree()->topLevelItem(0), LS_IconStrip::ENTRY));
    }

    void withoutADefaultUnmappedEntriesHaveNoImage() {
        StartApp(WithIcons(demo.Registry(), "\"Icon Count\"=dword:00000003\n"
                                            "\"Icon0\"=\"country\"\n"
                                            "\"Icon2\"=\"organization\"\n"));
        const LS_IconMap* icons = app->GetConfiguration()->GetIconMap();
        QCOMPARE(icons->DefaultIcon(), -1);
        // Icon1 is missing and skipped.
        QCOMPARE(icons->Mappings().size(), std::size_t(2));

        const auto form = Read(kPeopleForm);
        int image = -1;
        QCOMPARE(icons->GetIcon(*form, image), 0);
        QCOMPARE(Tree()->AddEntry(*form, 0), 1);
        QVERIFY(Tree()->topLevelItem(0)->icon(0).isNull());
        const auto observatory = Read(kCalderObservatory);
        QCOMPARE(Tree()->AddEntry(*observatory, 0), 1);
        QVERIFY(ShowsPicture(Tree()->topLevelItem(0)->child(0), LS_IconStrip::ORGANISATION));
    }

    void onlyTheLowByteOfTheIconCountCounts() {
        const QString values = "\"Icon0\"=\"=default\"\n"
                               "\"Icon1\"=\"person\"\n";
        StartApp(WithIcons(demo.Registry(), "\"Icon Count\"=dword:00000100\n" + values));
        QCOMPARE(app->GetConfiguration()->GetIconMap()->DefaultIcon(), -1);
        QVERIFY(app->GetConfiguration()->GetIconMap()->Mappings().empty());

        StartApp(WithIcons(demo.Registry(), "\"Icon Count\"=dword:00000102\n" + values));
        QCOMPARE(app->GetConfiguration()->GetIconMap()->DefaultIcon(), 0);
        QCOMPARE(app->GetConfiguration()->GetIconMap()->Mappings().size(), std::size_t(1));
    }

    void unknownClassesAreLeftOutWithADiagnostic() {
        larkspur::test::DebugCapture debug;
        StartApp(WithIcons(demo.Registry(), "\"Icon Count\"=dword:00000003\n"
                                            "\"Icon0\"=\"unicorn;person\"\n"
                                            "\"Icon1\"=\"griffin\"\n"
                                            "\"Icon2\"=\"organization\"\n"));
        const LS_IconMap* icons = app->GetConfiguration()->GetIconMap();
        const harrow::Oidtable* table = app->GetDSManager()->Table();
        QCOMPARE(icons->Mappings().size(), std::size_t(2));
        QCOMPARE(icons->Mappings()[0]->Image(), 0);
        QCOMPARE(icons->Mappings()[0]->Classes(),
                 std::vector<harrow::QOC*>{table->str2oc("person")});
        QCOMPARE(icons->Mappings()[1]->Image(), 2);
        const auto& messages = debug.Messages();
        for (const char* name : {"unicorn", "griffin"}) {
            const std::string expected = std::string("Unrecognised object class (") + name +
                                         ") found in registry key \"Icon List\".\n";
            QVERIFY2(std::find(messages.begin(), messages.end(), expected) != messages.end(),
                     expected.c_str());
        }
    }

    void aMissingIconCountEndsStartUp() {
        app.reset();
        bool started = true;
        app = StartWithRegistry(WithIcons(demo.Registry(), "\"Icon0\"=\"=default\"\n"), started);
        QVERIFY(!started);
        QCOMPARE(Boxes().size(), std::size_t(1));
        QCOMPARE(Boxes().front().text,
                 QStringLiteral("Failed to find configuration entries in the Windows Registry! "
                                "This probably means that Larkspur has not been installed "
                                "correctly. Please contact local technical support who will "
                                "re-install the application for you."));
    }

    // slapd's database cannot hold an RDN as long as a label may be, so the cut is tried on
    // the text alone.
    void longLabelsAreCutWithoutBreakingACharacter() {
        const auto cut = [](const QString& text) {
            std::string label = text.toStdString();
            LS_DITCtrlEntry::KeepWholeCharacters(label, LS_DITCtrlEntry::TEXT_BUFFER_SIZE - 1);
            return QString::fromStdString(label);
        };
        QCOMPARE(cut(LongName(QStringLiteral("x"), 255)), LongName(QStringLiteral("x"), 255));
        QCOMPARE(cut(LongName(QStringLiteral("x"), 300)), LongName(QStringLiteral("x"), 255));
        QCOMPARE(cut(LongName(QStringLiteral("\u00e9"), 200)),
                 LongName(QStringLiteral("\u00e9"), 127));
        // Three bytes each: 85 of them fill 255 bytes exactly.
        QCOMPARE(cut(LongName(QStringLiteral("\u20ac"), 100)),
                 LongName(QStringLiteral("\u20ac"), 85));
    }

    void intermediateMatchesOfASearchGoIntoTheTree() {
        CMainFrame* frame = app->GetMainFrame();
        auto* left = qobject_cast<LS_LHSTabCtrl*>(frame->LHSTabCtrl());
        LS_FormWin* form = nullptr;
        int page = 0;
        for (std::size_t index = 0; index < left->FormWins().size(); ++index) {
            if (left->FormWins()[index]->Form()->Name() == "People in an organisation") {
                form = left->FormWins()[index].get();
                page = static_cast<int>(index) + 1;
            }
        }
        QVERIFY(form);
        const auto search = [&] {
            left->SelectForm(page, 0);
            form->Rows()[0]->Edit()->setText(QStringLiteral("Holt"));
            form->Rows()[2]->Edit()->setText(QStringLiteral("Calder"));
            form->OnSearch();
            return WaitUntil(
                [&] {
                    return form->Search() && form->Search()->Finished() == 1 && !frame->IsWorking();
                },
                60000);
        };
        LS_DITCtrl* tree = Tree();

        // Both organisations that match are reported; each adds one node of its path.
        QVERIFY(search());
        QCOMPARE(left->currentWidget(), static_cast<QWidget*>(tree));
        QCOMPARE(CountItems(tree), 2);
        QTreeWidgetItem* example = tree->topLevelItem(0);
        QCOMPARE(example->text(0), QStringLiteral("example"));
        QCOMPARE(ChildTexts(example), QStringList{QStringLiteral("calder")});
        QVERIFY(ShowsPicture(example, LS_IconStrip::ORGANISATION));
        QVERIFY(ShowsPicture(example->child(0), LS_IconStrip::ORGANISATION));

        QVERIFY(search());
        QTreeWidgetItem* calder = example->child(0);
        QStringList organisations = ChildTexts(calder);
        organisations.sort();
        QCOMPARE(organisations, (QStringList{QStringLiteral("Calder Institute"),
                                             QStringLiteral("Calder Observatory")}));
        for (int child = 0; child < calder->childCount(); ++child) {
            QVERIFY(ShowsPicture(calder->child(child), LS_IconStrip::ORGANISATION));
        }
        // The form handler asks for the new items to be shown.
        QVERIFY(example->isExpanded() && calder->isExpanded());
        QVERIFY(SaveScreenshot(frame, QStringLiteral("tree-after-searches")));

        // Now every match is in the tree already.
        QVERIFY(search());
        QCOMPARE(CountItems(tree), 4);
    }
};

QTEST_MAIN(DITCtrlTest)
#include "ditctrl_test.moc"
