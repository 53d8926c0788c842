// QFormInput: one input of a search form, a set of fields searched within one search class. It
// owns its fields; the search class belongs to a rule set of the configuration.
#pragma once

#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "ptrlist.h"

#include <string>

namespace harrow {

class QFormField;
class QSearchClass;

class HARROW32_EXPORT QFormInput {
public:
    // Copies the field pointers; the input owns the fields from now on.
    QFormInput(const std::string& name, QSearchClass* searchClass, PtrList<QFormField>& fields);
    QFormInput(const QFormInput&) = delete;
    QFormInput& operator=(const QFormInput&) = delete;
    ~QFormInput();

    const std::string& Name() const { return name; }
    QSearchClass* SearchClass() const { return searchClass; }

    // A deep copy sharing only the search class; the caller owns it.
    QFormInput* CopySelf() const;

    // Replaces names with the field names in order; returns their number.
    unsigned GetFieldNames(QStringList& names) const;
    // Sets the value of the first field of that name; 0 when there is none.
    int SetFieldValue(const std::string& fieldName, const std::string& value);

    // The AND of every non-blank field's filter and the search class's filter. Returns 0 when
    // no field has a value.
    int GenerateFilterString(std::string& out) const;

private:
    std::string name;
    QSearchClass* searchClass;
    PtrList<QFormField> fields;
};

} // namespace harrow
