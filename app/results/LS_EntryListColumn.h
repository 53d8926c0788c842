// LS_EntryListColumn: one column of the entry list: the attribute type it shows and whether it
// prefers the value held in the entry's RDN. It owns nothing; the type belongs to the schema.
#pragma once

#include <string>

namespace harrow {
class QAttrT;
class QEntry;
class QRDN;
} // namespace harrow

class LS_EntryListColumn {
public:
    LS_EntryListColumn(harrow::QAttrT* attrType, int useRDN);
    LS_EntryListColumn(const LS_EntryListColumn&) = delete;
    LS_EntryListColumn& operator=(const LS_EntryListColumn&) = delete;
    virtual ~LS_EntryListColumn();

    // Fills text with what the column shows for the entry; text is left as it is when the entry
    // has nothing for the column.
    void GetText(const harrow::QEntry& entry, std::string& text) const;

    harrow::QAttrT* AttrType() const { return m_pAttrType; }
    int UseRDN() const { return m_bUseRDN; }

private:
    // 1 when the entry's RDN holds the column's type; text is then its value.
    int GetRDNValue(const harrow::QEntry& entry, std::string& text) const;
    // The same for one RDN: 1 and its value of the column's type, else 0 and its friendly form.
    int GetPairValue(const harrow::QRDN& rdn, std::string& text) const;
    void GetAttrValue(const harrow::QEntry& entry, std::string& text) const;

    harrow::QAttrT* m_pAttrType;
    int m_bUseRDN;
};
