#include "model/qentry.h"

#include "access/ldapapi.h"
#include "schema/oidtable.h"

#include <string>

namespace harrow {

QEntry::QEntry(QDSManager* manager, long connId, ldap* handle, ldapmsg* message) {
    // Only a search entry names one; libldap would read a DN out of other messages too.
    if (ldap_msgtype(message) != LDAP_RES_SEARCH_ENTRY) {
        return;
    }
    ldapapi::MemString dnText(ldap_get_dn(handle, message));
    if (!dnText) {
        return;
    }
    dn.SetDN(manager, connId, dnText.get());
    AddAttributes(handle, message);
    set = 1;
}

QEntry::QEntry(const QEntry& other) : set(other.set), dn(other.dn), attributes(other.attributes) {
    if (other.objectClass) {
        objectClass = std::make_unique<QAttr>(*other.objectClass);
    }
}

QEntry::~QEntry() = default;

QAttr* QEntry::GetNextAttr(Position& pos) const {
    // The walk hands out modifiable attributes, as the entry's interface always has.
    QAttr* attr = const_cast<QAttr*>(pos);
    ++pos;
    if (pos == attributes.data() + attributes.size()) {
        pos = nullptr;
    }
    return attr;
}

// Values arrive with their exact bytes; each is stored with a terminating zero so that the
// syntaxes can read it as text, and a zero byte inside a value does not cut it short.
void QEntry::AddAttributes(ldap* handle, ldapmsg* message) {
    Oidtable* table = Table();
    if (table == nullptr) {
        return;
    }
    QAttrT* objectClassType = table->str2at("objectclass");
    // One buffer adds the terminating zero to every value without an allocation for each.
    std::string value;
    ldapapi::ForEachAttribute(
        handle, message, [&](std::string_view name, const std::vector<std::string_view>& values) {
            QAttrT* type = table->str2at(std::string(name));
            if (type == nullptr) {
                return;
            }
            QAttr& attr = AttributeFor(type, objectClassType);
            attr.ReserveValues(attr.CountValues() + static_cast<unsigned int>(values.size()));
            for (std::string_view bytes : values) {
                value.assign(bytes);
                attr.AddValue(value.c_str(), value.size() + 1);
            }
        });
    // Entries are kept by the hundred thousand: none keeps room for attributes that never come.
    attributes.shrink_to_fit();
}

// A server may return the object-class attribute more than once; all its values are kept.
QAttr& QEntry::AttributeFor(QAttrT* type, const QAttrT* objectClassType) {
    if (type != objectClassType) {
        return attributes.emplace_back(type);
    }
    if (!objectClass) {
        objectClass = std::make_unique<QAttr>(type);
    }
    return *objectClass;
}

QAttr* QEntry::QueryGetAttr(const QAttrT* type) const {
    for (const QAttr& attr : attributes) {
        if (attr.Type() == type) {
            return const_cast<QAttr*>(&attr);
        }
    }
    return nullptr;
}

} // namespace harrow
