#include "results/LS_IconMapping.h"

#include <algorithm>
#include <utility>

LS_IconMapping::LS_IconMapping(std::vector<harrow::QOC*> classes, int image)
    : m_classes(std::move(classes)), m_image(image) {}

bool LS_IconMapping::Contains(const harrow::QOC* objectClass) const {
    return std::find(m_classes.begin(), m_classes.end(), objectClass) != m_classes.end();
}
