// Shared by the form tests: the parts of a loaded configuration as plain text and numbers, so
// that expectations read as the configuration was written.
#pragma once

#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "forms/qform.h"
#include "forms/qforminput.h"
#include "forms/qsearchclass.h"
#include "model/qdn.h"
#include "model/qstringlist.h"
#include "ptrlist.h"

#include <list>
#include <string>

namespace larkspur::test {

using Names = std::list<std::string>;

inline Names FieldNames(const harrow::QFormInput& input) {
    harrow::QStringList names;
    input.GetFieldNames(names);
    return names;
}

// The target's name, then the context inputs' names.
inline Names InputNames(const harrow::QForm& form) {
    Names names{form.Target()->Name()};
    harrow::PtrList<harrow::QFormInput> context;
    form.Context(context);
    for (harrow::QFormInput* input : context) {
        names.push_back(input->Name());
    }
    return names;
}

inline Names ClassNames(const harrow::PtrList<harrow::QSearchClass>& classes) {
    Names names;
    for (harrow::QSearchClass* searchClass : classes) {
        names.push_back(searchClass->Name());
    }
    return names;
}

inline std::string Printed(const harrow::QDN& dn) {
    std::string text;
    dn.GetDN(text);
    return text;
}

// Where a search class starts searching: its base DN and the connection it is bound to.
struct BasePoint {
    int specific = 0;
    int set = 0;
    std::string dn;
    std::string host;
    int port = 0;
    std::string bindDn;
    std::string password;
};

inline BasePoint BasePointOf(harrow::QDSManager& manager, const harrow::QSearchClass& searchClass) {
    BasePoint point;
    harrow::QDN base;
    point.specific = searchClass.IsSpecific(base);
    point.set = base.IsSet();
    point.dn = Printed(base);
    manager.BindManager()->GetConnectionInfo(base.GetConnID(), point.host, &point.port,
                                             point.bindDn, point.password);
    return point;
}

} // namespace larkspur::test
