#include "search/LS_Button.h"

#include "search/LS_TabStops.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

// How far inside the button's edge its focus frame is drawn.
const int focusInset = 3;

bool IsTabKey(const QKeyEvent& key) {
    return key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
}

} // namespace

LS_Button::LS_Button(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
}

LS_Button::~LS_Button() = default;

bool LS_Button::event(QEvent* event) {
    // Tab reaches the button itself instead of moving the focus the framework's way.
    if (event->type() == QEvent::KeyPress && IsTabKey(static_cast<QKeyEvent&>(*event))) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QPushButton::event(event);
}

void LS_Button::keyPressEvent(QKeyEvent* event) {
    if (IsTabKey(*event)) {
        // Ctrl+Tab switches pages, which is no move inside the form.
        m_bTabPressed = (event->modifiers() & Qt::ControlModifier) ? 0 : 1;
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Shift) {
        m_bShiftPressed = 1;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        event->accept();
        animateClick();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void LS_Button::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(focusInset, focusInset, -focusInset - 1, -focusInset - 1));
}

void LS_Button::keyReleaseEvent(QKeyEvent* event) {
    if (IsTabKey(*event)) {
        if (m_bTabPressed && !event->isAutoRepeat()) {
            m_bTabPressed = 0;
            // Backwards when Shift is held now, whoever saw it go down.
            const int backwards =
                event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
            if (auto* form = dynamic_cast<LS_TabStops*>(parentWidget())) {
                form->FocusNextTabStop(this, backwards);
            }
        }
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Shift) {
        m_bShiftPressed = 0;
    }
    QPushButton::keyReleaseEvent(event);
}
