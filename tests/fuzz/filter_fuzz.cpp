// Values typed into a form: every filter generated from them is one that libldap's filter
// encoder accepts, with the operators and attribute names of the filter for the plain value "x"
// (or, for a value of blanks and asterisks only, of the value "*"), and it survives the trip
// through a referral URL.
#include "fuzzsupport.h"

#include "access/ldapapi.h"
#include "access/referralurl.h"
#include "forms/qformfield.h"
#include "forms/qforminput.h"
#include "forms/qsearchclass.h"
#include "schema/oidtable.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <lber.h>
#include <ldap.h>

#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// libldap's own filter encoder, the one every search goes through; exported, but not declared in
// the installed headers.
extern "C" int ldap_pvt_put_filter(BerElement* ber, const char* filter);

namespace {

using harrow::PtrList;
using harrow::QAttrT;
using harrow::QFormField;
using harrow::QFormInput;
using larkspur::fuzz::Require;

struct FieldShape {
    const char* name;
    std::array<const char*, 2> types; // the second may be null
};

// A name field, a field on two types, and two more, as the shipped forms have them.
constexpr std::array<FieldShape, 4> kFields{{
    {"Name", {"cn", nullptr}},
    {"Contact", {"cn", "sn"}},
    {"Department", {"ou", nullptr}},
    {"Mail", {"mail", nullptr}},
}};

PtrList<QAttrT> TypesOf(const FieldShape& shape) {
    harrow::Oidtable* table = larkspur::fuzz::Manager().Table();
    PtrList<QAttrT> types;
    for (const char* name : shape.types) {
        if (name != nullptr) {
            QAttrT* type = table->str2at(name);
            Require(type != nullptr, "the shipped schema has the field's type", name);
            types.AddTail(type);
        }
    }
    return types;
}

harrow::QSearchClass& PersonClass() {
    static harrow::QSearchClass searchClass = [] {
        harrow::Oidtable* table = larkspur::fuzz::Manager().Table();
        PtrList<harrow::QOC> classes;
        classes.AddTail(table->str2oc("person"));
        classes.AddTail(table->str2oc("organizationalPerson"));
        return harrow::QSearchClass(table, "Person", classes);
    }();
    return searchClass;
}

std::unique_ptr<QFormInput> Input(const std::array<std::string, kFields.size()>& values) {
    PtrList<QFormField> fields;
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        PtrList<QAttrT> types = TypesOf(kFields[i]);
        fields.AddTail(new QFormField(kFields[i].name, values[i], types));
    }
    return std::make_unique<QFormInput>("Person", &PersonClass(), fields);
}

std::string FieldFilter(std::size_t field, const std::string& value) {
    PtrList<QAttrT> types = TypesOf(kFields[field]);
    const QFormField formField(kFields[field].name, value, types);
    std::string filter;
    return formField.GenerateFilterString(filter) == 1 ? filter : std::string();
}

std::string Structure(BerElement* ber);

// The operators and attribute names of the encoded filter at the cursor, which it passes.
std::string SetStructure(BerElement* ber, const char* op) {
    std::string shape = std::string("(") + op;
    ber_len_t length = 0;
    char* last = nullptr;
    for (ber_tag_t tag = ber_first_element(ber, &length, &last); tag != LBER_DEFAULT;
         tag = ber_next_element(ber, &length, last)) {
        shape += Structure(ber);
    }
    return shape + ")";
}

// A filter on one attribute: its type, then a value or the substrings, which are skipped.
std::string AttributeStructure(BerElement* ber, const char* op) {
    struct berval type {};
    if (ber_scanf(ber, "{mx}", &type) == LBER_ERROR) {
        return "(undecodable)";
    }
    return std::string("(") + op + " " + std::string(type.bv_val, type.bv_len) + ")";
}

std::string Structure(BerElement* ber) {
    ber_len_t length = 0;
    const ber_tag_t tag = ber_peek_tag(ber, &length);
    switch (tag) {
    case LDAP_FILTER_AND:
        return SetStructure(ber, "&");
    case LDAP_FILTER_OR:
        return SetStructure(ber, "|");
    case LDAP_FILTER_NOT: {
        ber_skip_tag(ber, &length);
        return "(!" + Structure(ber) + ")";
    }
    case LDAP_FILTER_PRESENT: {
        struct berval type {};
        ber_scanf(ber, "m", &type);
        return "(present " + std::string(type.bv_val, type.bv_len) + ")";
    }
    case LDAP_FILTER_EQUALITY:
        return AttributeStructure(ber, "=");
    case LDAP_FILTER_SUBSTRINGS:
        return AttributeStructure(ber, "substrings");
    case LDAP_FILTER_GE:
        return AttributeStructure(ber, ">=");
    case LDAP_FILTER_LE:
        return AttributeStructure(ber, "<=");
    case LDAP_FILTER_APPROX:
        return AttributeStructure(ber, "~=");
    default: {
        struct berval element {};
        ber_skip_element(ber, &element);
        return "(tag " + std::to_string(tag) + ")";
    }
    }
}

// The structure of the filter as libldap encodes it; empty when the encoder refuses it.
std::string EncodedStructure(const std::string& filter) {
    BerElement* ber = ber_alloc_t(LBER_USE_DER);
    if (ldap_pvt_put_filter(ber, filter.c_str()) != 0) {
        ber_free(ber, 1);
        return std::string();
    }
    struct berval* encoded = nullptr;
    ber_flatten(ber, &encoded);
    ber_free(ber, 1);
    BerElement* reader = ber_init(encoded);
    std::string shape = Structure(reader);
    ber_free(reader, 1);
    ber_bvfree(encoded);
    return shape;
}

bool OnlyBlanksAndAsterisks(const std::string& value) {
    for (char c : value) {
        if (c != '*' && std::isspace(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return true;
}

// The plain value whose field filter has the structure of the typed value's: "x", or "*" for a
// value of blanks and asterisks only; empty when the field takes no part.
std::string PlainCounterpart(std::size_t field, const std::string& typed) {
    const std::string filter = FieldFilter(field, typed);
    if (filter.empty()) {
        return std::string();
    }
    const std::string shape = EncodedStructure(filter);
    Require(!shape.empty(), "libldap encodes every field filter", filter);
    if (shape == EncodedStructure(FieldFilter(field, "x"))) {
        return "x";
    }
    Require(OnlyBlanksAndAsterisks(typed) && shape == EncodedStructure(FieldFilter(field, "*")),
            "a field filter has the structure of the filter for x",
            typed + "\n" + filter + "\n" + shape);
    return "*";
}

void CheckReferralUrl(const std::string& filter) {
    const harrow::ldapapi::UrlDesc base =
        harrow::ldapapi::ParseUrl("ldap://ldap.example:389/o=Test");
    const std::string url = harrow::ComposeReferralUrl(*base, filter);
    const harrow::ldapapi::UrlDesc again = harrow::ldapapi::ParseUrl(url);
    Require(again && again->lud_filter != nullptr && filter == again->lud_filter,
            "a referral URL carries the filter unchanged", filter + "\n" + url);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const larkspur::fuzz::Diagnostics generatedFilters;
    FuzzedDataProvider provider(data, size);
    std::array<std::string, kFields.size()> typed;
    std::array<std::string, kFields.size()> plain;
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        typed[i] = provider.ConsumeRandomLengthString(256);
        plain[i] = PlainCounterpart(i, typed[i]);
    }
    std::string filter;
    const int generated = Input(typed)->GenerateFilterString(filter);
    std::string reference;
    const int expected = Input(plain)->GenerateFilterString(reference);
    Require(generated == expected, "a filter is generated when a field takes part");
    if (generated == 1) {
        const std::string shape = EncodedStructure(filter);
        Require(!shape.empty(), "libldap encodes every generated filter", filter);
        Require(shape == EncodedStructure(reference),
                "the filter has the structure of the filter for plain values",
                filter + "\n" + reference);
        CheckReferralUrl(filter);
    }
    return 0;
}
