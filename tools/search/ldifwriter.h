// LdifWriter: prints engine entries as LDIF records (RFC 2849), DNs as the server sent them,
// and the search's counts as closing comments, or hands records over as text. It owns a
// reusable text buffer; the stream stays the caller's.
#pragma once

#include "search/entrywriter.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace larkspur::search {

class LdifWriter : public EntryWriter {
public:
    LdifWriter(std::FILE* stream, std::vector<AttributeColumn> columns);

    // One record: the DN, the object classes, then the other attributes in server order (or
    // the columns' attributes in their order).
    void Write(const harrow::QEntry& entry) override;
    void Finish(int matches, int totalOperations, int failedOperations) override;
    // The record Write prints, ended by its blank line.
    const std::string& Record(const harrow::QEntry& entry);

private:
    void AppendLine(std::string_view name, std::string_view value);

    std::FILE* stream;
    std::vector<AttributeColumn> columns;
    std::string record;
};

// The value as LDIF must carry it: true when it has to be base64-encoded.
bool NeedsBase64(std::string_view value);
std::string Base64(std::string_view bytes);

} // namespace larkspur::search
