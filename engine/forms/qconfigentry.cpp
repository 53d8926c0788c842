#include "forms/qconfigentry.h"

#include "access/ldapapi.h"
#include "schema/oidtable.h"

namespace harrow {

QConfigEntry::QConfigEntry(const Oidtable* table, ldap* ld, ldapmsg* entry)
    : table(table), dn(ldapapi::EntryDN(ld, entry)) {
    ldapapi::ForEachAttribute(
        ld, entry,
        [this, table](std::string_view name, const std::vector<std::string_view>& values) {
            // A name the schema does not know cannot be one the loader asks for.
            const QAttrT* type = table->str2at(std::string(name));
            if (type != nullptr) {
                attributes.emplace_back(type,
                                        std::vector<std::string>(values.begin(), values.end()));
            }
        });
}

std::vector<QConfigEntry> QConfigEntry::ReadAll(const Oidtable* table, ldap* ld, ldapmsg* chain) {
    std::vector<QConfigEntry> entries;
    for (LDAPMessage* message = ldap_first_message(ld, chain); message != nullptr;
         message = ldap_next_message(ld, message)) {
        if (ldap_msgtype(message) == LDAP_RES_SEARCH_ENTRY) {
            entries.emplace_back(table, ld, message);
        }
    }
    return entries;
}

const std::vector<std::string>* QConfigEntry::Find(const char* attribute) const {
    const QAttrT* wanted = table->str2at(attribute);
    if (wanted == nullptr) {
        return nullptr;
    }
    for (const auto& [type, values] : attributes) {
        if (type == wanted) {
            return &values;
        }
    }
    return nullptr;
}

int QConfigEntry::Has(const char* attribute) const {
    return Find(attribute) != nullptr ? 1 : 0;
}

const std::vector<std::string>& QConfigEntry::Values(const char* attribute) const {
    static const std::vector<std::string> none;
    const std::vector<std::string>* values = Find(attribute);
    return values != nullptr ? *values : none;
}

std::string QConfigEntry::FirstValue(const char* attribute) const {
    const std::vector<std::string>& values = Values(attribute);
    return values.empty() ? std::string() : values.front();
}

} // namespace harrow
