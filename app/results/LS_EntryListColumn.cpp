#include "results/LS_EntryListColumn.h"

#include "model/qattr.h"
#include "model/qentry.h"
#include "model/qrdn.h"
#include "model/qstringlist.h"

LS_EntryListColumn::LS_EntryListColumn(harrow::QAttrT* attrType, int useRDN)
    : m_pAttrType(attrType), m_bUseRDN(useRDN) {}

LS_EntryListColumn::~LS_EntryListColumn() = default;

void LS_EntryListColumn::GetText(const harrow::QEntry& entry, std::string& text) const {
    if (m_bUseRDN && GetRDNValue(entry, text)) {
        return;
    }
    GetAttrValue(entry, text);
}

int LS_EntryListColumn::GetRDNValue(const harrow::QEntry& entry, std::string& text) const {
    // The first RDN is parsed for this call only and read in place: a sort asks for every row's.
    int found = 0;
    const bool none = entry.DN().VisitRDNs([&](const harrow::QRDN& first) {
        found = GetPairValue(first, text);
        return false;
    });
    if (none) {
        harrow::QRDN().GetFriendlyRDNString(text);
    }
    return found;
}

int LS_EntryListColumn::GetPairValue(const harrow::QRDN& rdn, std::string& text) const {
    harrow::QRDN::Position position = rdn.GetHeadRDNAttr();
    while (position != nullptr) {
        const harrow::QRDNAttr* pair = rdn.GetNextRDNAttr(position);
        if (pair->Type() == m_pAttrType && pair->Value() != nullptr) {
            pair->Value()->Print(text);
            return 1;
        }
    }
    // Without a value of its own type the column still names the entry, unless the entry
    // carries the attribute elsewhere.
    rdn.GetFriendlyRDNString(text);
    return 0;
}

void LS_EntryListColumn::GetAttrValue(const harrow::QEntry& entry, std::string& text) const {
    harrow::QEntry::Position position = entry.GetHeadPosition();
    while (position != nullptr) {
        const harrow::QAttr* attr = entry.GetNextAttr(position);
        if (attr->Type() != m_pAttrType) {
            continue;
        }
        harrow::QStringList values;
        attr->PrintValues(values);
        if (!values.empty()) {
            text = values.front();
        }
        return;
    }
}
