// LS_Configuration: the display settings read from the registry at start-up. It owns the
// loaders of those settings and loads them in their fixed order.
#pragma once

#include "results/LS_EntryViewConfig.h"
#include "results/LS_IconMap.h"

namespace harrow {
class Oidtable;
}
class LS_Settings;

class LS_Configuration {
public:
    // The settings are read through settings and name the schema objects of table, which must
    // outlive the configuration.
    LS_Configuration(LS_Settings& settings, const harrow::Oidtable& table)
        : m_settings(settings), m_table(table) {}
    LS_Configuration(const LS_Configuration&) = delete;
    LS_Configuration& operator=(const LS_Configuration&) = delete;
    virtual ~LS_Configuration();

    // 1 when every setting loaded; a loader that fails has already told the user.
    int Load();

    LS_IconMap* GetIconMap() { return &m_iconMap; }
    LS_EntryViewConfig* GetEntryViewConfig() { return &m_entryViewConfig; }

private:
    LS_Settings& m_settings;
    const harrow::Oidtable& m_table;
    LS_IconMap m_iconMap;
    LS_EntryViewConfig m_entryViewConfig;
};
