// The result pages built from only what they use, with no application object: settings over a
// registry text, a recorder standing for the frame, and a manager with its schema.
#include "guitest.h"

#include "platform/LS_Registry.h"
#include "platform/LS_Settings.h"
#include "platform/LS_StatusReport.h"
#include "platform/Resource.h"
#include "results/LS_EntryListCtrl.h"
#include "results/LS_EntryViewCtrl.h"
#include "results/LS_ResultPages.h"

#include "access/qdsmanager.h"

#include <QHeaderView>
#include <QtTest>

#include <string>
#include <vector>

namespace {

// The program's settings as one registry text holds them.
class TextSettings : public LS_Settings {
public:
    explicit TextSettings(const std::string& text) { registry.Parse(text, "standalone"); }

    std::unique_ptr<LS_RegistryKey> OpenRegistryKey(const char* keyName) override {
        return LS_RegistryKey(registry, LS_RegistryKey::CurrentUser)
            .OpenSubKey(std::string("Software\\Calder Institute\\Larkspur\\") + keyName);
    }
    int ReadRegistryValue(const LS_RegistryKey* key, const char* valueName,
                          unsigned long expectedType, void* data,
                          unsigned long& size) const override {
        unsigned long type = LS_REG_NONE;
        return key && key->QueryValue(valueName, type, data, size) && type == expectedType;
    }
    std::string RegistryFilePath() const override { return {}; }
    std::string RegistryKeyPath(const char* keyName) const override { return keyName; }
    void ShowError(unsigned int stringId) override { errors.push_back(stringId); }

    std::vector<unsigned int> errors;

private:
    LS_Registry registry;
};

// Stands for the frame: keeps what the pages tell it, and has no panes.
class FrameRecorder : public LS_StatusReport, public LS_ResultPages {
public:
    void SetStatusText(const QString& text) override { texts << text; }
    void SetProgressText(const QString& text) override { texts << text; }
    void FlashStatus() override { ++flashes; }
    void SetCounters(int, int) override {}
    bool ShowEntryList() override { return false; }
    bool ShowEntryView() override { return false; }

    QStringList texts;
    int flashes = 0;
};

std::string ColumnsRegistry(const std::string& columnValues) {
    return "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Entry List Columns]\n"
           "\"Column List\"=\"Name,Department\"\n" +
           columnValues;
}

} // namespace

class StandaloneTest : public larkspur::test::LarkspurGuiTest {
    Q_OBJECT

private:
    QStringList HeaderLabels(const LS_EntryListCtrl& list) {
        QStringList labels;
        for (int column = 0; column < list.model()->columnCount(); ++column) {
            labels << list.model()->headerData(column, Qt::Horizontal).toString();
        }
        return labels;
    }

private slots:
    void init() { OpenSandbox(); }
    void cleanup() { CloseSandbox(); }

    void entryListNeedsNoApplication() {
        QVERIFY(!CLarkspur32App::Instance());
        harrow::QDSManager manager;
        QVERIFY(manager.PreInitialise());

        struct Case {
            const char* name;
            std::string values;
            int columnsRead;
            std::vector<unsigned int> errors;
        };
        const Case cases[] = {
            {"both columns", "\"Name\"=\"cn:RDN\"\n\"Department\"=\"ou\"\n", 2, {}},
            {"unknown type told through the settings",
             "\"Name\"=\"cn:RDN\"\n\"Department\"=\"noSuchType\"\n",
             1,
             {res::IDS_REGISTRY_MISSING}},
        };
        for (const Case& test : cases) {
            TextSettings settings(ColumnsRegistry(test.values));
            FrameRecorder frame;
            LS_EntryViewCtrl view(frame);
            LS_EntryListCtrl list(settings, frame, view, frame);
            list.SetDirectory(&manager, nullptr);
            list.Create(nullptr, QRect(0, 0, 400, 200), 0);
            QCOMPARE(HeaderLabels(list), QStringList({"Name", "Department"}));
            QCOMPARE(list.Info().ColumnCount(), test.columnsRead);
            QVERIFY2(settings.errors == test.errors, test.name);
            // With no row selected a double click reads nothing and tells nothing.
            list.OnDblclk();
            QVERIFY(!list.ReadRequest());
            QVERIFY(frame.texts.isEmpty());
            list.Destroy();
        }
    }
};

QTEST_MAIN(StandaloneTest)
#include "standalone_test.moc"
