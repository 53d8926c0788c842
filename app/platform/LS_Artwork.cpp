#include "platform/LS_Artwork.h"

#include "platform/Resource.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

#include <cmath>
#include <numbers>

namespace {

const QColor petalDark(0x3b, 0x2f, 0x9a);
const QColor petalLight(0x86, 0x7a, 0xe6);
const QColor petalPale(0xc9, 0xc4, 0xe8);
const QColor stemGreen(0x3c, 0x7a, 0x3c);
const QColor floretEye(0xf4, 0xf1, 0xd0);

// A picture of that logical size with ratio device pixels to each logical one, so that it is
// drawn sharp on a scaled screen; painters draw on it in logical units.
QPixmap Canvas(int width, int height, qreal ratio) {
    QPixmap pixmap(qCeil(width * ratio), qCeil(height * ratio));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QPixmap Transparent(int width, int height, qreal ratio = 1) {
    QPixmap pixmap = Canvas(width, height, ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// One larkspur floret: five petals round a pale eye.
void DrawFloret(QPainter& painter, QPointF centre, qreal radius, const QColor& colour) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    for (int petal = 0; petal < 5; ++petal) {
        const qreal angle = petal * 2 * std::numbers::pi / 5 - std::numbers::pi / 2;
        const QPointF tip(centre.x() + std::cos(angle) * radius * 0.55,
                          centre.y() + std::sin(angle) * radius * 0.55);
        painter.drawEllipse(tip, radius * 0.5, radius * 0.5);
    }
    painter.setBrush(floretEye);
    painter.drawEllipse(centre, radius * 0.22, radius * 0.22);
    painter.restore();
}

// A flower spike standing in the rectangle: a stem with florets shrinking towards the top.
void DrawSpike(QPainter& painter, const QRectF& area) {
    painter.save();
    QPen stem(stemGreen, std::max<qreal>(1.0, area.width() / 14));
    stem.setCapStyle(Qt::RoundCap);
    painter.setPen(stem);
    const qreal x = area.center().x();
    painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.top() + area.height() * 0.08));
    const int florets = 5;
    for (int i = 0; i < florets; ++i) {
        const qreal share = static_cast<qreal>(i) / florets;
        const qreal radius = area.width() * (0.36 - 0.05 * i);
        const qreal side = (i % 2 == 0 ? -1 : 1) * area.width() * 0.1;
        const QPointF centre(x + side, area.bottom() - area.height() * (0.22 + 0.62 * share));
        DrawFloret(painter, centre, radius, i % 2 == 0 ? petalDark : petalLight);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(petalLight);
    painter.drawEllipse(QPointF(x, area.top() + area.height() * 0.06), area.width() * 0.07,
                        area.width() * 0.1);
    painter.restore();
}

QPixmap IconImage(int size, qreal ratio) {
    QPixmap pixmap = Transparent(size, size, ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawSpike(painter, QRectF(size * 0.1, size * 0.02, size * 0.8, size * 0.96));
    return pixmap;
}

// The working animation: nine dots in a ring with a bright dot running round it and a fading
// tail behind; the idle picture (no lit dot) shows the ring at rest.
QPixmap AnimationImage(int litDot, qreal ratio) {
    QPixmap pixmap = Transparent(32, 24, ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPointF centre(16, 12);
    for (int dot = 0; dot < res::ANIM_FRAME_COUNT; ++dot) {
        const qreal angle =
            dot * 2 * std::numbers::pi / res::ANIM_FRAME_COUNT - std::numbers::pi / 2;
        const QPointF at(centre.x() + std::cos(angle) * 9, centre.y() + std::sin(angle) * 9);
        const int behind =
            litDot < 0 ? -1 : (litDot - dot + res::ANIM_FRAME_COUNT) % res::ANIM_FRAME_COUNT;
        QColor colour = petalPale;
        qreal radius = 1.6;
        if (behind == 0) {
            colour = petalDark;
            radius = 2.6;
        } else if (behind == 1) {
            colour = petalLight;
            radius = 2.2;
        } else if (behind == 2) {
            colour = petalLight.lighter(120);
            radius = 1.9;
        }
        painter.setBrush(colour);
        painter.drawEllipse(at, radius, radius);
    }
    DrawFloret(painter, centre, 5, litDot < 0 ? petalLight : petalDark);
    return pixmap;
}

QPixmap SplashImage(qreal ratio) {
    const QSize size(420, 250);
    QPixmap pixmap = Canvas(size.width(), size.height(), ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(0x1d, 0x17, 0x5c));
    sky.setColorAt(1, QColor(0x4c, 0x41, 0xb0));
    painter.fillRect(QRect(QPoint(0, 0), size), sky);
    DrawSpike(painter, QRectF(22, 28, 100, 200));

    QFont title("Arial");
    title.setPixelSize(40);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(140, 52, 270, 50), Qt::AlignLeft | Qt::AlignVCenter, "Larkspur32");
    QFont line("Arial");
    line.setPixelSize(15);
    painter.setFont(line);
    painter.setPen(QColor(0xdc, 0xd8, 0xf6));
    painter.drawText(QRect(142, 104, 270, 24), Qt::AlignLeft, "Looking people up in the directory");
    painter.drawText(QRect(142, 130, 270, 24), Qt::AlignLeft, "Version 1.0");
    line.setPixelSize(12);
    painter.setFont(line);
    painter.drawText(QRect(142, 206, 270, 20), Qt::AlignLeft, "Calder Institute");
    painter.setPen(QPen(QColor(0xdc, 0xd8, 0xf6), 1));
    painter.drawLine(142, 198, 400, 198);
    return pixmap;
}

QPixmap StatusPaneImage() {
    QPixmap pixmap = Transparent(16, 16);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1f, 0x55, 0x1f), 1));
    painter.setBrush(QColor(0x4c, 0xc2, 0x4c));
    painter.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    return pixmap;
}

void DrawPage(QPainter& painter, const QRect& page) {
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(page);
    painter.setPen(QColor(0x60, 0x60, 0x60));
    for (int y = page.top() + 2; y < page.bottom() - 1; y += 2) {
        painter.drawLine(page.left() + 2, y, page.right() - 2, y);
    }
}

QPixmap CutButton() {
    QPixmap pixmap = Transparent(16, 15);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.2));
    painter.drawLine(QPointF(5, 1), QPointF(10.5, 9));
    painter.drawLine(QPointF(11, 1), QPointF(5.5, 9));
    painter.setPen(QPen(petalDark, 1.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(4.5, 11.5), 2.5, 2.5);
    painter.drawEllipse(QPointF(11.5, 11.5), 2.5, 2.5);
    return pixmap;
}

QPixmap CopyButton() {
    QPixmap pixmap = Transparent(16, 15);
    QPainter painter(&pixmap);
    DrawPage(painter, QRect(1, 1, 8, 9));
    DrawPage(painter, QRect(6, 4, 8, 10));
    return pixmap;
}

QPixmap PasteButton() {
    QPixmap pixmap = Transparent(16, 15);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0x4a, 0x32, 0x10));
    painter.setBrush(QColor(0xb0, 0x80, 0x40));
    painter.drawRect(1, 2, 10, 12);
    painter.setBrush(QColor(0x90, 0x90, 0x90));
    painter.drawRect(4, 0, 4, 3);
    DrawPage(painter, QRect(6, 5, 8, 9));
    return pixmap;
}

QPixmap PrintButton() {
    QPixmap pixmap = Transparent(16, 15);
    QPainter painter(&pixmap);
    DrawPage(painter, QRect(4, 0, 8, 6));
    painter.setPen(Qt::black);
    painter.setBrush(QColor(0xc0, 0xc0, 0xc0));
    painter.drawRect(1, 6, 14, 6);
    painter.setBrush(Qt::white);
    painter.drawRect(4, 10, 8, 4);
    painter.setPen(QColor(0x20, 0xa0, 0x20));
    painter.drawPoint(13, 8);
    return pixmap;
}

QPixmap AboutButton() {
    QPixmap pixmap = Transparent(16, 15);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(petalDark);
    painter.drawEllipse(QRectF(1, 0.5, 14, 14));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(7, 3, 2, 2));
    painter.drawRect(QRectF(7, 6, 2, 6));
    return pixmap;
}

QPixmap ContextHelpButton() {
    QPixmap pixmap = Transparent(16, 15);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPolygonF arrow({QPointF(1, 1), QPointF(1, 12), QPointF(4, 9), QPointF(6, 13.5),
                           QPointF(8, 12.5), QPointF(6, 8.5), QPointF(9.5, 8.5)});
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::black);
    painter.drawPolygon(arrow);
    QFont font("Arial");
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(petalDark);
    painter.drawText(QRect(8, 0, 8, 12), Qt::AlignCenter, "?");
    return pixmap;
}

} // namespace

QPixmap LS_Artwork::LoadBitmap(unsigned int id, qreal ratio) {
    if (id == res::IDB_SPLASH) {
        return SplashImage(ratio);
    }
    if (id == res::IDB_ANIM_IDLE) {
        return AnimationImage(-1, ratio);
    }
    if (id >= res::IDB_ANIM_FIRST && id < res::IDB_ANIM_FIRST + res::ANIM_FRAME_COUNT) {
        return AnimationImage(static_cast<int>(id - res::IDB_ANIM_FIRST), ratio);
    }
    if (id == res::IDB_STATUS_PANE) {
        return StatusPaneImage();
    }
    return QPixmap();
}

QIcon LS_Artwork::AppIcon() {
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        icon.addPixmap(IconImage(32, ratio));
        icon.addPixmap(IconImage(16, ratio));
    }
    return icon;
}

QPixmap LS_Artwork::ToolbarButton(unsigned int commandId) {
    switch (commandId) {
    case res::ID_EDIT_CUT:
        return CutButton();
    case res::ID_EDIT_COPY:
        return CopyButton();
    case res::ID_EDIT_PASTE:
        return PasteButton();
    case res::ID_FILE_PRINT:
        return PrintButton();
    case res::ID_APP_ABOUT:
        return AboutButton();
    case res::ID_CONTEXT_HELP:
        return ContextHelpButton();
    default:
        return QPixmap();
    }
}
