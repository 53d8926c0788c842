#include "schema/oidtable.h"

#include "qdebugoutput.h"
#include "schema/cstdiofileex.h"
#include "schema/qlistsyntax.h"
#include "schema/qstringsyntax.h"
#include "schema/qurisyntax.h"
#include "schema/schematext.h"
#include "schema/tablefolders.h"

#include <cctype>
#include <cstdint>
#include <functional>
#include <limits>

namespace harrow {

namespace {

using LineHandler = std::function<void(const std::string&)>;

// Hands every logical line that is neither empty nor a comment to the handler; false when the
// file cannot be opened.
bool ReadDefinitions(const std::string& path, const LineHandler& handle) {
    CStdioFileEx file(path);
    if (!file.is_open()) {
        return false;
    }
    std::string line;
    while (file.ReadExtendedString(line)) {
        if (!line.empty() && line.front() != '#') {
            handle(line);
        }
    }
    return true;
}

// The number at the start of an OID component, read the way strtoul reads base 10 with a 32-bit
// unsigned long: leading white space and a sign accepted, too large a number saturated, and 0
// when there are no digits.
std::uint32_t ArcValue(const std::string& component) {
    std::string::size_type i = 0;
    while (i < component.size() && std::isspace(static_cast<unsigned char>(component[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < component.size() && (component[i] == '+' || component[i] == '-')) {
        negative = component[i] == '-';
        ++i;
    }
    constexpr std::uint64_t largest = std::numeric_limits<std::uint32_t>::max();
    std::uint64_t value = 0;
    for (; i < component.size() && std::isdigit(static_cast<unsigned char>(component[i])); ++i) {
        value = value * 10 + static_cast<std::uint64_t>(component[i] - '0');
        if (value > largest) {
            return std::numeric_limits<std::uint32_t>::max();
        }
    }
    const auto arc = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - arc) : arc;
}

void ReportLongOID(const std::string& line) {
    QDebugOutput::Writef("OID of more than %u arcs rejected:\n%s\n", QOID::MaxArcs, line.c_str());
}

std::vector<const QOID*> OIDsOf(const QAttrT& type) {
    std::vector<const QOID*> oids;
    for (const QOID& oid : type.OIDs()) {
        oids.push_back(&oid);
    }
    return oids;
}

} // namespace

Oidtable::Oidtable() {
    for (const char* name :
         {"ces", "cis", "CaseExactString", "CaseIgnoreString", "CaseIgnoreIA5String",
          "CountryString", "TelephoneNumber", "FacsimileTelephoneNumber", "ObjectClass"}) {
        RegisterSyntax(std::make_unique<QStringSyntax>(name));
    }
    RegisterSyntax(std::make_unique<QURISyntax>("LabeledURI"));
    for (const char* name : {"CaseExactList", "CaseIgnoreList", "PostalAddress"}) {
        RegisterSyntax(std::make_unique<QListSyntax>(name));
    }
}

Oidtable::~Oidtable() = default;

int Oidtable::Load(const char* stem) {
    const std::string located = LocateOidTables(stem == nullptr ? "" : stem);
    return LoadGen(located.c_str()) && LoadAt(located.c_str()) && LoadOC(located.c_str()) ? 1 : 0;
}

QOID* Oidtable::str2oid(const std::string& text) const {
    auto oid = std::make_unique<QOID>();
    Resolve(text, *oid);
    return oid.release();
}

QAttrT* Oidtable::str2at(const std::string& text) const {
    if (const auto known = typesByText.find(text); known != typesByText.end()) {
        return known->second;
    }
    QOID oid;
    Resolve(text, oid);
    QAttrT* type = attrTypeIndex.Find(text, oid);
    if (typesByText.size() < kTypesRemembered) {
        typesByText.emplace(text, type);
    }
    return type;
}

QOC* Oidtable::str2oc(const std::string& text) const {
    QOID oid;
    Resolve(text, oid);
    return objectClassIndex.Find(text, oid);
}

QSyntax* Oidtable::str2syntax(const std::string& name) const {
    const auto found = syntaxes.find(name);
    return found == syntaxes.end() ? nullptr : found->second.get();
}

QSyntax* Oidtable::attr2syntax(const QAttrT* type) const {
    return type == nullptr ? nullptr : type->Syntax();
}

void Oidtable::GetAttrTypes(PtrList<QAttrT>& out) const {
    out.RemoveAll();
    for (const auto& type : attrTypes) {
        out.AddTail(type.get());
    }
}

void Oidtable::GetObjectClasses(PtrList<QOC>& out) const {
    out.RemoveAll();
    for (const auto& oc : objectClasses) {
        out.AddTail(oc.get());
    }
}

int Oidtable::LoadGen(const char* stem) {
    const std::string path = std::string(stem == nullptr ? "" : stem) + ".gen";
    if (!ReadDefinitions(path, [this](const std::string& line) { ReadGenerator(line); })) {
        QDebugOutput::Writef("Failed to find OID generator file: %s\n", path.c_str());
        return 0;
    }
    return 1;
}

int Oidtable::LoadAt(const char* stem) {
    const std::string path = std::string(stem == nullptr ? "" : stem) + ".at";
    if (!ReadDefinitions(path, [this](const std::string& line) { ReadAttrType(line); })) {
        QDebugOutput::Writef("Failed to find attribute type file: %s\n", path.c_str());
        return 0;
    }
    return 1;
}

int Oidtable::LoadOC(const char* stem) {
    const std::string path = std::string(stem == nullptr ? "" : stem) + ".oc";
    const auto readLine = [this](const std::string& line) {
        const std::string::size_type equals = line.find('=');
        if (equals != std::string::npos && equals > 0) {
            ReadAttrSet(line);
        } else {
            ReadObjectClass(line);
        }
    };
    if (!ReadDefinitions(path, readLine)) {
        QDebugOutput::Writef("Failed to find object class file: %s\n", path.c_str());
        return 0;
    }
    return 1;
}

void Oidtable::ReadGenerator(const std::string& line) {
    const std::string::size_type colon = line.find(':');
    if (colon == std::string::npos || colon == 0) {
        return;
    }
    const std::string name = Trimmed(line.substr(0, colon));
    if (FindGenerator(name) != nullptr) {
        QDebugOutput::Writef("Generator OID %s already defined!\n", name.c_str());
        return;
    }
    QOID oid;
    if (!Resolve(Trimmed(line.substr(colon + 1)), oid)) {
        ReportLongOID(line);
        return;
    }
    generators.push_back(std::make_unique<QGenOID>(name, oid));
    generatorsByName.emplace(LowerCased(name), generators.back().get());
    // A generator changes what dotted texts resolve to.
    typesByText.clear();
}

void Oidtable::ReadAttrType(const std::string& line) {
    QStringList fields;
    const unsigned int count = SplitString(line, fields, ':');
    if (count != 3 && count != 4) {
        QDebugOutput::Writef("Failed to parse line in oidtable.at:\n%s\n", line.c_str());
        return;
    }
    auto field = fields.begin();
    QStringList names;
    SplitString(*field++, names, ',');

    QStringList oidTexts;
    SplitString(*field++, oidTexts, ',');
    std::vector<std::unique_ptr<QOID>> resolved;
    PtrList<QOID> oids;
    for (const std::string& text : oidTexts) {
        resolved.push_back(std::make_unique<QOID>());
        if (!Resolve(text, *resolved.back())) {
            ReportLongOID(line);
            return;
        }
        oids.AddTail(resolved.back().get());
    }

    const std::string& syntaxName = *field++;
    QSyntax* syntax = str2syntax(syntaxName);
    if (syntax == nullptr) {
        QDebugOutput::Writef("Unrecognized syntax in oidtable.at (%s).\n", syntaxName.c_str());
    }
    const std::string friendlyName = count == 4 ? *field : std::string();

    attrTypes.push_back(std::make_unique<QAttrT>(names, oids, syntax, friendlyName));
    QAttrT* type = attrTypes.back().get();
    attrTypeIndex.Add(type, type->Names(), OIDsOf(*type));
    typesByText.clear();
}

void Oidtable::ReadObjectClass(const std::string& line) {
    QStringList fields;
    if (SplitString(line, fields, ':') != 5) {
        QDebugOutput::Writef("Failed to parse line in oidtable.oc:\n%s\n", line.c_str());
        return;
    }
    auto field = fields.begin();
    QStringList names;
    SplitString(*field++, names, ',');
    const std::string className = FirstName(names);
    QOID oid;
    if (!Resolve(*field++, oid)) {
        ReportLongOID(line);
        return;
    }

    const std::string& superName = *field++;
    QOC* superclass = nullptr;
    if (!superName.empty()) {
        superclass = str2oc(superName);
        if (superclass == nullptr) {
            QDebugOutput::Writef("Failed to recognize base object class (%s) for class (%s)\n",
                                 superName.c_str(), className.c_str());
            return;
        }
    }

    const auto reportUnknown = [&className](const std::string& piece) {
        QDebugOutput::Writef("Failed to recognize attribute (%s) in definition of object class "
                             "(%s)\n",
                             piece.c_str(), className.c_str());
    };
    QStringList mustPieces;
    QStringList mayPieces;
    const unsigned int mustCount = SplitString(*field++, mustPieces, ',');
    const unsigned int mayCount = SplitString(*field, mayPieces, ',');
    PtrList<QAttrT> must;
    PtrList<QAttrT> may;
    CollectTypes(mustPieces, must, reportUnknown);
    CollectTypes(mayPieces, may, reportUnknown);
    if (mustCount == 0 && mayCount == 0) {
        QDebugOutput::Writef("Object class (%s) defined wih no mandatory or optional attributes\n",
                             className.c_str());
    }

    objectClasses.push_back(std::make_unique<QOC>(names, oid, superclass, must, may));
    QOC* oc = objectClasses.back().get();
    objectClassIndex.Add(oc, oc->Names(), {oc});
}

int Oidtable::ReadAttrSet(const std::string& line) {
    QStringList fields;
    if (SplitString(line, fields, '=') != 2) {
        QDebugOutput::Writef("Failed to parse attribute set:\n%s\n", line.c_str());
        return 0;
    }
    const std::string& name = fields.front();
    QStringList members;
    SplitString(fields.back(), members, ',');
    PtrList<QAttrT> types;
    CollectTypes(members, types, [&name](const std::string& member) {
        QDebugOutput::Writef("Unrecognized attribute (%s) in attribute set (%s)\n", member.c_str(),
                             name.c_str());
    });
    attrSets.push_back(std::make_unique<QAttrSet>(name, types));
    return 1;
}

void Oidtable::CollectTypes(const QStringList& pieces, PtrList<QAttrT>& out,
                            const UnknownHandler& reportUnknown) const {
    for (const std::string& piece : pieces) {
        if (QAttrT* type = str2at(piece)) {
            out.AddTail(type);
        } else if (QAttrSet* set = str2attr_set(piece)) {
            for (QAttrT* member : set->Types()) {
                out.AddTail(member);
            }
        } else {
            reportUnknown(piece);
        }
    }
}

unsigned int Oidtable::SplitString(const std::string& source, QStringList& out,
                                   char separator) const {
    const std::string text = Trimmed(source);
    if (text.empty()) {
        out.clear();
        return 0;
    }
    QStringList pieces;
    const unsigned int count = pieces.SetSplitString(text, separator);
    for (const std::string& piece : pieces) {
        out.push_back(Trimmed(piece));
    }
    return count;
}

QAttrSet* Oidtable::str2attr_set(const std::string& name) const {
    for (const auto& set : attrSets) {
        if (EqualsIgnoringCase(set->Name(), name)) {
            return set.get();
        }
    }
    return nullptr;
}

QGenOID* Oidtable::FindGenerator(const std::string& name) const {
    const auto found = generatorsByName.find(LowerCased(name));
    return found == generatorsByName.end() ? nullptr : found->second;
}

bool Oidtable::Resolve(const std::string& text, QOID& oid) const {
    std::string rest = Trimmed(text);
    while (!rest.empty()) {
        const std::string::size_type dot = rest.find('.');
        if (dot == std::string::npos || dot == 0) {
            return AppendComponent(rest, oid);
        }
        if (!AppendComponent(rest.substr(0, dot), oid)) {
            return false;
        }
        rest.erase(0, dot + 1);
    }
    return true;
}

bool Oidtable::AppendComponent(const std::string& component, QOID& oid) const {
    if (component == "0") {
        return AppendArc(0, oid);
    }
    const std::uint32_t arc = ArcValue(component);
    if (arc != 0) {
        return AppendArc(arc, oid);
    }
    if (const QGenOID* generator = FindGenerator(component)) {
        for (unsigned int i = 0; i < generator->GetCount(); ++i) {
            if (!AppendArc(generator->OID()[i], oid)) {
                return false;
            }
        }
    }
    return true;
}

bool Oidtable::AppendArc(std::uint32_t arc, QOID& oid) {
    oid.AppendElement(arc);
    return oid.GetCount() <= QOID::MaxArcs;
}

void Oidtable::RegisterSyntax(std::unique_ptr<QSyntax> syntax) {
    const std::string name = syntax->Name();
    syntaxes.emplace(name, std::move(syntax));
}

} // namespace harrow
