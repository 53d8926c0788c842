#include "schemafixture.h"
#include "support/schemascan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using harrow::Oidtable;
using harrow::PtrList;
using harrow::QAttrT;
using harrow::QOC;
using larkspur::test::ScanFor;

// Small alphabets on purpose: names, OIDs and generator expansions collide often, so the
// earliest-position rule between a name match and an OID match is exercised on every table.
const std::vector<std::string> kNames = {"cn", "sn",   "mail", "alpha", "Beta",  "x", "",
                                         "g0", "g1.2", "G2.1", "1.2",   "2.1.3", "3", "g1"};
const std::vector<std::string> kGenerators = {"g0", "g1", "g2", "g3"};

class RandomTable {
public:
    explicit RandomTable(unsigned int seed) : random(seed) {}

    std::string Generators() {
        std::string text;
        for (std::size_t i = 0; i < kGenerators.size(); ++i) {
            // A generator may use only the ones before it; later ones resolve to nothing.
            text += Cased(kGenerators[i]) + ": " + OIDText() + "\n";
        }
        return text;
    }

    std::string AttributeTypes(int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += NamesText() + " : " + OIDsText() + " : ces\n";
        }
        return text;
    }

    std::string ObjectClasses(int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += NamesText() + " : " + OIDText() + " : : cn :\n";
        }
        return text;
    }

    // Something a caller might look up: a known name in any case, an OID in dotted or generator
    // form, padded or not, or plain rubbish.
    std::string Query() {
        switch (Pick(6)) {
        case 0:
        case 1:
            return Cased(kNames[Pick(kNames.size())]);
        case 2:
            return OIDText();
        case 3:
            return " " + Cased(kNames[Pick(kNames.size())]);
        case 4:
            return Cased(kGenerators[Pick(kGenerators.size())]) + "." + std::to_string(Pick(4));
        default:
            return "unknown" + std::to_string(Pick(3));
        }
    }

private:
    std::size_t Pick(std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
    }

    std::string Cased(const std::string& text) {
        std::string cased = text;
        for (char& c : cased) {
            if (Pick(2) == 0) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
        }
        return cased;
    }

    std::string OIDText() {
        switch (Pick(4)) {
        case 0:
            return "noSuchGenerator";
        case 1:
            return Cased(kGenerators[Pick(kGenerators.size())]) + "." + std::to_string(1 + Pick(3));
        default: {
            std::string text = std::to_string(1 + Pick(3));
            for (std::size_t arcs = Pick(3); arcs > 0; --arcs) {
                text += "." + std::to_string(Pick(4));
            }
            return text;
        }
        }
    }

    std::string NamesText() {
        std::string text;
        for (std::size_t count = Pick(3); count > 0; --count) {
            text += (text.empty() ? "" : ",") + Cased(kNames[Pick(kNames.size())]);
        }
        return text.empty() ? Cased(kNames[Pick(kNames.size())]) : text;
    }

    std::string OIDsText() {
        std::string text = OIDText();
        for (std::size_t count = Pick(3); count > 0; --count) {
            text += "," + OIDText();
        }
        return text;
    }

    std::mt19937 random;
};

class IndexedLookupTest : public testing::TestWithParam<unsigned int> {
protected:
    void SetUp() override {
        directory =
            std::filesystem::temp_directory_path() /
            ("larkspur-schema-" + std::to_string(getpid()) + "-" + std::to_string(GetParam()));
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::string WriteTable(RandomTable& source) {
        const std::string stem = (directory / "oidtable").string();
        std::ofstream(stem + ".gen") << source.Generators();
        std::ofstream(stem + ".at") << source.AttributeTypes(40);
        std::ofstream(stem + ".oc") << source.ObjectClasses(25);
        return stem;
    }

    std::filesystem::path directory;
};

TEST_P(IndexedLookupTest, AgreesWithTheLinearScan) {
    RandomTable source(GetParam());
    const auto loaded = larkspur::test::LoadTable(WriteTable(source));
    ASSERT_EQ(loaded.result, 1);
    const Oidtable& table = *loaded.table;
    PtrList<QAttrT> types;
    table.GetAttrTypes(types);
    PtrList<QOC> classes;
    table.GetObjectClasses(classes);
    ASSERT_EQ(types.GetCount(), 40u);
    ASSERT_EQ(classes.GetCount(), 25u);

    for (int i = 0; i < 400; ++i) {
        const std::string query = source.Query();
        EXPECT_EQ(table.str2at(query), ScanFor(table, types, query)) << '"' << query << '"';
        EXPECT_EQ(table.str2oc(query), ScanFor(table, classes, query)) << '"' << query << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, IndexedLookupTest, testing::Range(1u, 41u));

} // namespace
