// JsonWriter: prints engine entries as JSON lines, one object an entry: "dn" and each attribute
// as an array of strings. An attribute with a value that is not UTF-8 is written under
// "NAME;base64" with every value base64-encoded (a DN that is not, under "dn;base64"). It owns a
// reusable line buffer.
#pragma once

#include "search/entrywriter.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace larkspur::search {

class JsonWriter : public EntryWriter {
public:
    JsonWriter(std::FILE* stream, std::vector<AttributeColumn> columns);

    void Write(const harrow::QEntry& entry) override;

private:
    void AppendMember(const std::string& name, const std::vector<std::string_view>& values);
    void AppendString(std::string_view text);

    std::FILE* stream;
    std::vector<AttributeColumn> columns;
    std::string line;
};

} // namespace larkspur::search
