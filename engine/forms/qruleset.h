// QRuleSet: a named collection of search classes that forms refer to. It owns its search
// classes.
#pragma once

#include "harrow32_export.h"
#include "ptrlist.h"

#include <string>

namespace harrow {

class QEntry;
class QSearchClass;

class HARROW32_EXPORT QRuleSet {
public:
    // Copies the pointers; the rule set owns those search classes from now on.
    QRuleSet(const std::string& name, PtrList<QSearchClass>& searchClasses);
    QRuleSet(const QRuleSet&) = delete;
    QRuleSet& operator=(const QRuleSet&) = delete;
    virtual ~QRuleSet();

    const std::string& Name() const { return name; }

    // Appends every search class to out; they stay owned by the rule set.
    void GetSearchClasses(PtrList<QSearchClass>& out) const;
    // The first search class of that name, or null.
    QSearchClass* GetSearchClass(const std::string& className) const;
    // The first search class that accepts one of the entry's object classes, or null.
    QSearchClass* FindSearchClass(const QEntry* entry) const;

private:
    std::string name;
    PtrList<QSearchClass> searchClasses;
};

} // namespace harrow
