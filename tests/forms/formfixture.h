// Shared by the form tests: a manager with the shipped schema loaded, and builders for fields,
// inputs and search classes resolved through that schema.
#pragma once

#include "access/qdsmanager.h"
#include "forms/qformfield.h"
#include "forms/qforminput.h"
#include "forms/qsearchclass.h"
#include "ptrlist.h"
#include "schema/oidtable.h"
#include "support/testdata.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

namespace larkspur::test {

class FormFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, manager.Table()->Load(DataPath("oidtable32").c_str())); }

    harrow::Oidtable* Table() { return manager.Table(); }

    // A field on the attribute types with those names, with the given value.
    harrow::QFormField* Field(const std::string& name, std::initializer_list<const char*> types,
                              const std::string& value = "") {
        harrow::PtrList<harrow::QAttrT> resolved;
        for (const char* type : types) {
            harrow::QAttrT* found = Table()->str2at(type);
            EXPECT_NE(nullptr, found) << type;
            resolved.AddTail(found);
        }
        return new harrow::QFormField(name, value, resolved);
    }

    // A search class of the object classes with those names.
    std::unique_ptr<harrow::QSearchClass> ObjectClassClass(const std::string& name,
                                                           std::initializer_list<const char*> ocs) {
        harrow::PtrList<harrow::QOC> resolved;
        for (const char* oc : ocs) {
            harrow::QOC* found = Table()->str2oc(oc);
            EXPECT_NE(nullptr, found) << oc;
            resolved.AddTail(found);
        }
        return std::make_unique<harrow::QSearchClass>(Table(), name, resolved);
    }

    std::unique_ptr<harrow::QFormInput> Input(const std::string& name,
                                              harrow::QSearchClass* searchClass,
                                              std::initializer_list<harrow::QFormField*> fields) {
        harrow::PtrList<harrow::QFormField> list;
        for (harrow::QFormField* field : fields) {
            list.AddTail(field);
        }
        return std::make_unique<harrow::QFormInput>(name, searchClass, list);
    }

    harrow::QDSManager manager;
};

} // namespace larkspur::test
