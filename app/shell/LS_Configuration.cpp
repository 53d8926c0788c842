#include "shell/LS_Configuration.h"

LS_Configuration::~LS_Configuration() = default;

int LS_Configuration::Load() {
    if (!m_iconMap.Load(m_settings, m_table)) {
        return 0;
    }
    return m_entryViewConfig.Load(m_settings, m_table) ? 1 : 0;
}
