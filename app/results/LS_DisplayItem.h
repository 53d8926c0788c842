// LS_DisplayItem: one line of the entry view's rules for an object class: the attribute type to
// show and how ("rdn", "title", "shellex", "photo"). It owns nothing; the type belongs to the
// schema.
#pragma once

#include <string>

namespace harrow {
class QAttrT;
}

class LS_DisplayItem {
public:
    // The flag bits and their registry keywords.
    static constexpr int DI_RDN = 1;
    static constexpr int DI_TITLE = 2;
    static constexpr int DI_SHELLEX = 4;
    static constexpr int DI_PHOTO = 8;

    LS_DisplayItem(harrow::QAttrT* attrType, int flags);

    // The bit a keyword stands for (matched exactly, in lower case); 0 for any other text.
    static int KeywordFlag(const std::string& keyword);

    harrow::QAttrT* AttrType() const { return m_pAttrType; }
    int Flags() const { return m_flags; }
    bool Has(int flag) const { return (m_flags & flag) != 0; }

private:
    harrow::QAttrT* m_pAttrType;
    int m_flags;
};
