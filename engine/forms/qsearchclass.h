// QSearchClass: what kind of entry an input looks for (its object classes) or where searching
// starts (a base point on a server), and which classes may be searched for below it. It owns its
// base point; object classes, sub-classes and the table belong to others.
#pragma once

#include "harrow32_export.h"
#include "model/qdn.h"
#include "ptrlist.h"

#include <string>

namespace harrow {

class Oidtable;
class QAttr;
class QDSManager;
class QOC;

class HARROW32_EXPORT QSearchClass {
public:
    // A class defined by object classes; copies the pointers.
    QSearchClass(Oidtable* table, const std::string& name, PtrList<QOC>& objectClasses);
    // A base point given as an LDAP URL. The class is specific even when the URL does not parse;
    // its base point then stays unset.
    QSearchClass(QDSManager* manager, const std::string& name, const std::string& ldapUrl);
    // A base point from explicit parts.
    QSearchClass(QDSManager* manager, const std::string& name, const std::string& baseDn,
                 const std::string& host, int port, const std::string& bindDn,
                 const std::string& password);
    QSearchClass(const QSearchClass&) = delete;
    QSearchClass& operator=(const QSearchClass&) = delete;
    ~QSearchClass();

    const std::string& Name() const { return name; }

    void AddSearchClass(QSearchClass* subClass);
    // Replaces out with the sub-classes in order; returns their number.
    unsigned GetSearchClassList(PtrList<QSearchClass>& out) const;
    // 1 when other is, by identity, one of the sub-classes.
    int CanSearchFor(const QSearchClass* other) const;

    // 1 when the object class is, by identity, one of this class's.
    int HasObjectClass(const QOC* objectClass) const;
    // 1 when some value of the attribute resolves in the table to one of this class's object
    // classes, however the value spells it.
    int HasObjectClass(const QAttr* objectClassAttribute) const;

    // For a base-point class copies the base point into out and returns 1; otherwise 0.
    int IsSpecific(QDN& out) const;

    // The match on the object classes; empty for a base-point class. Returns 1.
    int GenerateFilterString(std::string& out) const;

private:
    void SetBasePoint(QDSManager* manager, const std::string& baseDn, const std::string& host,
                      int port, const std::string& bindDn, const std::string& password);

    int specific = 0;
    QDN basePoint;
    std::string name;
    PtrList<QOC> objectClasses;
    PtrList<QSearchClass> subClasses;
    Oidtable* table = nullptr;
};

} // namespace harrow
