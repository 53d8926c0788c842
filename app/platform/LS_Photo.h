// LS_Photo: recognises directory values that are pictures (JPEG or PNG bytes, as jpegPhoto and
// thumbnailPhoto hold them) for the entry view and the vCard export. It owns nothing.
#pragma once

#include <QByteArray>
#include <QString>

namespace harrow {
class QValue;
}

class LS_Photo {
public:
    // The value's bytes when they are a JPEG or PNG picture; empty otherwise.
    static QByteArray Bytes(const harrow::QValue& value);
    // "image/jpeg" or "image/png" for picture bytes; empty for anything else.
    static QString MediaType(const QByteArray& bytes);
};
