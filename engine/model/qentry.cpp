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

QEntry::QEntry(const QEntry& other) : set(other.set), dn(other.dn) {
    if (other.objectClass) {
        objectClass = std::make_unique<QAttr>(*other.objectClass);
    }
    for (QAttr* attr : other.attributes) {
        attributes.AddTail(new QAttr(*attr));
    }
}

QEntry::~QEntry() {
    for (QAttr* attr : attributes) {
        delete attr;
    }
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
            auto attr = std::make_unique<QAttr>(type);
            for (std::string_view bytes : values) {
                value.assign(bytes);
                attr->AddValue(value.c_str(), value.size() + 1);
            }
            if (type == objectClassType) {
                KeepObjectClass(std::move(attr));
            } else {
                attributes.AddTail(attr.release());
            }
        });
}

// A server may return the object-class attribute more than once; all its values are kept.
void QEntry::KeepObjectClass(std::unique_ptr<QAttr> attr) {
    if (!objectClass) {
        objectClass = std::move(attr);
        return;
    }
    PtrList<QValue> values;
    attr->GetValues(values);
    for (QValue* value : values) {
        objectClass->AddValue(value->Value(), value->Length());
    }
}

QAttr* QEntry::QueryGetAttr(const QAttrT* type) const {
    for (QAttr* attr : attributes) {
        if (attr->Type() == type) {
            return attr;
        }
    }
    return nullptr;
}

} // namespace harrow
