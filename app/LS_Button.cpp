#include "LS_Button.h"

#include "LS_FormWin.h"

#include <QKeyEvent>

namespace {

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
        m_bTabPressed = 1;
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Shift) {
        m_bShiftPressed = 1;
    }
    QPushButton::keyPressEvent(event);
}

void LS_Button::keyReleaseEvent(QKeyEvent* event) {
    if (IsTabKey(*event)) {
        if (m_bTabPressed && !event->isAutoRepeat()) {
            m_bTabPressed = 0;
            // Backwards when Shift is held now, whoever saw it go down.
            const int backwards = event->key() == Qt::Key_Backtab ||
                                  (event->modifiers() & Qt::ShiftModifier);
            if (auto* form = qobject_cast<LS_FormWin*>(parentWidget())) {
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
