// Resolves attribute type names and OIDs against a table of 2,000 types, once through the
// table's index and once by walking the table in order, and prints how much faster the index is.

#include "schema/oidtable.h"
#include "support/schemascan.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kTypes = 2000;
constexpr int kQueries = 5000;

using harrow::Oidtable;
using harrow::PtrList;
using harrow::QAttrT;

std::string TypeName(int i) {
    return "benchAttribute" + std::to_string(i);
}

// Writes a table of kTypes types, each with a name, an alias and a generator-based OID.
std::string WriteTable(const std::filesystem::path& directory) {
    const std::string stem = (directory / "oidtable").string();
    std::ofstream(stem + ".gen") << "bench: 1.3.6.1.4.1.99999\nbenchAttr: bench.1\n";
    std::ofstream types(stem + ".at");
    for (int i = 0; i < kTypes; ++i) {
        types << TypeName(i) << ", alias" << i << " : benchAttr." << i + 1
              << " : CaseIgnoreString : Benchmark Attribute " << i << "\n";
    }
    types.close();
    std::ofstream(stem + ".oc") << "top : 2.5.6.0 : : benchAttribute0 :\n";
    return stem;
}

// What an entry's attributes look like to the resolver: mostly names in the server's letter
// case, some dotted or generator-based OIDs, and a few types the table does not know.
std::vector<std::string> Queries() {
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> type(0, kTypes - 1);
    std::uniform_int_distribution<int> kind(0, 9);
    std::vector<std::string> queries;
    for (int i = 0; i < kQueries; ++i) {
        const int t = type(random);
        switch (kind(random)) {
        case 0:
            queries.push_back("1.3.6.1.4.1.99999.1." + std::to_string(t + 1));
            break;
        case 1:
            queries.push_back("BENCHATTR." + std::to_string(t + 1));
            break;
        case 2:
            queries.push_back("unknownAttribute" + std::to_string(t));
            break;
        case 3:
            queries.push_back("ALIAS" + std::to_string(t));
            break;
        default:
            queries.push_back(TypeName(t));
        }
    }
    return queries;
}

template <typename Resolve>
double Milliseconds(const std::vector<std::string>& queries, std::vector<QAttrT*>& results,
                    Resolve resolve) {
    results.clear();
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& query : queries) {
        results.push_back(resolve(query));
    }
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

} // namespace

int main() {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("larkspur-oidbench-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    Oidtable table;
    const int loaded = table.Load(WriteTable(directory).c_str());
    std::filesystem::remove_all(directory);
    if (!loaded) {
        std::fprintf(stderr, "The benchmark table did not load.\n");
        return 1;
    }

    PtrList<QAttrT> types;
    table.GetAttrTypes(types);
    const std::vector<std::string> queries = Queries();
    std::vector<QAttrT*> scanned;
    std::vector<QAttrT*> indexed;
    const double scanTime = Milliseconds(queries, scanned, [&](const std::string& query) {
        return larkspur::test::ScanFor(table, types, query);
    });
    const double indexTime = Milliseconds(
        queries, indexed, [&](const std::string& query) { return table.str2at(query); });
    if (scanned != indexed) {
        std::fprintf(stderr, "The index and the linear scan disagree.\n");
        return 1;
    }

    std::printf("Resolved %d names and OIDs against %zu attribute types\n", kQueries,
                types.GetCount());
    std::printf("linear scan: %10.2f ms (%8.3f us per look-up)\n", scanTime,
                scanTime * 1000 / kQueries);
    std::printf("indexed:     %10.2f ms (%8.3f us per look-up)\n", indexTime,
                indexTime * 1000 / kQueries);
    std::printf("speed-up:    %10.1fx\n", scanTime / indexTime);
    return 0;
}
