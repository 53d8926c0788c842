// LS_Configuration: the display settings read from the registry at start-up. It owns the
// loaders of those settings and loads them in their fixed order.
#pragma once

#include "results/LS_EntryViewConfig.h"
#include "results/LS_IconMap.h"

class LS_Configuration {
public:
    LS_Configuration() = default;
    LS_Configuration(const LS_Configuration&) = delete;
    LS_Configuration& operator=(const LS_Configuration&) = delete;
    virtual ~LS_Configuration();

    // 1 when every setting loaded; a loader that fails has already told the user.
    int Load();

    LS_IconMap* GetIconMap() { return &m_iconMap; }
    LS_EntryViewConfig* GetEntryViewConfig() { return &m_entryViewConfig; }

private:
    LS_IconMap m_iconMap;
    LS_EntryViewConfig m_entryViewConfig;
};
