#include "results/Hyperlink.h"

#include "qdebugoutput.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QUrl>

namespace {

const QString mailScheme = QStringLiteral("mailto:");

// Anyone may write a link into their own entry, so the desktop is only asked to open web pages
// and mail addresses, never local files or programs.
bool IsWebOrMail(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto")) {
        return !url.path().isEmpty();
    }
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

} // namespace

Hyperlink::Hyperlink() : m_linkColour(Qt::blue), m_backColour(Qt::white), m_hoverColour(Qt::red) {
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

Hyperlink::~Hyperlink() = default;

void Hyperlink::Create(const QString& text, const QRect& rect, QWidget* parent, int id) {
    m_text = text.isEmpty() ? QStringLiteral("Click here") : text;
    setParent(parent);
    setObjectName(QString::number(id));
    setGeometry(rect);
}

void Hyperlink::SetColours(const QColor& link, const QColor& background, const QColor& hover) {
    m_linkColour = link;
    m_backColour = background;
    m_hoverColour = hover;
    update();
}

void Hyperlink::SetLinkFont(const QString& face, int pixelHeight) {
    m_font = QFont(face);
    m_font.setPixelSize(pixelHeight);
    m_font.setStyleHint(QFont::SansSerif);
    m_font.setUnderline(true);
    update();
}

QString Hyperlink::Target() const {
    QString target = m_url.isEmpty() ? m_text : m_url;
    // Only a bare address becomes a mail link: a web address may hold an at sign too.
    if (target.contains('@') && QUrl(target).scheme().isEmpty()) {
        target.prepend(mailScheme);
    }
    return target;
}

void Hyperlink::OnRightClick() {}

void Hyperlink::FollowLink() {
    const QString target = Target();
    const QUrl url(target, QUrl::TolerantMode);
    if (!url.isValid() || !IsWebOrMail(url)) {
        harrow::QDebugOutput::Writef("Hyperlink::FollowLink()\nRefused to open a link that is "
                                     "neither a web nor a mail address:\n%s\n\n",
                                     target.toUtf8().constData());
        emit OpenFailed(target);
        return;
    }
    if (!QDesktopServices::openUrl(url)) {
        emit OpenFailed(target);
    }
}

void Hyperlink::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        event->accept();
        FollowLink();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Hyperlink::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), m_backColour);
    painter.setFont(m_font);
    painter.setPen(m_bHover ? m_hoverColour : m_linkColour);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_text);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = m_backColour;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void Hyperlink::SetHover(bool hover) {
    if (hover == m_bHover) {
        return;
    }
    m_bHover = hover;
    update();
}

void Hyperlink::enterEvent(QEnterEvent* event) {
    SetHover(true);
    QWidget::enterEvent(event);
}

void Hyperlink::leaveEvent(QEvent* event) {
    SetHover(false);
    QWidget::leaveEvent(event);
}

void Hyperlink::mouseMoveEvent(QMouseEvent* event) {
    SetHover(rect().contains(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void Hyperlink::mousePressEvent(QMouseEvent* event) {
    if (m_bHover) {
        if (event->button() == Qt::LeftButton) {
            FollowLink();
        } else if (event->button() == Qt::RightButton) {
            OnRightClick();
        }
        SetHover(false);
    }
    QWidget::mousePressEvent(event);
}
