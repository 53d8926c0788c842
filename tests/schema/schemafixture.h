// Shared by the schema tests: loading a fixture table with its diagnostics captured, and the
// arcs of an OID as a comparable vector.
#pragma once

#include "schema/oidtable.h"
#include "support/debugcapture.h"
#include "support/testdata.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace larkspur::test {

inline std::string FixtureStem(const std::string& name) {
    return TestDataPath("schema/" + name);
}

struct LoadedTable {
    std::unique_ptr<harrow::Oidtable> table;
    int result;
    // Every diagnostic of the load, each followed by a line feed.
    std::string diagnostics;
};

inline LoadedTable LoadTable(const std::string& stem) {
    DebugCapture capture;
    auto table = std::make_unique<harrow::Oidtable>();
    const int result = table->Load(stem.c_str());
    return {std::move(table), result, capture.Joined()};
}

inline LoadedTable LoadFixture(const std::string& name) {
    return LoadTable(FixtureStem(name));
}

// An expected-text file with @STEM@ standing for the stem the table was loaded from.
inline std::string ExpectedText(const std::string& file, const std::string& stem) {
    std::string text = ReadFile(TestDataPath("schema/" + file));
    const std::string marker = "@STEM@";
    for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker, at)) {
        text.replace(at, marker.size(), stem);
        at += stem.size();
    }
    return text;
}

inline std::vector<std::uint32_t> Arcs(const harrow::QOID& oid) {
    const std::uint32_t* arcs = oid.OID();
    return arcs == nullptr ? std::vector<std::uint32_t>()
                           : std::vector<std::uint32_t>(arcs, arcs + oid.GetCount());
}

inline std::vector<std::uint32_t> Resolved(const harrow::Oidtable& table, const std::string& text) {
    const std::unique_ptr<harrow::QOID> oid(table.str2oid(text));
    return Arcs(*oid);
}

} // namespace larkspur::test
