// VcardWriter: prints engine entries as vCard 4.0 cards (RFC 6350), mapping the person and
// organisation attributes that have a vCard property and leaving out values that are not text.
// It owns a reusable card buffer.
#pragma once

#include "search/entrywriter.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace larkspur::search {

class VcardWriter : public EntryWriter {
public:
    explicit VcardWriter(std::FILE* stream);

    void Write(const harrow::QEntry& entry) override;

private:
    // One content line, folded at 75 bytes; the value is written as given.
    void AppendLine(const std::string& name, const std::string& value);

    std::FILE* stream;
    std::string card;
};

// A text value with vCard's escapes (backslash, comma, semicolon, line break).
std::string VcardText(std::string_view value);

} // namespace larkspur::search
