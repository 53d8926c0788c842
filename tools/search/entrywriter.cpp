#include "search/entrywriter.h"

#include "model/qattr.h"
#include "model/qentry.h"
#include "model/qrdn.h"
#include "model/qrdnattr.h"
#include "model/qvalue.h"
#include "search/csvwriter.h"
#include "search/jsonwriter.h"
#include "search/ldifwriter.h"
#include "search/vcardwriter.h"

namespace larkspur::search {

void EntryWriter::Finish(int, int, int) {}

std::unique_ptr<EntryWriter> MakeEntryWriter(OutputFormat format, std::FILE* stream,
                                             std::vector<AttributeColumn> columns) {
    switch (format) {
    case OutputFormat::Csv:
        return std::make_unique<CsvWriter>(stream, std::move(columns));
    case OutputFormat::Json:
        return std::make_unique<JsonWriter>(stream, std::move(columns));
    case OutputFormat::Vcard:
        return std::make_unique<VcardWriter>(stream);
    case OutputFormat::Ldif:
        break;
    }
    return std::make_unique<LdifWriter>(stream, std::move(columns));
}

std::string_view ValueBytes(const harrow::QValue& value) {
    unsigned long length = value.Length();
    if (length > 0 && value.Value()[length - 1] == '\0') {
        --length;
    }
    return std::string_view(value.Value(), length);
}

std::vector<std::string_view> ValuesOf(const harrow::QAttr& attribute) {
    harrow::PtrList<harrow::QValue> values;
    attribute.GetValues(values);
    std::vector<std::string_view> bytes;
    for (const harrow::QValue* value : values) {
        bytes.push_back(ValueBytes(*value));
    }
    return bytes;
}

const harrow::QAttr* FindAttribute(const harrow::QEntry& entry, const harrow::QAttrT* type) {
    if (entry.ObjectClass() != nullptr && entry.ObjectClass()->Type() == type) {
        return entry.ObjectClass();
    }
    return entry.QueryGetAttr(type);
}

std::vector<const harrow::QAttr*> ChosenAttributes(const harrow::QEntry& entry,
                                                   const std::vector<AttributeColumn>& columns) {
    std::vector<const harrow::QAttr*> chosen;
    if (columns.empty()) {
        if (entry.ObjectClass() != nullptr) {
            chosen.push_back(entry.ObjectClass());
        }
        harrow::QEntry::Position pos = entry.GetHeadPosition();
        while (pos != nullptr) {
            chosen.push_back(entry.GetNextAttr(pos));
        }
        return chosen;
    }
    for (const AttributeColumn& column : columns) {
        if (const harrow::QAttr* attribute = FindAttribute(entry, column.type)) {
            chosen.push_back(attribute);
        }
    }
    return chosen;
}

std::vector<std::string> ColumnValues(const harrow::QEntry& entry, const AttributeColumn& column) {
    if (column.preferRdn) {
        harrow::QRDN rdn;
        if (entry.DN().GetRDN(rdn)) {
            harrow::QRDN::Position pos = rdn.GetHeadRDNAttr();
            while (pos != nullptr) {
                const harrow::QRDNAttr* pair = rdn.GetNextRDNAttr(pos);
                if (pair->Type() == column.type && pair->Value() != nullptr) {
                    return {std::string(ValueBytes(*pair->Value()))};
                }
            }
        }
    }
    std::vector<std::string> values;
    if (const harrow::QAttr* attribute = FindAttribute(entry, column.type)) {
        for (std::string_view value : ValuesOf(*attribute)) {
            values.emplace_back(value);
        }
    }
    return values;
}

bool IsUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        size_t length = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xe0) == 0xc0) {
            length = 2;
            code = lead & 0x1f;
        } else if ((lead & 0xf0) == 0xe0) {
            length = 3;
            code = lead & 0x0f;
        } else if ((lead & 0xf8) == 0xf0) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > bytes.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xc0) != 0x80) {
                return false;
            }
            code = code << 6 | (next & 0x3f);
        }
        // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace larkspur::search
