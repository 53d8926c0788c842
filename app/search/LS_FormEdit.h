// LS_FormEdit: the edit field of one search form field. A form window is no dialog, so the
// field moves the focus on Tab and Shift+Tab and starts the search on Enter itself. It owns the
// state of the Shift and Enter keys as it saw them.
#pragma once

#include <QLineEdit>

class LS_FormEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit LS_FormEdit(QWidget* parent = nullptr);
    ~LS_FormEdit() override;

    int ShiftPressed() const { return m_bShiftPressed; }
    void SetShiftPressed(int pressed) { m_bShiftPressed = pressed; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int m_bShiftPressed = 0;
    // Set by an Enter pressed here: a release whose press went elsewhere (a menu chosen or a box
    // closed with Enter) must not search.
    bool m_bEnterPressed = false;
    // Likewise for Tab, whose release moves the focus.
    bool m_bTabPressed = false;
};
