#include "platform/LS_Photo.h"

#include "model/qvalue.h"

namespace {

const QByteArray jpegSignature("\xff\xd8\xff", 3);
const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);

} // namespace

QByteArray LS_Photo::Bytes(const harrow::QValue& value) {
    // Values from the directory carry a terminating zero byte of their own.
    if (!value.Value() || value.Length() < 2) {
        return {};
    }
    const QByteArray bytes(value.Value(), static_cast<qsizetype>(value.Length() - 1));
    return MediaType(bytes).isEmpty() ? QByteArray() : bytes;
}

QString LS_Photo::MediaType(const QByteArray& bytes) {
    if (bytes.startsWith(jpegSignature)) {
        return QStringLiteral("image/jpeg");
    }
    if (bytes.startsWith(pngSignature)) {
        return QStringLiteral("image/png");
    }
    return {};
}
