// LS_IconStrip: bitmap 131, the strip of small pictures that stand for directory entries in the
// tree and the entry list, drawn in code, and the image list cut from it. It owns nothing.
#pragma once

#include <QIcon>
#include <QPixmap>

#include <vector>

class LS_IconStrip {
public:
    static constexpr int IMAGE_WIDTH = 19;
    static constexpr int IMAGE_HEIGHT = 16;

    // The pictures in strip order; the registry's "Icon%d" values name them by these numbers.
    enum Picture { ENTRY, PERSON, ORGANISATION, UNIT, DOMAIN, PLACE, PICTURE_COUNT };

    // The whole strip on white, as the resource holds it, drawn with ratio device pixels to each
    // logical one.
    static QPixmap Bitmap(qreal ratio = 1);
    // One image per picture, cut from the strip with white as the transparent colour, drawn for
    // plain and for doubled screens, so that each screen gets a sharp one.
    static std::vector<QIcon> ImageList();
};
