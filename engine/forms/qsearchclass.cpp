#include "forms/qsearchclass.h"

#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "model/qattr.h"
#include "model/qvalue.h"
#include "schema/oidtable.h"

namespace harrow {

QSearchClass::QSearchClass(Oidtable* table, const std::string& name, PtrList<QOC>& objectClasses)
    : name(name), objectClasses(objectClasses), table(table) {}

QSearchClass::QSearchClass(QDSManager* manager, const std::string& name, const std::string& ldapUrl)
    : specific(1), name(name), table(manager->Table()) {
    const ldapapi::UrlDesc url = ldapapi::ParseUrl(ldapUrl);
    if (!url) {
        return;
    }
    const std::string host = url->lud_host != nullptr ? url->lud_host : "";
    const std::string baseDn = url->lud_dn != nullptr ? url->lud_dn : "";
    const std::string scheme = url->lud_scheme != nullptr ? url->lud_scheme : "ldap";
    QBindManager* binds = manager->BindManager();
    const long connId =
        binds->OpenConnection(host, url->lud_port, "", "", binds->TransportFor(scheme, false));
    basePoint.SetDN(manager, connId, baseDn);
}

QSearchClass::QSearchClass(QDSManager* manager, const std::string& name, const std::string& baseDn,
                           const std::string& host, int port, const std::string& bindDn,
                           const std::string& password)
    : specific(1), name(name), table(manager->Table()) {
    SetBasePoint(manager, baseDn, host, port, bindDn, password);
}

QSearchClass::~QSearchClass() = default;

void QSearchClass::SetBasePoint(QDSManager* manager, const std::string& baseDn,
                                const std::string& host, int port, const std::string& bindDn,
                                const std::string& password) {
    const long connId = manager->BindManager()->OpenConnection(host, port, bindDn, password);
    basePoint.SetDN(manager, connId, baseDn);
}

void QSearchClass::AddSearchClass(QSearchClass* subClass) {
    subClasses.AddTail(subClass);
}

unsigned QSearchClass::GetSearchClassList(PtrList<QSearchClass>& out) const {
    out = subClasses;
    return static_cast<unsigned>(out.GetCount());
}

int QSearchClass::CanSearchFor(const QSearchClass* other) const {
    return subClasses.Find(other) != nullptr ? 1 : 0;
}

int QSearchClass::HasObjectClass(const QOC* objectClass) const {
    return objectClasses.Find(objectClass) != nullptr ? 1 : 0;
}

int QSearchClass::HasObjectClass(const QAttr* objectClassAttribute) const {
    PtrList<QValue> values;
    objectClassAttribute->GetValues(values);
    for (QValue* value : values) {
        // Values from LDAP carry their terminating zero byte; the name ends at the first zero.
        const std::string name = std::string(value->Value(), value->Length()).c_str();
        const QOC* objectClass = table->str2oc(name);
        if (objectClass != nullptr && HasObjectClass(objectClass) == 1) {
            return 1;
        }
    }
    return 0;
}

int QSearchClass::IsSpecific(QDN& out) const {
    if (specific == 0) {
        return 0;
    }
    out = basePoint;
    return 1;
}

int QSearchClass::GenerateFilterString(std::string& out) const {
    const bool several = objectClasses.GetCount() > 1;
    out = several ? "(|" : "";
    for (QOC* objectClass : objectClasses) {
        out += "(objectclass=" + objectClass->Name() + ")";
    }
    if (several) {
        out += ")";
    }
    return 1;
}

} // namespace harrow
