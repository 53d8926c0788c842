// LS_SplashWnd: the picture shown while the program starts, gone after five seconds or when
// start-up ends. It owns its window and the splash bitmap while it is shown.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class LS_SplashWnd {
public:
    static constexpr int SHOW_TIME_MS = 5000;
    static constexpr int EDGE = 2;

    LS_SplashWnd() = default;
    LS_SplashWnd(const LS_SplashWnd&) = delete;
    LS_SplashWnd& operator=(const LS_SplashWnd&) = delete;
    ~LS_SplashWnd();

    // Shows the window centred, over the parent if one is given, unless it is already shown
    // or the bitmap cannot be had. Returns whether it is shown.
    bool Create(QWidget* parent);
    void EnableSplash(bool enable) { m_bEnabled = enable ? 1 : 0; }
    // Paints the window at once, so that it appears before start-up goes on.
    void UpdateIfEnabled();
    void Hide();

    bool IsShown() const { return m_bShown != 0; }
    // The window while it is shown, else null.
    QWidget* Window() const { return m_window; }

private:
    class SplashWindow;

    QPixmap m_bitmap;
    int m_bEnabled = 0;
    int m_bShown = 0;
    QPointer<QWidget> m_window;
};
