// LS_ObjectClasses: the schema object classes an entry names, in the order the entry stores
// them, for the settings that are chosen by object class. It owns nothing.
#pragma once

#include <vector>

namespace harrow {
class Oidtable;
class QEntry;
class QOC;
} // namespace harrow

class LS_ObjectClasses {
public:
    // Replaces classes with the entry's object classes that the schema knows, in stored order;
    // none before a schema is given.
    static void Of(const harrow::QEntry& entry, const harrow::Oidtable* table,
                   std::vector<harrow::QOC*>& classes);
};
