// Hyperlink: a static-text-like link in the entry view that opens its URL with the desktop's
// handler (web pages, and mail addresses as "mailto:" links) when clicked, or when Enter is
// pressed while it has the focus. It owns its texts, colours and font.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

class Hyperlink : public QWidget {
    Q_OBJECT

public:
    Hyperlink();
    ~Hyperlink() override;

    // Makes the link a child of parent at rect showing text ("Click here" when it is empty); id
    // names the window. Not shown until asked.
    void Create(const QString& text, const QRect& rect, QWidget* parent, int id);

    void SetURL(const QString& url) { m_url = url; }
    // Text colour, background and the text colour while the pointer is over the link.
    void SetColours(const QColor& link, const QColor& background, const QColor& hover);
    void SetLinkFont(const QString& face, int pixelHeight);

    const QString& URL() const { return m_url; }
    const QString& Text() const { return m_text; }
    const QColor& LinkColour() const { return m_linkColour; }
    const QColor& BackColour() const { return m_backColour; }
    const QColor& HoverColour() const { return m_hoverColour; }
    const QFont& LinkFont() const { return m_font; }
    bool IsHovering() const { return m_bHover; }
    // What the desktop is asked to open: the URL (or the text when there is none) with
    // "mailto:" put in front of a bare mail address, one without a scheme of its own.
    QString Target() const;

signals:
    // The link was refused or no program on the desktop took it.
    void OpenFailed(const QString& target);

protected:
    // A right click on the link; a plain link does nothing.
    virtual void OnRightClick();
    // Asks the desktop to open Target(), when it is a web page or a mail address.
    virtual void FollowLink();

    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void SetHover(bool hover);

    QString m_url;
    QString m_text;
    QColor m_linkColour;
    QColor m_backColour;
    QColor m_hoverColour;
    QFont m_font;
    bool m_bHover = false;
};
