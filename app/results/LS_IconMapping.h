// LS_IconMapping: one "Icon%d" setting of the icon map: the object classes that are shown with
// one image of the icon strip. It owns nothing; the classes belong to the schema.
#pragma once

#include <vector>

namespace harrow {
class QOC;
}

class LS_IconMapping {
public:
    LS_IconMapping(std::vector<harrow::QOC*> classes, int image);

    bool Contains(const harrow::QOC* objectClass) const;
    int Image() const { return m_image; }
    const std::vector<harrow::QOC*>& Classes() const { return m_classes; }

private:
    std::vector<harrow::QOC*> m_classes;
    int m_image;
};
