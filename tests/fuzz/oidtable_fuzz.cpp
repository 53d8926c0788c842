// The three OID table files, taken as one input split at NUL bytes into the generator, attribute
// type and object class files: loading ends, writes only the loader's own diagnostics, keeps no
// OID longer than the limit, and look-ups of any name in the input are safe.
#include "fuzzsupport.h"

#include "schema/oidtable.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using harrow::Oidtable;
using harrow::QOID;
using larkspur::fuzz::Require;

// The opening and closing text of every message the loader can write.
struct Format {
    const char* opening;
    const char* closing;
};

constexpr std::array<Format, 10> kLoaderMessages{{
    {"Generator OID ", " already defined!\n"},
    {"Failed to parse line in oidtable.at:\n", "\n"},
    {"Unrecognized syntax in oidtable.at (", ").\n"},
    {"Failed to parse line in oidtable.oc:\n", "\n"},
    {"Failed to recognize base object class (", ")\n"},
    {"Failed to recognize attribute (", ")\n"},
    {"Object class (", ") defined wih no mandatory or optional attributes\n"},
    {"Failed to parse attribute set:\n", "\n"},
    {"Unrecognized attribute (", ")\n"},
    {"OID of more than 1024 arcs rejected:\n", "\n"},
}};

bool IsLoaderMessage(const std::string& message) {
    return std::any_of(kLoaderMessages.begin(), kLoaderMessages.end(), [&](const Format& f) {
        const std::string opening = f.opening;
        const std::string closing = f.closing;
        return message.size() >= opening.size() + closing.size() &&
               message.compare(0, opening.size(), opening) == 0 &&
               message.compare(message.size() - closing.size(), closing.size(), closing) == 0;
    });
}

std::array<std::string, 3> SplitFiles(const std::string& input) {
    std::array<std::string, 3> files;
    std::size_t start = 0;
    for (std::size_t i = 0; i < files.size() && start <= input.size(); ++i) {
        const std::size_t end = i + 1 < files.size() ? input.find('\0', start) : input.npos;
        files[i] = input.substr(start, end == input.npos ? input.npos : end - start);
        start = end == input.npos ? input.size() + 1 : end + 1;
    }
    return files;
}

// The pieces between the separators of the three formats, at most a few dozen of them.
std::vector<std::string> NamesIn(const std::string& input) {
    std::vector<std::string> names;
    std::string piece;
    for (char c : input) {
        if (c == ':' || c == ',' || c == '=' || c == '\n' || c == '\0') {
            names.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
        if (names.size() == 64) {
            return names;
        }
    }
    names.push_back(piece);
    return names;
}

void LookUp(const Oidtable& table, const std::string& name) {
    const std::unique_ptr<QOID> oid(table.str2oid(name));
    table.str2at(name);
    if (harrow::QOC* oc = table.str2oc(name)) {
        harrow::PtrList<harrow::QAttrT> types;
        oc->Must(types);
        oc->May(types);
    }
}

void CheckArcLimit(const Oidtable& table) {
    harrow::PtrList<harrow::QAttrT> types;
    table.GetAttrTypes(types);
    for (const harrow::QAttrT* type : types) {
        for (const QOID& oid : type->OIDs()) {
            Require(oid.GetCount() <= 1024, "no attribute type OID has more than 1024 arcs");
        }
    }
    harrow::PtrList<harrow::QOC> classes;
    table.GetObjectClasses(classes);
    for (const harrow::QOC* oc : classes) {
        Require(oc->GetCount() <= 1024, "no object class OID has more than 1024 arcs");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::array<std::string, 3> files = SplitFiles(input);
    const std::string stem = larkspur::fuzz::ScratchPath("oidtable");
    larkspur::fuzz::WriteFile(stem + ".gen", files[0]);
    larkspur::fuzz::WriteFile(stem + ".at", files[1]);
    larkspur::fuzz::WriteFile(stem + ".oc", files[2]);

    const larkspur::fuzz::Diagnostics diagnostics;
    Oidtable table;
    Require(table.Load(stem.c_str()) == 1, "three files that exist always load");
    for (const std::string& message : diagnostics.Messages()) {
        Require(IsLoaderMessage(message), "the loader writes only its own messages", message);
    }
    CheckArcLimit(table);
    for (const std::string& name : NamesIn(input)) {
        LookUp(table, name);
    }
    return 0;
}
