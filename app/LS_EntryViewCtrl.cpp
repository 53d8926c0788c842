#include "LS_EntryViewCtrl.h"

#include "LS_DisplayItem.h"
#include "LS_EntryViewConfig.h"
#include "Larkspur32.h"

#include "model/qattr.h"
#include "model/qentry.h"
#include "model/qrdn.h"
#include "schema/qattrt.h"

#include <QFontMetrics>
#include <QPainter>

#include <string>

namespace {

const QString linkFace = QStringLiteral("Arial");
const int linkHeight = 14;
// Colours of the links: dark blue text on white, green while the pointer is over it.
const QColor linkColour(0x00, 0x00, 0x8f);
const QColor linkBackground(0xff, 0xff, 0xff);
const QColor linkHover(0x00, 0x8f, 0x00);
const int titleSpacing = 10;
const int itemSpacing = 8;

QFont ViewFont(int pixelHeight, int weight) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelHeight);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QString Printed(const harrow::QValue& value) {
    std::string text;
    value.Print(text);
    return QString::fromStdString(text);
}

} // namespace

LS_EntryViewCtrl::LS_EntryViewCtrl() {
    setWindowTitle(QStringLiteral("LS_EntryView"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

LS_EntryViewCtrl::~LS_EntryViewCtrl() = default;

void LS_EntryViewCtrl::Create(QWidget* parent, const QRect& rect, int id) {
    setParent(parent);
    setObjectName(QString::number(id));
    setGeometry(rect);
    hide();
}

void LS_EntryViewCtrl::Destroy() {
    hide();
    setParent(nullptr);
    m_links.clear();
    m_pEntry.reset();
}

void LS_EntryViewCtrl::SetEntry(harrow::QEntry* entry) {
    m_links.clear();
    m_pEntry.reset(entry);
    m_bCreateLinks = 1;
    update();
}

void LS_EntryViewCtrl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect client = contentsRect();
    painter.fillRect(client, Qt::white);
    painter.save();
    painter.setClipRect(client);
    painter.translate(client.topLeft());
    painter.setBackground(Qt::white);
    if (m_pEntry) {
        const QFont font = ViewFont(14, QFont::Normal);
        const QFont boldFont = ViewFont(14, QFont::Bold);
        const QFont titleFont = ViewFont(32, QFont::Bold);
        m_pDC = &painter;
        m_pFont = &font;
        m_pBoldFont = &boldFont;
        m_pTitleFont = &titleFont;
        DrawEntry();
        m_pFont = m_pBoldFont = m_pTitleFont = nullptr;
        m_pDC = nullptr;
    }
    m_bCreateLinks = 0;
    painter.restore();
    drawFrame(&painter);
}

void LS_EntryViewCtrl::DrawEntry() {
    m_x = LINE_LEFT;
    m_y = LINE_LEFT;
    m_nextLink = 0;
    std::vector<const LS_DisplayItem*> items;
    CLarkspur32App::Instance()->GetConfiguration()->GetEntryViewConfig()->GetDisplayItems(*m_pEntry,
                                                                                         items);
    for (const LS_DisplayItem* item : items) {
        if (item->Has(LS_DisplayItem::DI_RDN)) {
            DrawRDNItem(*item);
        } else {
            DrawAttrItem(*item, true);
        }
    }
}

void LS_EntryViewCtrl::DrawRDNItem(const LS_DisplayItem& item) {
    harrow::QRDN rdn;
    m_pEntry->DN().GetRDN(rdn);
    harrow::QRDN::Position position = rdn.GetHeadRDNAttr();
    while (position != nullptr) {
        const harrow::QRDNAttr* pair = rdn.GetNextRDNAttr(position);
        if (pair->Type() != item.AttrType() || !pair->Value()) {
            continue;
        }
        if (item.Has(LS_DisplayItem::DI_TITLE)) {
            DrawText(*m_pTitleFont, Printed(*pair->Value()));
            m_y += titleSpacing;
        } else {
            DrawText(*m_pFont, Printed(*pair->Value()));
        }
        m_y += itemSpacing;
        return;
    }
    DrawAttrItem(item, false);
}

void LS_EntryViewCtrl::DrawAttrItem(const LS_DisplayItem& item, bool withLabel) {
    const harrow::QAttr* attr = m_pEntry->QueryGetAttr(item.AttrType());
    if (!attr || attr->CountValues() == 0) {
        return;
    }
    if (withLabel) {
        m_x = LINE_LEFT;
        DrawText(*m_pBoldFont, QString::fromStdString(item.AttrType()->FriendlyName()));
    }
    harrow::PtrList<harrow::QValue> values;
    attr->GetValues(values);
    for (const harrow::QValue* value : values) {
        const QString printed = Printed(*value);
        if (item.Has(LS_DisplayItem::DI_SHELLEX)) {
            std::string raw;
            value->PrintRaw(raw);
            QString url = QString::fromStdString(raw);
            if (item.AttrType()->HasName("mail")) {
                url.prepend(QStringLiteral("mailto:"));
            }
            m_x = VALUE_LEFT;
            PlaceLink(printed, url,
                      item.Has(LS_DisplayItem::DI_TITLE) ? *m_pTitleFont : *m_pFont);
        }
        if (item.Has(LS_DisplayItem::DI_TITLE)) {
            DrawText(*m_pTitleFont, printed);
            m_y += titleSpacing;
        }
        if (!item.Has(LS_DisplayItem::DI_SHELLEX) && !item.Has(LS_DisplayItem::DI_TITLE)) {
            m_x = VALUE_LEFT;
            DrawText(*m_pFont, printed);
        }
    }
    m_y += itemSpacing;
}

void LS_EntryViewCtrl::DrawText(const QFont& font, const QString& text) {
    const QFont previous = m_pDC->font();
    m_pDC->setFont(font);
    m_pDC->setPen(Qt::black);
    const QFontMetrics metrics(font);
    for (const QString& piece : text.split('\n')) {
        const QString line = piece.trimmed();
        const QRect box(m_x, m_y, metrics.horizontalAdvance(line), metrics.height());
        m_pDC->drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, line);
        m_y = box.y() + box.height();
    }
    m_x = LINE_LEFT;
    m_pDC->setFont(previous);
}

void LS_EntryViewCtrl::PlaceLink(const QString& text, const QString& url, const QFont& font) {
    Hyperlink* link = nullptr;
    if (m_bCreateLinks) {
        m_links.push_back(std::make_unique<Hyperlink>());
        link = m_links.back().get();
    } else if (m_nextLink < m_links.size()) {
        link = m_links[m_nextLink++].get();
    } else {
        return;
    }
    const QString shown = text.trimmed();
    const QFontMetrics metrics(font);
    const QRect box(contentsRect().topLeft() + QPoint(m_x, m_y),
                    QSize(metrics.horizontalAdvance(shown), metrics.height()));
    if (m_bCreateLinks) {
        link->Create(shown, box, this, FIRST_LINK_ID + static_cast<int>(m_links.size()));
        link->SetURL(url);
        link->SetColours(linkColour, linkBackground, linkHover);
        link->SetLinkFont(linkFace, linkHeight);
        link->show();
    } else if (link->geometry() != box) {
        link->setGeometry(box);
    }
    m_y += box.height();
    m_x = LINE_LEFT;
}
