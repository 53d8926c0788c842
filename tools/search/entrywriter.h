// EntryWriter: prints the target matches of a form search in one output format on a stdio
// stream (the stream stays the caller's). The shared pieces: the attributes chosen for printing
// and the bytes of a value.
#pragma once

#include "search/searchoptions.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace harrow {
class QAttr;
class QAttrT;
class QEntry;
class QValue;
} // namespace harrow

namespace larkspur::search {

// One attribute asked for: the name as given, its schema type, and whether the value in the
// entry's RDN comes first (the ":RDN" of an entry list column).
struct AttributeColumn {
    std::string name;
    const harrow::QAttrT* type = nullptr;
    bool preferRdn = false;
};

class EntryWriter {
public:
    virtual ~EntryWriter() = default;

    virtual void Write(const harrow::QEntry& entry) = 0;
    // After the last entry, with the counts of the whole search.
    virtual void Finish(int matches, int totalOperations, int failedOperations);
};

// The writer for the format. Columns limit the attributes printed (CSV always has them).
std::unique_ptr<EntryWriter> MakeEntryWriter(OutputFormat format, std::FILE* stream,
                                             std::vector<AttributeColumn> columns);

// The value's bytes, without the zero byte the engine keeps after the text.
std::string_view ValueBytes(const harrow::QValue& value);
// Every value of the attribute, in server order.
std::vector<std::string_view> ValuesOf(const harrow::QAttr& attribute);
// The attribute of that type (the object classes included), or null.
const harrow::QAttr* FindAttribute(const harrow::QEntry& entry, const harrow::QAttrT* type);
// The attributes to print: every attribute, object classes first, without columns; else the
// columns' attributes that the entry has, in column order.
std::vector<const harrow::QAttr*> ChosenAttributes(const harrow::QEntry& entry,
                                                   const std::vector<AttributeColumn>& columns);
// The column's values: the RDN's value of its type when it prefers that and there is one, else
// every value of the attribute.
std::vector<std::string> ColumnValues(const harrow::QEntry& entry, const AttributeColumn& column);
// Whether the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view bytes);

} // namespace larkspur::search
