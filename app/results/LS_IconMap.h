// LS_IconMap: which image of the icon strip stands for an entry, chosen by its object classes
// as the registry key "Icons" maps them. It owns the mappings, in registry order.
#pragma once

#include "results/LS_IconMapping.h"

#include <memory>
#include <string>
#include <vector>

namespace harrow {
class Oidtable;
class QEntry;
} // namespace harrow
class LS_Settings;

class LS_IconMap {
public:
    static constexpr unsigned long ICON_BUFFER_SIZE = 1024;

    LS_IconMap();
    LS_IconMap(const LS_IconMap&) = delete;
    LS_IconMap& operator=(const LS_IconMap&) = delete;
    virtual ~LS_IconMap();

    // 0 when the key or its "Icon Count" is missing (the user has been told); unreadable icon
    // values and unknown classes are left out. The map names classes of table, which must
    // outlive it.
    int Load(LS_Settings& settings, const harrow::Oidtable& table);

    // 1 with image set to the entry's image; 0 when neither a mapping nor a default applies.
    int GetIcon(const harrow::QEntry& entry, int& image) const;

    int DefaultIcon() const { return m_defaultIcon; }
    const std::vector<std::unique_ptr<LS_IconMapping>>& Mappings() const { return m_mappings; }

private:
    void AddMapping(const std::string& classList, int image);
    const LS_IconMapping* Mapping(const harrow::QOC* objectClass) const;

    std::vector<std::unique_ptr<LS_IconMapping>> m_mappings;
    int m_defaultIcon = -1;
    const harrow::Oidtable* m_table = nullptr;
};
