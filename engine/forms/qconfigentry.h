// QConfigEntry: one entry of the form configuration as the loader reads it, its DN and its
// attribute values keyed by the schema type each attribute name resolves to. It owns copies of
// the values; the types belong to the Oidtable.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ldap;
struct ldapmsg;

namespace harrow {

class Oidtable;
class QAttrT;

class QConfigEntry {
public:
    // Reads the DN (empty when the message has none) and every attribute the table knows.
    QConfigEntry(const Oidtable* table, ldap* ld, ldapmsg* entry);

    // Every search entry of a result chain, in server order.
    static std::vector<QConfigEntry> ReadAll(const Oidtable* table, ldap* ld, ldapmsg* chain);

    const std::string& DN() const { return dn; }
    // 1 when the entry has an attribute of the type that the name (or an alias or OID) denotes.
    int Has(const char* attribute) const;
    // Every value of that attribute in server order; empty when the entry lacks it.
    const std::vector<std::string>& Values(const char* attribute) const;
    // The first value, or the empty string.
    std::string FirstValue(const char* attribute) const;

private:
    const std::vector<std::string>* Find(const char* attribute) const;

    const Oidtable* table;
    std::string dn;
    std::vector<std::pair<const QAttrT*, std::vector<std::string>>> attributes;
};

} // namespace harrow
