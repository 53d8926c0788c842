// LdifWriter: prints engine entries as LDIF records (RFC 2849) on a stdio stream, or hands
// them over as text. It owns a reusable text buffer; the stream stays the caller's.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace harrow {
class QAttr;
class QEntry;
} // namespace harrow

namespace larkspur::search {

class LdifWriter {
public:
    explicit LdifWriter(std::FILE* stream);

    // One record: the DN, the object classes, then the other attributes in server order.
    void Write(const harrow::QEntry& entry);
    // The record Write prints, ended by its blank line.
    const std::string& Record(const harrow::QEntry& entry);
    // A comment line ("# " and the text).
    void Comment(const std::string& text);

private:
    void AppendAttribute(const harrow::QAttr& attribute);
    void AppendLine(std::string_view name, std::string_view value);

    std::FILE* stream;
    std::string record;
};

// The value as LDIF must carry it: true when it has to be base64-encoded.
bool NeedsBase64(std::string_view value);
std::string Base64(std::string_view bytes);

} // namespace larkspur::search
