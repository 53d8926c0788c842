// QEntry: one directory entry built from an LDAP search-entry message: its DN, its object-class
// attribute kept apart, and its other attributes in server order. It owns all the attributes.
#pragma once

#include "harrow32_export.h"
#include "model/qattr.h"
#include "model/qdn.h"

#include <memory>
#include <vector>

struct ldap;
struct ldapmsg;

namespace harrow {

class Oidtable;
class QAttrT;
class QDSManager;

class HARROW32_EXPORT QEntry {
public:
    // The attribute a walk is at; null past the last.
    using Position = const QAttr*;

    // Builds the entry from one search-entry message; it stays unset for any other message and
    // for one without a DN. Attributes the schema does not know are left out.
    QEntry(QDSManager* manager, long connId, ldap* handle, ldapmsg* message);
    // A deep copy, with its own connection reference.
    QEntry(const QEntry& other);
    QEntry& operator=(const QEntry&) = delete;
    virtual ~QEntry();

    int IsSet() const { return set; }
    QDN& DN() { return dn; }
    const QDN& DN() const { return dn; }
    QDSManager* DS() const { return dn.DS(); }
    Oidtable* Table() const { return dn.Table(); }
    long GetConnID() const { return dn.GetConnID(); }

    QAttr* ObjectClass() const { return objectClass.get(); }

    Position GetHeadPosition() const { return attributes.empty() ? nullptr : attributes.data(); }
    QAttr* GetNextAttr(Position& pos) const;
    // The first attribute of exactly that type; never the object-class attribute.
    QAttr* QueryGetAttr(const QAttrT* type) const;

private:
    void AddAttributes(ldap* handle, ldapmsg* message);
    // Where values of that type go: the object-class attribute, or a new attribute at the end.
    QAttr& AttributeFor(QAttrT* type, const QAttrT* objectClassType);

    int set = 0;
    QDN dn;
    std::unique_ptr<QAttr> objectClass;
    // Side by side, as an entry is built once and its attributes never change after: a list
    // would cost an allocation per attribute. Pointers are handed out only once it is built.
    std::vector<QAttr> attributes;
};

} // namespace harrow
