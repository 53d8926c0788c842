// QFormField: one field of a form input, the value the user typed and the attribute types it is
// matched against. It owns its name and value; the attribute types belong to the Oidtable.
#pragma once

#include "harrow32_export.h"
#include "ptrlist.h"

#include <string>

namespace harrow {

class QAttrT;

class HARROW32_EXPORT QFormField {
public:
    // Copies the attribute type pointers.
    QFormField(const std::string& name, const std::string& value, PtrList<QAttrT>& types);
    QFormField(const QFormField&) = delete;
    QFormField& operator=(const QFormField&) = delete;
    ~QFormField();

    const std::string& Name() const { return name; }
    std::string& Value() { return value; }
    const std::string& Value() const { return value; }

    // A new field with the same name, value and attribute types; the caller owns it.
    QFormField* CopySelf() const;

    // A substring match of the typed words on every attribute type, joined with AND; a presence
    // test when only asterisks were typed. Returns 0 and leaves out alone when the value is blank.
    int GenerateFilterString(std::string& out) const;

private:
    std::string name;
    std::string value;
    PtrList<QAttrT> types;
};

} // namespace harrow
