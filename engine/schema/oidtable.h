// Oidtable: the engine's whole knowledge of the directory schema, loaded once from the three
// "oidtable32" files. It owns every generator, attribute type, attribute set, object class and
// syntax; everyone else only holds pointers into it, valid for the table's lifetime.
#pragma once

#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "ptrlist.h"
#include "schema/qattrset.h"
#include "schema/qattrt.h"
#include "schema/qgenoid.h"
#include "schema/qoc.h"
#include "schema/qoid.h"
#include "schema/qschemaindex.h"
#include "schema/qsyntax.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace harrow {

class HARROW32_EXPORT Oidtable {
public:
    // Empty of schema entries, with the thirteen syntaxes registered.
    Oidtable();
    Oidtable(const Oidtable&) = delete;
    Oidtable& operator=(const Oidtable&) = delete;
    virtual ~Oidtable();

    // Reads stem.gen, stem.at and stem.oc, in that order, stopping at the first file that cannot
    // be opened. A bare stem whose files are not all in the current folder is read from the first
    // data folder that holds them (LocateOidTables). 1 when all three were read, else 0; what was
    // read before a failure stays.
    int Load(const char* stem);

    // A new OID for the dotted text, generator names expanded; the caller deletes it.
    QOID* str2oid(const std::string& text) const;
    // The first type (class) in table order that has the text as a name ignoring letter case or
    // carries the OID it resolves to; null when there is none.
    QAttrT* str2at(const std::string& text) const;
    QOC* str2oc(const std::string& text) const;
    // The syntax registered under exactly that name, or null.
    QSyntax* str2syntax(const std::string& name) const;
    QSyntax* attr2syntax(const QAttrT* type) const;

    // Replace out with every attribute type (object class) in table order.
    void GetAttrTypes(PtrList<QAttrT>& out) const;
    void GetObjectClasses(PtrList<QOC>& out) const;

private:
    int LoadGen(const char* stem);
    int LoadAt(const char* stem);
    int LoadOC(const char* stem);
    void ReadGenerator(const std::string& line);
    void ReadAttrType(const std::string& line);
    void ReadObjectClass(const std::string& line);
    int ReadAttrSet(const std::string& line);
    using UnknownHandler = std::function<void(const std::string&)>;
    // Appends the types that each piece names, either a type or an earlier attribute set; a
    // piece that names neither goes to reportUnknown.
    void CollectTypes(const QStringList& pieces, PtrList<QAttrT>& out,
                      const UnknownHandler& reportUnknown) const;
    unsigned int SplitString(const std::string& source, QStringList& out, char separator) const;
    QAttrSet* str2attr_set(const std::string& name) const;
    QGenOID* FindGenerator(const std::string& name) const;
    // Appends the arcs of the dotted text to oid. False, with one arc past the limit appended,
    // when the OID would grow beyond QOID::MaxArcs arcs: such an OID equals no table entry's.
    bool Resolve(const std::string& text, QOID& oid) const;
    bool AppendComponent(const std::string& component, QOID& oid) const;
    static bool AppendArc(std::uint32_t arc, QOID& oid);
    void RegisterSyntax(std::unique_ptr<QSyntax> syntax);

    std::vector<std::unique_ptr<QGenOID>> generators;
    std::vector<std::unique_ptr<QAttrSet>> attrSets;
    std::vector<std::unique_ptr<QAttrT>> attrTypes;
    std::vector<std::unique_ptr<QOC>> objectClasses;
    std::map<std::string, std::unique_ptr<QSyntax>> syntaxes;

    std::unordered_map<std::string, QGenOID*> generatorsByName;
    QSchemaIndex<QAttrT> attrTypeIndex;
    QSchemaIndex<QOC> objectClassIndex;
    // str2at's answers by the exact text asked: building an entry asks for the same few names
    // over and over. Forgotten whenever a type or generator is added; bounded, since the texts
    // come from servers.
    static constexpr std::size_t kTypesRemembered = 4096;
    mutable std::unordered_map<std::string, QAttrT*> typesByText;
};

} // namespace harrow
