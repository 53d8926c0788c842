// The registry file reader and the program's registry functions built on it.
#include "guitest.h"
#include "platform/LS_Registry.h"
#include "support/debugcapture.h"
#include "support/testdata.h"

#include <QFile>
#include <QtTest>

#include <cstring>

using larkspur::test::DebugCapture;

namespace {

const char* const startupKey = "HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Startup";

std::string AllMessages(const DebugCapture& capture) {
    std::string all;
    for (const std::string& message : capture.Messages()) {
        all += message;
    }
    return all;
}

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

} // namespace

class RegistryTest : public larkspur::test::LarkspurGuiTest {
    Q_OBJECT

private slots:
    void init() { OpenSandbox(false); }
    void cleanup() { CloseSandbox(); }

    void readsStringsNumbersAndEscapes() {
        LS_Registry registry;
        const int malformed = registry.Parse(
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "; start-up settings\n"
            "[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Startup]\n"
            "\"Server Address\"=\"localhost\"\n"
            "\"Server Port\"=dword:00000185\n"
            "\"Quoted \\\"name\\\"\" = \"C:\\\\Program Files\\\\\\\"Larkspur\\\"\"\r\n"
            "@=\"the default\"\n"
            "\"Empty\"=\"\"\n",
            "test.reg");
        QCOMPARE(malformed, 0);
        const LS_Registry::Value* address = registry.FindValue(startupKey, "Server Address");
        QVERIFY(address);
        QCOMPARE(address->type, LS_REG_SZ);
        QCOMPARE(address->data, std::string("localhost", 10));
        const LS_Registry::Value* port = registry.FindValue(startupKey, "server port");
        QVERIFY(port);
        QCOMPARE(port->type, LS_REG_DWORD);
        QCOMPARE(port->data, Bytes({0x85, 0x01, 0x00, 0x00}));
        const LS_Registry::Value* quoted = registry.FindValue(startupKey, "Quoted \"name\"");
        QVERIFY(quoted);
        QCOMPARE(std::string(quoted->data.c_str()), std::string("C:\\Program Files\\\"Larkspur\""));
        QCOMPARE(std::string(registry.FindValue(startupKey, "")->data.c_str()),
                 std::string("the default"));
        QCOMPARE(registry.FindValue(startupKey, "Empty")->data, std::string(1, '\0'));
        QVERIFY(!registry.FindValue(startupKey, "Missing"));
    }

    void readsHexDataAcrossContinuedLines() {
        LS_Registry registry;
        QCOMPARE(registry.Parse("Windows Registry Editor Version 5.00\n"
                                "[HKEY_CURRENT_USER\\Software\\Data]\n"
                                "\"Binary\"=hex:01,ff,\\\n"
                                "  7f,00\n"
                                "\"Path\"=hex(2):25,00,41,00,00,00\n"
                                "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
                                "\"Big\"=hex(b):01,00,00,00,00,00,00,00\n"
                                "\"Nothing\"=hex:\n",
                                "test.reg"),
                 0);
        const char* key = "HKEY_CURRENT_USER\\Software\\Data";
        QCOMPARE(registry.FindValue(key, "Binary")->type, LS_REG_BINARY);
        QCOMPARE(registry.FindValue(key, "Binary")->data, Bytes({0x01, 0xff, 0x7f, 0x00}));
        QCOMPARE(registry.FindValue(key, "Path")->type, LS_REG_EXPAND_SZ);
        QCOMPARE(registry.FindValue(key, "Path")->data, std::string("%A\0", 3));
        QCOMPARE(registry.FindValue(key, "List")->type, LS_REG_MULTI_SZ);
        QCOMPARE(registry.FindValue(key, "List")->data, std::string("a\0b\0\0", 5));
        QCOMPARE(registry.FindValue(key, "Big")->type, LS_REG_QWORD);
        QCOMPARE(registry.FindValue(key, "Nothing")->data, std::string());
    }

    void keysComeWithTheirParentsAndCanBeDeleted() {
        LS_Registry registry;
        registry.Parse("REGEDIT4\n"
                       "[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Icons]\n"
                       "\"Icon Count\"=dword:2\n"
                       "\"Icon1\"=\"person\"\n"
                       "\"Icon1\"=-\n"
                       "[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Startup]\n"
                       "[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Old\\Deep]\n"
                       "[-HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Old]\n",
                       "test.reg");
        QVERIFY(registry.HasKey("hkey_current_user\\software\\CALDER INSTITUTE"));
        QVERIFY(!registry.HasKey("HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Old"));
        QVERIFY(
            !registry.HasKey("HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\Old\\Deep"));
        const std::string larkspur = "HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur";
        QCOMPARE(registry.SubKeyCount(larkspur), 2ul);
        QCOMPARE(registry.ValueCount(larkspur + "\\Icons"), 1ul);
        QVERIFY(!registry.FindValue(larkspur + "\\Icons", "Icon1"));
    }

    void malformedLinesAreReportedAndSkipped() {
        DebugCapture capture;
        LS_Registry registry;
        const int malformed = registry.Parse("Windows Registry Editor Version 5.00\n"
                                             "\"Orphan\"=\"before any key\"\n"
                                             "[HKEY_CURRENT_USER\\Software\\Test]\n"
                                             "\"Good\"=\"kept\"\n"
                                             "\"Unterminated=\"x\"\n"
                                             "\"Bad escape\"=\"a\\tb\"\n"
                                             "\"Trailing\"=\"x\" junk\n"
                                             "\"Number\"=dword:123456789\n"
                                             "\"Not hex\"=dword:12g4\n"
                                             "\"Bytes\"=hex:01,2,zz\n"
                                             "\"Typed\"=hex(2:00\n"
                                             "\"No data\"=\n"
                                             "no equals sign\n"
                                             "[HKEY_CURRENT_USER\\\\Double]\n"
                                             "[HKEY_CURRENT_USER\\Open\n"
                                             "\"Later\"=dword:00000001\n",
                                             "broken.reg");
        QCOMPARE(malformed, 12);
        QCOMPARE(AllMessages(capture), larkspur::test::ReadFile(larkspur::test::TestDataPath(
                                           "app/registry-malformed.txt")));
        QCOMPARE(registry.FindValue("HKEY_CURRENT_USER\\Software\\Test", "Good")->data,
                 std::string("kept", 5));
        QVERIFY(registry.FindValue("HKEY_CURRENT_USER\\Software\\Test", "Later"));
    }

    void readsAFileSavedAsUtf16() {
        const QString path = SandboxPath(QStringLiteral("utf16.reg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                            "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
                                            "\"Name\"=\"Zo\u00eb\"\r\n");
        file.write("\xff\xfe", 2);
        file.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        file.close();
        const auto registry = LS_Registry::FromFile(path.toStdString());
        QCOMPARE(registry->FindValue("HKEY_CURRENT_USER\\Software\\Test", "Name")->data,
                 std::string("Zo\xc3\xab", 5));
        QVERIFY(!LS_Registry::FromFile(SandboxPath(QStringLiteral("none.reg")).toStdString())
                     ->HasKey("HKEY_CURRENT_USER"));
    }

    void opensKeysOneLevelAtATime() {
        WriteRegistry(StartupRegistry("o=Test", "localhost", 389) +
                      QStringLiteral("[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\"
                                     "Entry Display\\person]\n\"Title\"=\"cn\"\n"));
        CLarkspur32App app({});
        app.SetRegistryKey("Calder Institute");
        QVERIFY(app.OpenRegistryKey("Startup"));
        const auto nested = app.OpenRegistryKey("Entry Display\\Person");
        QVERIFY(nested);
        QCOMPARE(nested->Path(), std::string("HKEY_CURRENT_USER\\Software\\Calder "
                                             "Institute\\Larkspur\\Entry Display\\Person"));
        DebugCapture capture;
        QVERIFY(!app.OpenRegistryKey(nullptr));
        QVERIFY(capture.Messages().empty());
        QVERIFY(!app.OpenRegistryKey("Icons"));
        QCOMPARE(AllMessages(capture),
                 std::string("Failed to open requested registry key: Icons\n"));
    }

    void readsValuesOfTheExpectedTypeOnly() {
        WriteRegistry(StartupRegistry("o=Test", "localhost", 389));
        CLarkspur32App app({});
        app.SetRegistryKey("Calder Institute");
        const auto key = app.OpenRegistryKey("Startup");
        QVERIFY(key);
        char text[64] = {};
        unsigned long size = sizeof text;
        QCOMPARE(app.ReadRegistryValue(key.get(), "Server Address", LS_REG_SZ, text, size), 1);
        QCOMPARE(std::string(text), std::string("localhost"));
        QCOMPARE(size, 10ul);

        DebugCapture capture;
        size = sizeof text;
        QCOMPARE(app.ReadRegistryValue(key.get(), "Server Port", LS_REG_SZ, text, size), 0);
        size = sizeof text;
        QCOMPARE(app.ReadRegistryValue(key.get(), "Icon Count", LS_REG_DWORD, text, size), 0);
        size = 4;
        QCOMPARE(app.ReadRegistryValue(key.get(), "Server Address", LS_REG_SZ, text, size), 0);
        QCOMPARE(AllMessages(capture),
                 larkspur::test::ReadFile(larkspur::test::TestDataPath("app/registry-read.txt")));
    }

    void loadsTheStartupSettings() {
        WriteRegistry(StartupRegistry("ou=Forms,o=Test", "ldap.example", 389));
        CLarkspur32App app({});
        app.SetRegistryKey("Calder Institute");
        QCOMPARE(app.LoadStartupSettings(), 1);
        QCOMPARE(app.ConfigDN(), std::string("ou=Forms,o=Test"));
        QCOMPARE(app.ServerAddress(), std::string("ldap.example"));
        QCOMPARE(app.ServerPort(), 389);
    }

    void startupSettingsNeedAllThreeValues() {
        WriteRegistry(StartupRegistry("ou=Forms,o=Test", "ldap.example", -1));
        CLarkspur32App app({});
        app.SetRegistryKey("Calder Institute");
        DebugCapture capture;
        QCOMPARE(app.LoadStartupSettings(), 0);
        QCOMPARE(AllMessages(capture),
                 std::string("Failed to read registry key:\nHKCU/Software/"
                             "Calder Institute/Larkspur/Startup/Server Port\n"));

        WriteRegistry(
            QStringLiteral("[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur]\n"));
        CLarkspur32App withoutKey({});
        withoutKey.SetRegistryKey("Calder Institute");
        capture.Clear();
        QCOMPARE(withoutKey.LoadStartupSettings(), 0);
        QCOMPARE(AllMessages(capture),
                 std::string("Failed to open requested registry key: Startup\n"
                             "Failed to read registry key:\nHKCU/Software/Calder "
                             "Institute/Larkspur/Startup/\n"));
    }
};

QTEST_MAIN(RegistryTest)
#include "registry_test.moc"
