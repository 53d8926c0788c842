#include "shell/LS_SplashWnd.h"

#include "platform/LS_Artwork.h"
#include "platform/Resource.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

// The splash's own window: paints the bitmap inside a raised edge and asks its owner to hide
// it when its time is up.
class LS_SplashWnd::SplashWindow : public QWidget {
public:
    SplashWindow(LS_SplashWnd& owner, QWidget* parent)
        : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), owner(owner) {
        setCursor(Qt::ArrowCursor);
        setFixedSize(owner.m_bitmap.deviceIndependentSize().toSize() + QSize(2 * EDGE, 2 * EDGE));
        // Once hidden the window is only waiting to go, and its owner may be gone already.
        QTimer::singleShot(SHOW_TIME_MS, this, [this] {
            if (isVisible()) {
                this->owner.Hide();
            }
        });
    }

    void CentreOver(QWidget* parent) {
        const QRect area = parent ? parent->frameGeometry()
                                  : QGuiApplication::primaryScreen()->availableGeometry();
        move(area.center() - rect().center());
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, 0, width() - 1, 0);
        painter.drawLine(0, 0, 0, height() - 1);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
        painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
        painter.drawPixmap(EDGE, EDGE, owner.m_bitmap);
    }

private:
    LS_SplashWnd& owner;
};

LS_SplashWnd::~LS_SplashWnd() {
    Hide();
}

bool LS_SplashWnd::Create(QWidget* parent) {
    if (m_bShown) {
        return true;
    }
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    m_bitmap = LS_Artwork::LoadBitmap(res::IDB_SPLASH, screen ? screen->devicePixelRatio() : 1);
    if (m_bitmap.isNull()) {
        return false;
    }
    auto* window = new SplashWindow(*this, parent);
    window->CentreOver(parent);
    window->show();
    m_window = window;
    m_bShown = 1;
    return true;
}

void LS_SplashWnd::UpdateIfEnabled() {
    if (m_bEnabled && m_window) {
        m_window->repaint();
    }
}

void LS_SplashWnd::Hide() {
    if (!m_bShown) {
        return;
    }
    m_bShown = 0;
    if (m_window) {
        // Hiding may be asked from the window's own timer, so it goes once that has returned.
        m_window->hide();
        m_window->deleteLater();
    }
    m_bitmap = QPixmap();
}
