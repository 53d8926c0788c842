// LS_Artwork: the program's pictures (icon, toolbar buttons, animation, splash, status bitmap),
// drawn in code under their resource ids. It owns nothing; every call paints a fresh image.
#pragma once

#include <QIcon>
#include <QPixmap>

class LS_Artwork {
public:
    // The bitmap with that resource id, with a transparent background where the picture has
    // one; a null pixmap for an id that names no bitmap. Drawn with ratio device pixels to each
    // logical one, for the screen it is shown on.
    static QPixmap LoadBitmap(unsigned int id, qreal ratio = 1);
    // The application icon (resource 128) in its large and small sizes.
    static QIcon AppIcon();
    // The 16 by 15 toolbar button picture for a command id; null for a command without one.
    static QPixmap ToolbarButton(unsigned int commandId);
};
