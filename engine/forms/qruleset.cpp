#include "forms/qruleset.h"

#include "forms/qsearchclass.h"
#include "model/qentry.h"

namespace harrow {

QRuleSet::QRuleSet(const std::string& name, PtrList<QSearchClass>& searchClasses)
    : name(name), searchClasses(searchClasses) {}

QRuleSet::~QRuleSet() {
    for (QSearchClass* searchClass : searchClasses) {
        delete searchClass;
    }
}

void QRuleSet::GetSearchClasses(PtrList<QSearchClass>& out) const {
    for (QSearchClass* searchClass : searchClasses) {
        out.AddTail(searchClass);
    }
}

QSearchClass* QRuleSet::GetSearchClass(const std::string& className) const {
    for (QSearchClass* searchClass : searchClasses) {
        if (searchClass->Name() == className) {
            return searchClass;
        }
    }
    return nullptr;
}

QSearchClass* QRuleSet::FindSearchClass(const QEntry* entry) const {
    const QAttr* objectClass = entry->ObjectClass();
    if (objectClass == nullptr) {
        return nullptr;
    }
    for (QSearchClass* searchClass : searchClasses) {
        if (searchClass->HasObjectClass(objectClass) == 1) {
            return searchClass;
        }
    }
    return nullptr;
}

} // namespace harrow
