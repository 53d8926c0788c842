#include "results/LS_ObjectClasses.h"

#include "model/qattr.h"
#include "model/qentry.h"
#include "schema/oidtable.h"

#include <string>

void LS_ObjectClasses::Of(const harrow::QEntry& entry, const harrow::Oidtable* table,
                          std::vector<harrow::QOC*>& classes) {
    classes.clear();
    const harrow::QAttr* objectClass = entry.ObjectClass();
    if (!objectClass) {
        return;
    }
    harrow::PtrList<harrow::QValue> values;
    objectClass->GetValues(values);
    for (const harrow::QValue* value : values) {
        std::string name;
        value->Print(name);
        if (harrow::QOC* known = table->str2oc(name)) {
            classes.push_back(known);
        }
    }
}
