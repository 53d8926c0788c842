#include "forms/qformfield.h"

#include "forms/filterescape.h"
#include "model/qstringlist.h"
#include "schema/oidtable.h"
#include "schema/schematext.h"

namespace harrow {

QFormField::QFormField(const std::string& name, const std::string& value, PtrList<QAttrT>& types)
    : name(name), value(value), types(types) {}

QFormField::~QFormField() = default;

QFormField* QFormField::CopySelf() const {
    PtrList<QAttrT> sameTypes(types);
    return new QFormField(name, value, sameTypes);
}

namespace {

// OpenLDAP's filter parser rejects "**", so empty words are left out and the asterisks a user
// typed merge with the ones put around words; a value of nothing but asterisks becomes "*", a
// presence test.
std::string WithoutRepeatedAsterisks(const std::string& pattern) {
    std::string merged;
    merged.reserve(pattern.size());
    for (char c : pattern) {
        if (c != '*' || merged.empty() || merged.back() != '*') {
            merged += c;
        }
    }
    return merged;
}

// "*" before every word and after the last, so the words match in order anywhere in a value.
std::string SubstringPattern(const std::string& value) {
    QStringList words;
    words.SetSplitString(value, ' ');
    std::string pattern = "*";
    for (const std::string& word : words) {
        if (!word.empty()) {
            pattern += EscapeFilterPattern(word);
            pattern += '*';
        }
    }
    return WithoutRepeatedAsterisks(pattern);
}

} // namespace

int QFormField::GenerateFilterString(std::string& out) const {
    const std::string typed = Trimmed(value);
    if (typed.empty()) {
        return 0;
    }
    const std::string pattern = SubstringPattern(typed);
    out.clear();
    // Appended piece by piece: a chain of + here trips a false -Wrestrict in optimised builds.
    for (QAttrT* type : types) {
        out.append("(").append(type->Name()).append("=").append(pattern).append(")");
    }
    if (types.GetCount() > 1) {
        out = "(&" + out + ")";
    }
    return 1;
}

} // namespace harrow
