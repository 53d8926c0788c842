#include "results/LS_DisplayItem.h"

LS_DisplayItem::LS_DisplayItem(harrow::QAttrT* attrType, int flags)
    : m_pAttrType(attrType), m_flags(flags) {}

int LS_DisplayItem::KeywordFlag(const std::string& keyword) {
    if (keyword == "rdn") {
        return DI_RDN;
    }
    if (keyword == "title") {
        return DI_TITLE;
    }
    if (keyword == "shellex") {
        return DI_SHELLEX;
    }
    if (keyword == "photo") {
        return DI_PHOTO;
    }
    return 0;
}
