#include "forms/qforminput.h"

#include "forms/qformfield.h"
#include "forms/qsearchclass.h"
#include "qdebugoutput.h"

namespace harrow {

QFormInput::QFormInput(const std::string& name, QSearchClass* searchClass,
                       PtrList<QFormField>& fields)
    : name(name), searchClass(searchClass), fields(fields) {}

QFormInput::~QFormInput() {
    for (QFormField* field : fields) {
        delete field;
    }
}

QFormInput* QFormInput::CopySelf() const {
    PtrList<QFormField> copies;
    for (QFormField* field : fields) {
        copies.AddTail(field->CopySelf());
    }
    return new QFormInput(name, searchClass, copies);
}

unsigned QFormInput::GetFieldNames(QStringList& names) const {
    names.clear();
    for (QFormField* field : fields) {
        names.push_back(field->Name());
    }
    return static_cast<unsigned>(fields.GetCount());
}

int QFormInput::SetFieldValue(const std::string& fieldName, const std::string& value) {
    for (QFormField* field : fields) {
        if (field->Name() == fieldName) {
            field->Value() = value;
            return 1;
        }
    }
    return 0;
}

int QFormInput::GenerateFilterString(std::string& out) const {
    out.clear();
    int filled = 0;
    for (QFormField* field : fields) {
        std::string fieldFilter;
        if (field->GenerateFilterString(fieldFilter) == 0) {
            continue;
        }
        ++filled;
        // One AND wraps all the fields, however many there are; it is closed below.
        if (filled == 1) {
            out = fieldFilter;
        } else if (filled == 2) {
            out = "(&" + out + fieldFilter;
        } else {
            out += fieldFilter;
        }
    }
    if (filled == 0) {
        QDebugOutput::Writef("Failed to generate filter for form input '%s'\n", name.c_str());
        return 0;
    }
    if (filled > 1) {
        out += ")";
    }
    std::string classFilter;
    if (searchClass->GenerateFilterString(classFilter) == 0) {
        QDebugOutput::Writef("Failed to generate filter for searchclass '%s'\n",
                             searchClass->Name().c_str());
        return 0;
    }
    out = "(&" + classFilter + out + ")";
    QDebugOutput::Writef("Generate filter:\n%s\n", out.c_str());
    return 1;
}

} // namespace harrow
