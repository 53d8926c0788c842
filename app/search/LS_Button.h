// LS_Button: a push button of a search form window that moves the focus on Tab and Shift+Tab
// and is pressed by Enter itself, as the window is no dialog. It owns the states of the Tab and
// Shift keys as it saw them.
#pragma once

#include <QPushButton>

class LS_Button : public QPushButton {
    Q_OBJECT

public:
    explicit LS_Button(const QString& text, QWidget* parent = nullptr);
    ~LS_Button() override;

    int ShiftPressed() const { return m_bShiftPressed; }
    int TabPressed() const { return m_bTabPressed; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // Draws a focus frame whatever the style, so that the keyboard's place is always seen.
    void paintEvent(QPaintEvent* event) override;

private:
    int m_bShiftPressed = 0;
    int m_bTabPressed = 0;
};
