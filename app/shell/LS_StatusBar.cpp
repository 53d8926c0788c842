#include "shell/LS_StatusBar.h"

#include "platform/LS_Artwork.h"
#include "platform/LS_MessageBox.h"
#include "platform/LS_StringTable.h"

#include <QApplication>
#include <QMainWindow>
#include <QPainter>
#include <QProgressBar>
#include <QSizeGrip>

namespace {

const int barMargin = 2;
const int paneGap = 2;
const int panePadding = 3;
const QColor flashText(0xff, 0xff, 0xff);
const QColor flashBack(0x00, 0x00, 0x7f);

QColor MenuColour() {
    return QApplication::palette("QMenu").color(QPalette::Active, QPalette::Window);
}

QColor MenuTextColour() {
    return QApplication::palette("QMenu").color(QPalette::Active, QPalette::WindowText);
}

QColor Halved(const QColor& colour) {
    return QColor(colour.red() / 2, colour.green() / 2, colour.blue() / 2);
}

Qt::Alignment Alignment(unsigned long format) {
    Qt::Alignment alignment = Qt::AlignLeft;
    if (format & LS_StatusBar::DT_CENTER) {
        alignment = Qt::AlignHCenter;
    } else if (format & LS_StatusBar::DT_RIGHT) {
        alignment = Qt::AlignRight;
    }
    if (format & LS_StatusBar::DT_VCENTER) {
        alignment |= Qt::AlignVCenter;
    } else if (format & LS_StatusBar::DT_BOTTOM) {
        alignment |= Qt::AlignBottom;
    } else {
        alignment |= Qt::AlignTop;
    }
    return alignment;
}

// Where content of the given size starts along one axis of a pane that scrolls: it enters at
// the far side and runs across, or, when repeated, slides by one copy and starts again.
int ScrollStart(int paneStart, int paneLength, int contentLength, int offset, bool repeat) {
    if (contentLength <= 0) {
        return paneStart;
    }
    if (repeat) {
        return paneStart - offset % contentLength;
    }
    return paneStart + paneLength - offset % (paneLength + contentLength);
}

} // namespace

LS_StatusBar::LS_StatusBar() {
    flashTimer.setInterval(FLASH_PERIOD_MS);
    connect(&flashTimer, &QTimer::timeout, this, &LS_StatusBar::OnFlashTick);
    moveTimer.setInterval(MOVE_PERIOD_MS);
    connect(&moveTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    // Fly-by help is shown in pane 0 in place of its text while it lasts.
    connect(this, &QStatusBar::messageChanged, this, qOverload<>(&QWidget::update));
}

LS_StatusBar::~LS_StatusBar() = default;

int LS_StatusBar::Create(QMainWindow* frame, const unsigned int* indicators, int count,
                         unsigned int pane0Style) {
    if (!frame || !indicators || count <= 0) {
        LS_MessageBox::Show(nullptr, QStringLiteral("Larkspur32"),
                            QStringLiteral("Unable to create Statusbar."), QMessageBox::Warning);
        return 0;
    }
    frame->setStatusBar(this);
    setSizeGripEnabled(true);
    panes.clear();
    for (int i = 0; i < count; ++i) {
        Pane pane;
        pane.id = indicators[i];
        pane.text = LS_StringTable::Load(indicators[i]);
        pane.width = fontMetrics().horizontalAdvance(pane.text);
        pane.font = font();
        pane.textColour = {Halved(MenuColour()), MenuTextColour()};
        pane.backColour = {MenuColour(), MenuColour()};
        panes.push_back(pane);
    }
    panes.front().style = pane0Style;
    show();
    return 1;
}

LS_StatusBar::Pane* LS_StatusBar::PaneAt(int pane) {
    return pane >= 0 && pane < PaneCount() ? &panes[pane] : nullptr;
}

const LS_StatusBar::Pane* LS_StatusBar::PaneAt(int pane) const {
    return pane >= 0 && pane < PaneCount() ? &panes[pane] : nullptr;
}

unsigned int LS_StatusBar::PaneStyle(int pane) const {
    const Pane* found = PaneAt(pane);
    return found ? found->style : 0;
}

unsigned long LS_StatusBar::PaneMode(int pane) const {
    const Pane* found = PaneAt(pane);
    return found ? found->mode : 0;
}

void LS_StatusBar::SetPaneMode(int pane, unsigned long mode) {
    Pane* found = PaneAt(pane);
    if (!found) {
        return;
    }
    found->mode = mode;
    found->scrollX = 0;
    found->scrollY = 0;
    const bool progressKind = (mode & MODE_KIND_MASK) == MODE_PROGRESS;
    if (progressKind && !found->progress) {
        found->progress = new QProgressBar(this);
        found->progress->setTextVisible(false);
        found->progress->show();
    } else if (!progressKind && found->progress) {
        delete found->progress;
    }
    update();
}

void LS_StatusBar::SetPaneWidth(int pane, int width) {
    if (Pane* found = PaneAt(pane)) {
        found->width = width;
        update();
    }
}

void LS_StatusBar::SetPaneBitmaps(int pane, int enabledId, int disabledId) {
    if (Pane* found = PaneAt(pane)) {
        found->enabledBitmap = enabledId;
        found->disabledBitmap = disabledId;
        update();
    }
}

void LS_StatusBar::SetPaneDisabled(int pane, bool disabled) {
    if (Pane* found = PaneAt(pane)) {
        found->style = disabled ? (found->style | SBPS_DISABLED) : (found->style & ~SBPS_DISABLED);
        update();
    }
}

void LS_StatusBar::SetPaneTextColours(int pane, const QColor& enabled, const QColor& disabled) {
    if (Pane* found = PaneAt(pane)) {
        found->textColour = {disabled.isValid() ? disabled : Halved(MenuColour()), enabled};
        update();
    }
}

void LS_StatusBar::SetPaneBackColours(int pane, const QColor& enabled, const QColor& disabled) {
    if (Pane* found = PaneAt(pane)) {
        found->backColour = {disabled.isValid() ? disabled : MenuColour(), enabled};
        update();
    }
}

void LS_StatusBar::SetPaneTexts(int pane, const QString& enabled, const QString& disabled) {
    if (Pane* found = PaneAt(pane)) {
        found->enabledText = enabled;
        found->disabledText = disabled;
        update();
    }
}

void LS_StatusBar::SetPaneTexts(int pane, int enabled, int disabled) {
    SetPaneTexts(pane, QString::asprintf("%d", enabled), QString::asprintf("%d", disabled));
}

void LS_StatusBar::SetPaneText(int pane, const QString& text) {
    if (Pane* found = PaneAt(pane)) {
        found->text = text;
        update(PaneRect(pane));
    }
}

QString LS_StatusBar::PaneText(int pane) const {
    const Pane* found = PaneAt(pane);
    return found ? found->text : QString();
}

QColor LS_StatusBar::PaneTextColour(int pane) const {
    const Pane* found = PaneAt(pane);
    if (!found) {
        return QColor();
    }
    return Enabled(*found) ? found->textColour.enabled : found->textColour.disabled;
}

QColor LS_StatusBar::PaneBackColour(int pane) const {
    const Pane* found = PaneAt(pane);
    if (!found) {
        return QColor();
    }
    return Enabled(*found) ? found->backColour.enabled : found->backColour.disabled;
}

QProgressBar* LS_StatusBar::PaneProgress(int pane) const {
    const Pane* found = PaneAt(pane);
    return found ? found->progress.data() : nullptr;
}

void LS_StatusBar::Flash(int pane) {
    if (!PaneAt(pane)) {
        return;
    }
    // A flash still under way gives its pane back its own colours first, or the highlight
    // would be saved as the pane's own colours and stay.
    RestoreFlashedColours();
    flashPane = pane;
    flashStep = 0;
    flashTimer.start();
}

void LS_StatusBar::RestoreFlashedColours() {
    Pane* pane = PaneAt(flashPane);
    if (flashTimer.isActive() && flashStep > 0 && pane) {
        ColourPair& text = pane->textColour;
        ColourPair& back = pane->backColour;
        (Enabled(*pane) ? text.enabled : text.disabled) = flashSavedText;
        (Enabled(*pane) ? back.enabled : back.disabled) = flashSavedBack;
    }
    flashTimer.stop();
}

void LS_StatusBar::OnFlashTick() {
    Pane* pane = PaneAt(flashPane);
    if (!pane) {
        flashTimer.stop();
        return;
    }
    QColor& text = Enabled(*pane) ? pane->textColour.enabled : pane->textColour.disabled;
    QColor& back = Enabled(*pane) ? pane->backColour.enabled : pane->backColour.disabled;
    if (flashStep == 0) {
        flashSavedText = text;
        flashSavedBack = back;
    }
    const bool highlighted = flashStep % 2 == 0;
    text = highlighted ? flashText : flashSavedText;
    back = highlighted ? flashBack : flashSavedBack;
    repaint();
    if (++flashStep >= FLASH_STEPS) {
        flashTimer.stop();
    }
}

int LS_StatusBar::GripWidth() const {
    const QSizeGrip* grip = findChild<QSizeGrip*>();
    return grip && grip->isVisible() ? grip->width() : 0;
}

std::vector<QRect> LS_StatusBar::PaneRects() const {
    std::vector<QRect> rects;
    const int top = barMargin;
    const int height = std::max(0, this->height() - 2 * barMargin + 1);
    const int available = width() - GripWidth() - 2 * barMargin;
    int fixed = 0;
    int stretching = 0;
    for (const Pane& pane : panes) {
        fixed += (pane.style & SBPS_STRETCH) ? 0 : pane.width + 2 * panePadding;
        stretching += (pane.style & SBPS_STRETCH) ? 1 : 0;
    }
    const int gaps = paneGap * std::max(0, PaneCount() - 1);
    const int stretchWidth = stretching ? std::max(0, (available - fixed - gaps) / stretching) : 0;
    int left = barMargin;
    for (const Pane& pane : panes) {
        const int paneWidth =
            (pane.style & SBPS_STRETCH) ? stretchWidth : pane.width + 2 * panePadding;
        rects.emplace_back(left, top, paneWidth, height);
        left += paneWidth + paneGap;
    }
    return rects;
}

QRect LS_StatusBar::PaneRect(int pane) const {
    const std::vector<QRect> rects = PaneRects();
    return pane >= 0 && pane < static_cast<int>(rects.size()) ? rects[pane] : QRect();
}

QSize LS_StatusBar::sizeHint() const {
    return QSize(QStatusBar::sizeHint().width(), fontMetrics().height() + 2 * barMargin + 6);
}

QSize LS_StatusBar::minimumSizeHint() const {
    return QSize(0, sizeHint().height());
}

void LS_StatusBar::DrawEdge(QPainter& painter, const QRect& rect, unsigned int style) const {
    if (style & SBPS_NOBORDERS && !(style & SBPS_POPOUT)) {
        return;
    }
    const bool raised = style & SBPS_POPOUT;
    const QColor topLeft = palette().color(raised ? QPalette::Light : QPalette::Dark);
    const QColor bottomRight = palette().color(raised ? QPalette::Dark : QPalette::Light);
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

void LS_StatusBar::DrawText(QPainter& painter, Pane& pane, const QRect& rect, int index) {
    QString text = Enabled(pane) ? pane.enabledText : pane.disabledText;
    if (text.isEmpty()) {
        const QString flyBy = index == 0 ? currentMessage() : QString();
        text = flyBy.isEmpty() ? pane.text : flyBy;
    }
    const unsigned long format = pane.mode & MODE_FORMAT_MASK;
    const bool repeat = pane.mode & MODE_REPEAT;
    if (repeat) {
        text += QStringLiteral("  ");
    }
    painter.setFont(pane.font);
    painter.setPen(Enabled(pane) ? pane.textColour.enabled : pane.textColour.disabled);
    const QRect inner = rect.adjusted(panePadding - 1, 0, -(panePadding - 1), 0);
    const int textWidth = painter.fontMetrics().horizontalAdvance(text);
    const int textHeight = painter.fontMetrics().height();
    if (!(pane.mode & (MODE_HSCROLL | MODE_VSCROLL)) && !repeat) {
        const int flags = static_cast<int>(Alignment(format)) |
                          ((format & DT_WORDBREAK) ? Qt::TextWordWrap : Qt::TextSingleLine);
        painter.drawText(inner, flags, text);
        return;
    }
    const int x = (pane.mode & MODE_HSCROLL)
                      ? ScrollStart(inner.left(), inner.width(), textWidth, pane.scrollX++, repeat)
                      : inner.left();
    const int y = (pane.mode & MODE_VSCROLL)
                      ? ScrollStart(inner.top(), inner.height(), textHeight, pane.scrollY++, repeat)
                      : inner.top();
    for (int row = y; row < inner.bottom(); row += textHeight) {
        for (int column = x; column < inner.right(); column += textWidth) {
            painter.drawText(QRect(column, row, textWidth, textHeight), Qt::TextSingleLine, text);
            if (!repeat || textWidth <= 0) {
                break;
            }
        }
        if (!repeat || textHeight <= 0) {
            break;
        }
    }
}

void LS_StatusBar::DrawBitmap(QPainter& painter, Pane& pane, const QRect& rect) {
    const int id = Enabled(pane) ? pane.enabledBitmap : pane.disabledBitmap;
    if (id == -1) {
        return;
    }
    const QPixmap bitmap = LS_Artwork::LoadBitmap(static_cast<unsigned int>(id));
    if (bitmap.isNull()) {
        return;
    }
    if (pane.mode & MODE_STRETCH) {
        painter.drawPixmap(rect, bitmap);
        return;
    }
    const unsigned long format = pane.mode & MODE_FORMAT_MASK;
    const bool repeat = pane.mode & MODE_REPEAT;
    int x = rect.left();
    if (format & DT_CENTER) {
        x = rect.left() + (rect.width() - bitmap.width()) / 2;
    } else if (format & DT_RIGHT) {
        x = rect.right() + 1 - bitmap.width();
    }
    int y = rect.top();
    if (format & DT_VCENTER) {
        y = rect.top() + (rect.height() - bitmap.height()) / 2;
    } else if (format & DT_BOTTOM) {
        y = rect.bottom() + 1 - bitmap.height();
    }
    if (pane.mode & MODE_HSCROLL) {
        x = ScrollStart(rect.left(), rect.width(), bitmap.width(), pane.scrollX++, repeat);
    }
    if (pane.mode & MODE_VSCROLL) {
        y = ScrollStart(rect.top(), rect.height(), bitmap.height(), pane.scrollY++, repeat);
    }
    if (repeat) {
        painter.drawTiledPixmap(rect, bitmap, QPoint(rect.left() - x, rect.top() - y));
    } else {
        painter.drawPixmap(x, y, bitmap);
    }
}

void LS_StatusBar::UpdateMovingTimer() {
    const bool moving = std::any_of(panes.begin(), panes.end(), [](const Pane& pane) {
        return (pane.mode & (MODE_HSCROLL | MODE_VSCROLL)) != 0;
    });
    if (moving && !moveTimer.isActive()) {
        moveTimer.start();
    } else if (!moving) {
        moveTimer.stop();
    }
}

void LS_StatusBar::paintEvent(QPaintEvent* /*event*/) {
    // The widget's backing store already double-buffers, so the bar paints straight into it.
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    const std::vector<QRect> rects = PaneRects();
    for (int i = 0; i < PaneCount(); ++i) {
        Pane& pane = panes[i];
        DrawEdge(painter, rects[i], pane.style);
        const QRect inside = rects[i].adjusted(1, 1, -1, -1);
        painter.fillRect(inside,
                         Enabled(pane) ? pane.backColour.enabled : pane.backColour.disabled);
        painter.save();
        painter.setClipRect(inside);
        switch (pane.mode & MODE_KIND_MASK) {
        case MODE_TEXT:
            DrawText(painter, pane, inside, i);
            break;
        case MODE_BITMAP:
            DrawBitmap(painter, pane, inside);
            break;
        case MODE_PROGRESS:
            if (pane.progress && pane.progress->geometry() != inside) {
                pane.progress->setGeometry(inside);
            }
            break;
        default:
            break;
        }
        painter.restore();
    }
    UpdateMovingTimer();
}
