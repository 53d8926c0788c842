#include "search/LS_FormEdit.h"

#include "search/LS_TabStops.h"

#include <QKeyEvent>

#include <utility>

namespace {

bool IsTab(const QKeyEvent& key) {
    return key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
}

bool IsEnter(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

} // namespace

LS_FormEdit::LS_FormEdit(QWidget* parent) : QLineEdit(parent) {}

LS_FormEdit::~LS_FormEdit() = default;

bool LS_FormEdit::event(QEvent* event) {
    // Tab reaches the field itself instead of moving the focus the framework's way.
    if (event->type() == QEvent::KeyPress && IsTab(static_cast<QKeyEvent&>(*event))) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QLineEdit::event(event);
}

void LS_FormEdit::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(*event)) {
        m_bEnterPressed = true;
        event->accept();
        return;
    }
    if (IsTab(*event)) {
        // Ctrl+Tab switches pages, which is no move inside the form.
        m_bTabPressed = !(event->modifiers() & Qt::ControlModifier);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Shift) {
        m_bShiftPressed = 1;
    }
    QLineEdit::keyPressEvent(event);
}

void LS_FormEdit::keyReleaseEvent(QKeyEvent* event) {
    auto* form = dynamic_cast<LS_TabStops*>(parentWidget());
    if (event->key() == Qt::Key_Shift) {
        m_bShiftPressed = 0;
    } else if (IsEnter(*event) && !event->isAutoRepeat()) {
        const bool pressedHere = m_bEnterPressed;
        m_bEnterPressed = false;
        if (form && pressedHere) {
            form->OnSearch();
        }
        return;
    } else if (IsTab(*event) && !event->isAutoRepeat()) {
        if (!std::exchange(m_bTabPressed, false)) {
            return;
        }
        // Shift+Tab may arrive as its own key, or with Shift held since before this field had
        // the focus.
        const int backwards = m_bShiftPressed || event->key() == Qt::Key_Backtab ||
                              (event->modifiers() & Qt::ShiftModifier);
        QWidget* next = form ? form->FocusNextTabStop(this, backwards) : nullptr;
        if (auto* field = qobject_cast<LS_FormEdit*>(next); field && field != this) {
            field->SetShiftPressed(m_bShiftPressed);
        }
        if (next != this) {
            m_bShiftPressed = 0;
        }
        return;
    }
    QLineEdit::keyReleaseEvent(event);
}

void LS_FormEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    selectAll();
}

void LS_FormEdit::focusOutEvent(QFocusEvent* event) {
    m_bEnterPressed = false;
    m_bTabPressed = false;
    QLineEdit::focusOutEvent(event);
}
