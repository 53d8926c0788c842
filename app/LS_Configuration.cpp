#include "LS_Configuration.h"

LS_Configuration::~LS_Configuration() = default;

int LS_Configuration::Load() {
    // The icon map and the entry display rules join here as their windows arrive; until then
    // nothing of this configuration can fail to load.
    return 1;
}
