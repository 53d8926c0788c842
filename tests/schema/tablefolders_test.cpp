// Where the OID tables are looked for: the current folder, then $XDG_DATA_HOME/larkspur, then
// each $XDG_DATA_DIRS/larkspur in order; a folder without all three files is passed over.
#include "schema/oidtable.h"
#include "schema/tablefolders.h"
#include "support/debugcapture.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using harrow::Oidtable;

// A private tree of folders, each holding its own tables (a generator named after the folder),
// with the current folder and the XDG variables pointed into it for the test's length.
class TableFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tablefolders-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        root = pattern;
        previous = fs::current_path();
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
            const char* value = getenv(name);
            saved.emplace_back(name, value == nullptr ? std::string("\x01") : value);
        }
        fs::create_directories(root / "work");
        fs::current_path(root / "work");
        setenv("HOME", (root / "home").c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "datahome").c_str(), 1);
        setenv("XDG_DATA_DIRS",
               ("relative:" + (root / "first").string() + ":" + (root / "second").string() + "/")
                   .c_str(),
               1);
    }

    void TearDown() override {
        fs::current_path(previous);
        for (const auto& [name, value] : saved) {
            if (value == "\x01") {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        fs::remove_all(root);
    }

    // Tables in the folder whose only generator is named after it.
    void WriteTables(const fs::path& folder, const std::string& generator,
                     bool withClasses = true) {
        fs::create_directories(folder);
        std::ofstream(folder / "oidtable32.gen") << generator << ": 1.2.3\n";
        std::ofstream(folder / "oidtable32.at") << "cn : 2.5.4.3 : cis : Name\n";
        if (withClasses) {
            std::ofstream(folder / "oidtable32.oc") << "person : 2.5.6.6 : : cn : \n";
        }
    }

    // The generator of the tables that Load read; empty when it failed.
    std::string LoadedGenerator() {
        larkspur::test::DebugCapture capture;
        Oidtable table;
        if (!table.Load("oidtable32")) {
            return "";
        }
        for (const char* name : {"work", "datahome", "first", "second"}) {
            // A known generator expands to its three arcs; an unknown name is a single arc.
            const std::unique_ptr<harrow::QOID> oid(table.str2oid(std::string(name) + ".1"));
            if (oid->GetCount() == 4) {
                return name;
            }
        }
        return "?";
    }

    fs::path root;
    fs::path previous;
    std::vector<std::pair<std::string, std::string>> saved;
};

TEST_F(TableFoldersTest, TheCurrentFolderComesFirstThenTheDataFoldersInOrder) {
    EXPECT_EQ("", LoadedGenerator());
    WriteTables(root / "second" / "larkspur", "second");
    EXPECT_EQ("second", LoadedGenerator());
    WriteTables(root / "first" / "larkspur", "first");
    EXPECT_EQ("first", LoadedGenerator());
    WriteTables(root / "datahome" / "larkspur", "datahome");
    EXPECT_EQ("datahome", LoadedGenerator());
    WriteTables(root / "work", "work");
    EXPECT_EQ("work", LoadedGenerator());
}

TEST_F(TableFoldersTest, AFolderWithoutAllThreeFilesIsPassedOver) {
    WriteTables(root / "datahome" / "larkspur", "datahome", false);
    WriteTables(root / "second" / "larkspur", "second");
    EXPECT_EQ("second", LoadedGenerator());
}

TEST_F(TableFoldersTest, UnsetVariablesMeanTheBaseDirectoryDefaults) {
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
    EXPECT_EQ((std::vector<std::string>{(root / "home/.local/share/larkspur").string(),
                                        "/usr/local/share/larkspur", "/usr/share/larkspur"}),
              harrow::OidTableFolders());
    WriteTables(root / "home" / ".local" / "share" / "larkspur", "datahome");
    EXPECT_EQ("datahome", LoadedGenerator());
}

TEST_F(TableFoldersTest, AFailureNamesTheFilesOfTheCurrentFolder) {
    EXPECT_EQ("oidtable32", harrow::LocateOidTables("oidtable32"));
    WriteTables(root / "first" / "larkspur", "first");
    EXPECT_EQ((root / "first" / "larkspur" / "oidtable32").string(),
              harrow::LocateOidTables("oidtable32"));
    // A stem with a folder of its own is never looked for elsewhere.
    EXPECT_EQ("./oidtable32", harrow::LocateOidTables("./oidtable32"));
}

} // namespace
