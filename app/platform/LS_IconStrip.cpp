#include "platform/LS_IconStrip.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

const QColor ink(0x30, 0x30, 0x38);
const QColor paper(0xf6, 0xf3, 0xe4);
const QColor skin(0xf0, 0xc8, 0x9c);
const QColor coat(0x3a, 0x5f, 0xa8);
const QColor brick(0xb0, 0x5a, 0x3c);
const QColor glass(0xa8, 0xd0, 0xf0);
const QColor folder(0xe8, 0xbc, 0x48);
const QColor folderDark(0xb8, 0x8c, 0x20);
const QColor sea(0x3c, 0x8c, 0xd0);
const QColor land(0x5c, 0xa8, 0x4c);
const QColor pin(0xd0, 0x34, 0x30);

// A card with a folded corner and lines of text: an entry of no particular kind.
void DrawEntry(QPainter& painter) {
    QPainterPath card;
    card.moveTo(4.5, 1.5);
    card.lineTo(11.5, 1.5);
    card.lineTo(14.5, 4.5);
    card.lineTo(14.5, 14.5);
    card.lineTo(4.5, 14.5);
    card.closeSubpath();
    painter.setPen(QPen(ink, 1));
    painter.setBrush(paper);
    painter.drawPath(card);
    painter.drawLine(QPointF(11.5, 1.5), QPointF(11.5, 4.5));
    painter.drawLine(QPointF(11.5, 4.5), QPointF(14.5, 4.5));
    painter.setPen(QPen(coat, 1));
    for (int line = 0; line < 3; ++line) {
        painter.drawLine(QPointF(6.5, 7.5 + 2 * line), QPointF(12.5, 7.5 + 2 * line));
    }
}

// Head and shoulders: a person.
void DrawPerson(QPainter& painter) {
    painter.setPen(QPen(ink, 1));
    painter.setBrush(coat);
    QPainterPath shoulders;
    shoulders.moveTo(3.5, 15.5);
    shoulders.cubicTo(3.5, 10.0, 6.0, 9.0, 9.5, 9.0);
    shoulders.cubicTo(13.0, 9.0, 15.5, 10.0, 15.5, 15.5);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
    painter.setBrush(skin);
    painter.drawEllipse(QPointF(9.5, 5.0), 3.2, 3.5);
}

// A building with rows of windows: an organisation.
void DrawOrganisation(QPainter& painter) {
    painter.setPen(QPen(ink, 1));
    painter.setBrush(brick);
    painter.drawRect(QRectF(3.5, 3.5, 12, 12));
    painter.drawLine(QPointF(2.5, 3.5), QPointF(16.5, 3.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(glass);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            painter.drawRect(QRectF(5 + 3.5 * column, 5 + 3 * row, 2, 2));
        }
    }
    painter.setBrush(ink);
    painter.drawRect(QRectF(8, 13, 3, 2.5));
}

// A folder: a unit of an organisation, holding its people.
void DrawUnit(QPainter& painter) {
    painter.setPen(QPen(folderDark, 1));
    painter.setBrush(folderDark);
    QPainterPath back;
    back.moveTo(2.5, 14.5);
    back.lineTo(2.5, 3.5);
    back.lineTo(7.5, 3.5);
    back.lineTo(9.0, 5.5);
    back.lineTo(16.5, 5.5);
    back.lineTo(16.5, 14.5);
    back.closeSubpath();
    painter.drawPath(back);
    painter.setBrush(folder);
    painter.drawRect(QRectF(2.5, 7.5, 14, 7));
}

// A globe: a domain of the directory.
void DrawDomain(QPainter& painter) {
    painter.setPen(QPen(ink, 1));
    painter.setBrush(sea);
    painter.drawEllipse(QPointF(9.5, 8.0), 6.5, 6.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(land);
    QPainterPath west;
    west.moveTo(5.0, 4.5);
    west.cubicTo(8.0, 3.0, 10.0, 5.5, 8.5, 7.5);
    west.cubicTo(7.5, 9.0, 9.0, 12.0, 7.0, 13.0);
    west.cubicTo(4.0, 11.0, 3.5, 7.0, 5.0, 4.5);
    painter.drawPath(west);
    painter.drawEllipse(QPointF(12.5, 9.5), 2.2, 1.6);
    painter.setPen(QPen(QColor(0xe8, 0xf4, 0xff), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(9.5, 8.0), 3.0, 6.5);
}

// A map pin: a place (a country or a locality).
void DrawPlace(QPainter& painter) {
    painter.setPen(QPen(ink, 1));
    painter.setBrush(pin);
    QPainterPath marker;
    marker.moveTo(9.5, 15.0);
    marker.cubicTo(7.0, 11.0, 4.5, 8.5, 4.5, 6.0);
    marker.cubicTo(4.5, 3.0, 7.0, 1.0, 9.5, 1.0);
    marker.cubicTo(12.0, 1.0, 14.5, 3.0, 14.5, 6.0);
    marker.cubicTo(14.5, 8.5, 12.0, 11.0, 9.5, 15.0);
    painter.drawPath(marker);
    painter.setBrush(paper);
    painter.drawEllipse(QPointF(9.5, 6.0), 2.0, 2.0);
}

using DrawFunction = void (*)(QPainter&);

const DrawFunction pictures[LS_IconStrip::PICTURE_COUNT] = {DrawEntry, DrawPerson, DrawOrganisation,
                                                            DrawUnit,  DrawDomain, DrawPlace};

} // namespace

QPixmap LS_IconStrip::Bitmap(qreal ratio) {
    QPixmap strip(qCeil(IMAGE_WIDTH * PICTURE_COUNT * ratio), qCeil(IMAGE_HEIGHT * ratio));
    strip.setDevicePixelRatio(ratio);
    strip.fill(Qt::white);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int picture = 0; picture < PICTURE_COUNT; ++picture) {
        painter.save();
        painter.translate(picture * IMAGE_WIDTH, 0);
        painter.setClipRect(0, 0, IMAGE_WIDTH, IMAGE_HEIGHT);
        pictures[picture](painter);
        painter.restore();
    }
    return strip;
}

std::vector<QIcon> LS_IconStrip::ImageList() {
    std::vector<QIcon> images(PICTURE_COUNT);
    for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap strip = Bitmap(ratio);
        const int width = qCeil(IMAGE_WIDTH * ratio);
        const int height = qCeil(IMAGE_HEIGHT * ratio);
        for (int picture = 0; picture < PICTURE_COUNT; ++picture) {
            // Cut in device pixels; the piece keeps the strip's ratio.
            QPixmap image = strip.copy(picture * width, 0, width, height);
            image.setDevicePixelRatio(ratio);
            image.setMask(image.createMaskFromColor(Qt::white, Qt::MaskInColor));
            images[static_cast<std::size_t>(picture)].addPixmap(image);
        }
    }
    return images;
}
