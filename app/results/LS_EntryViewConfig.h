// LS_EntryViewConfig: the entry view's drawing rules per object class, read from the registry
// key "Entry Display" at start-up. It owns one LS_ObjectClassDisplay per configured class.
#pragma once

#include "results/LS_ObjectClassDisplay.h"

#include <memory>
#include <string>
#include <vector>

namespace harrow {
class Oidtable;
class QEntry;
class QOC;
} // namespace harrow
class LS_RegistryKey;
class LS_Settings;

class LS_EntryViewConfig {
public:
    LS_EntryViewConfig();
    LS_EntryViewConfig(const LS_EntryViewConfig&) = delete;
    LS_EntryViewConfig& operator=(const LS_EntryViewConfig&) = delete;
    virtual ~LS_EntryViewConfig();

    // 0 when the key or its "Object Classes" value is missing (the user has been told); unknown
    // classes and types are left out with a diagnostic. The rules name classes and types of table,
    // which must outlive them.
    int Load(LS_Settings& settings, const harrow::Oidtable& table);

    // Replaces items with the rules of the first of the entry's object classes, in the entry's
    // order, that has any; 1 when one had, else 0 (and nothing is drawn).
    int GetDisplayItems(const harrow::QEntry& entry,
                        std::vector<const LS_DisplayItem*>& items) const;

    const std::vector<std::unique_ptr<LS_ObjectClassDisplay>>& Classes() const { return m_classes; }

private:
    void LoadClass(const LS_Settings& settings, const LS_RegistryKey& key,
                   const std::string& className);
    const LS_ObjectClassDisplay* Display(const harrow::QOC* objectClass) const;

    std::vector<std::unique_ptr<LS_ObjectClassDisplay>> m_classes;
    const harrow::Oidtable* m_table = nullptr;
};
