#include "shell/LS_Configuration.h"

LS_Configuration::~LS_Configuration() = default;

int LS_Configuration::Load() {
    if (!m_iconMap.Load()) {
        return 0;
    }
    return m_entryViewConfig.Load() ? 1 : 0;
}
