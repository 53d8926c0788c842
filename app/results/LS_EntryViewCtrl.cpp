#include "results/LS_EntryViewCtrl.h"

#include "platform/LS_Photo.h"
#include "platform/LS_StatusReport.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "results/LS_DisplayItem.h"
#include "results/LS_EntryViewConfig.h"

#include "model/qattr.h"
#include "model/qentry.h"
#include "model/qrdn.h"
#include "schema/qattrt.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>

#include <algorithm>
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
const int photoSpacing = 24;

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

void CopyToClipboard(const QString& text) {
    if (!text.isEmpty()) {
        QApplication::clipboard()->setText(text);
    }
}

} // namespace

LS_EntryViewCtrl::LS_EntryViewCtrl(LS_StatusReport& status)
    : m_status(status), m_font(ViewFont(14, QFont::Normal)), m_boldFont(ViewFont(14, QFont::Bold)),
      m_titleFont(ViewFont(32, QFont::Bold)) {
    setWindowTitle(QStringLiteral("LS_EntryView"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setWidgetResizable(false);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(white);
    viewport()->setAutoFillBackground(true);
    ClearPage();
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
    m_pEntry.reset();
    ClearPage();
}

void LS_EntryViewCtrl::SetEntry(harrow::QEntry* entry) {
    m_pEntry.reset(entry);
    ClearPage();
    if (m_pEntry) {
        LayOutEntry();
    }
    emit EntryChanged();
}

void LS_EntryViewCtrl::ClearPage() {
    m_lines.clear();
    m_links.clear();
    m_values.clear();
    m_photo = nullptr;
    m_photoPicture = QPixmap();
    // The old page, and every control on it, goes with the replacement.
    m_page = new QWidget;
    m_page->setObjectName(QStringLiteral("page"));
    m_page->setPalette(viewport()->palette());
    m_page->setAutoFillBackground(true);
    m_page->installEventFilter(this);
    setWidget(m_page);
    m_page->resize(0, 0);
}

void LS_EntryViewCtrl::LayOutEntry() {
    m_x = LINE_LEFT;
    m_y = LINE_LEFT;
    m_right = 0;
    m_titleRight = 0;
    std::vector<const LS_DisplayItem*> items;
    if (m_config) {
        m_config->GetDisplayItems(*m_pEntry, items);
    }
    for (const LS_DisplayItem* item : items) {
        if (item->Has(LS_DisplayItem::DI_RDN)) {
            DrawRDNItem(*item);
        } else {
            DrawAttrItem(*item, true);
        }
    }
    PlacePhoto();
    m_page->resize(m_right + LINE_LEFT, m_y + LINE_LEFT);
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
        const QString printed = Printed(*pair->Value());
        if (item.Has(LS_DisplayItem::DI_TITLE)) {
            DrawText(m_titleFont, printed, printed);
            m_y += titleSpacing;
        } else {
            DrawText(m_font, printed, printed);
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
    harrow::PtrList<harrow::QValue> values;
    attr->GetValues(values);
    // Pictures are shown beside the title, never as text.
    const bool pictures = item.Has(LS_DisplayItem::DI_PHOTO) ||
                          std::all_of(values.begin(), values.end(), [](const harrow::QValue* v) {
                              return !LS_Photo::Bytes(*v).isEmpty();
                          });
    if (pictures) {
        for (const harrow::QValue* value : values) {
            TakePhoto(*value);
        }
        return;
    }
    if (withLabel) {
        m_x = LINE_LEFT;
        DrawText(m_boldFont, QString::fromStdString(item.AttrType()->FriendlyName()), QString());
    }
    for (const harrow::QValue* value : values) {
        const QString printed = Printed(*value);
        if (item.Has(LS_DisplayItem::DI_SHELLEX)) {
            std::string raw;
            value->PrintRaw(raw);
            const QString target = QString::fromStdString(raw);
            QString url = target;
            if (item.AttrType()->HasName("mail")) {
                url.prepend(QStringLiteral("mailto:"));
            }
            m_x = VALUE_LEFT;
            PlaceLink(printed, url, item.Has(LS_DisplayItem::DI_TITLE) ? m_titleFont : m_font);
            // Copying a link takes the address it leads to.
            m_values[m_links.back()] = target;
        }
        if (item.Has(LS_DisplayItem::DI_TITLE)) {
            DrawText(m_titleFont, printed, printed);
            m_y += titleSpacing;
        }
        if (!item.Has(LS_DisplayItem::DI_SHELLEX) && !item.Has(LS_DisplayItem::DI_TITLE)) {
            m_x = VALUE_LEFT;
            DrawText(m_font, printed, printed);
        }
    }
    m_y += itemSpacing;
}

void LS_EntryViewCtrl::DrawText(const QFont& font, const QString& text, const QString& value) {
    const QFontMetrics metrics(font);
    for (const QString& piece : text.split('\n')) {
        const QString line = piece.trimmed();
        // A little wider than the text, so that no glyph's overhang is cut off.
        const QRect box(m_x, m_y, metrics.horizontalAdvance(line) + 2, metrics.height());
        auto* label = new QLabel(line, m_page);
        label->setTextFormat(Qt::PlainText);
        label->setFont(font);
        label->setMargin(0);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        // Tab goes from link to link; a line takes the focus when clicked.
        label->setFocusPolicy(Qt::ClickFocus);
        label->setContextMenuPolicy(Qt::NoContextMenu);
        label->setGeometry(box);
        label->show();
        m_lines.push_back(label);
        if (!value.isEmpty()) {
            m_values[label] = value;
        }
        if (&font == &m_titleFont) {
            m_titleRight = std::max(m_titleRight, box.right() + 1);
        }
        m_right = std::max(m_right, box.right() + 1);
        m_y = box.y() + box.height();
    }
    m_x = LINE_LEFT;
}

void LS_EntryViewCtrl::PlaceLink(const QString& text, const QString& url, const QFont& font) {
    auto* link = new Hyperlink;
    m_links.push_back(link);
    const QString shown = text.trimmed();
    const QFontMetrics metrics(font);
    const QRect box(QPoint(m_x, m_y), QSize(metrics.horizontalAdvance(shown), metrics.height()));
    link->Create(shown, box, m_page, FIRST_LINK_ID + static_cast<int>(m_links.size()));
    link->SetURL(url);
    link->SetColours(linkColour, linkBackground, linkHover);
    link->SetLinkFont(linkFace, linkHeight);
    link->setContextMenuPolicy(Qt::NoContextMenu);
    connect(link, &Hyperlink::OpenFailed, this, &LS_EntryViewCtrl::OnLinkFailed);
    link->show();
    m_right = std::max(m_right, box.right() + 1);
    m_y += box.height();
    m_x = LINE_LEFT;
}

void LS_EntryViewCtrl::TakePhoto(const harrow::QValue& value) {
    if (!m_photoPicture.isNull()) {
        return;
    }
    QPixmap picture;
    if (!picture.loadFromData(LS_Photo::Bytes(value))) {
        return;
    }
    // Drawn for the screen's pixel density, so that it stays sharp on a scaled display.
    const qreal ratio = devicePixelRatioF();
    const int height = std::min(picture.height(), PHOTO_HEIGHT);
    m_photoPicture = picture.scaledToHeight(qRound(height * ratio), Qt::SmoothTransformation);
    m_photoPicture.setDevicePixelRatio(ratio);
}

void LS_EntryViewCtrl::PlacePhoto() {
    if (m_photoPicture.isNull()) {
        return;
    }
    m_photo = new QLabel(m_page);
    m_photo->setObjectName(QStringLiteral("photo"));
    m_photo->setPixmap(m_photoPicture);
    const QSize size = m_photoPicture.deviceIndependentSize().toSize();
    const int left = (m_titleRight > 0 ? m_titleRight : m_right) + photoSpacing;
    m_photo->setGeometry(QRect(QPoint(left, LINE_LEFT), size));
    m_photo->show();
    m_right = std::max(m_right, m_photo->geometry().right() + 1);
    m_y = std::max(m_y, m_photo->geometry().bottom() + 1);
}

void LS_EntryViewCtrl::OnLinkFailed(const QString& target) {
    m_status.SetStatusText(QString(LS_StringTable::Load(res::IDS_LINK_NOT_OPENED))
                               .replace(QStringLiteral("%s"), target));
    m_status.FlashStatus();
}

QString LS_EntryViewCtrl::SelectedText() const {
    for (const QLabel* line : m_lines) {
        if (line->hasSelectedText()) {
            return line->selectedText();
        }
    }
    return {};
}

QString LS_EntryViewCtrl::ValueOf(const QWidget* control) const {
    const auto found = m_values.find(control);
    return found == m_values.end() ? QString() : found->second;
}

QString LS_EntryViewCtrl::DN() const {
    std::string dn;
    if (m_pEntry) {
        m_pEntry->DN().GetDN(dn);
    }
    return QString::fromStdString(dn);
}

QString LS_EntryViewCtrl::CopyText() const {
    const QString selected = SelectedText();
    if (!selected.isEmpty()) {
        return selected;
    }
    const QString focused = ValueOf(QApplication::focusWidget());
    return focused.isEmpty() ? DN() : focused;
}

QMenu* LS_EntryViewCtrl::CreateContextMenu(const QPoint& pagePoint) {
    auto* menu = new QMenu(this);
    const QString selected = SelectedText();
    const QString value = ValueOf(m_page->childAt(pagePoint));
    const QString dn = DN();
    QAction* copy =
        menu->addAction(QStringLiteral("&Copy"), [selected] { CopyToClipboard(selected); });
    copy->setEnabled(!selected.isEmpty());
    QAction* copyValue =
        menu->addAction(QStringLiteral("Copy &Value"), [value] { CopyToClipboard(value); });
    copyValue->setEnabled(!value.isEmpty());
    QAction* copyDN = menu->addAction(QStringLiteral("Copy &DN"), [dn] { CopyToClipboard(dn); });
    copyDN->setEnabled(!dn.isEmpty());
    return menu;
}

bool LS_EntryViewCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_page && event->type() == QEvent::ContextMenu) {
        const auto& request = static_cast<QContextMenuEvent&>(*event);
        std::unique_ptr<QMenu> menu(CreateContextMenu(request.pos()));
        menu->exec(request.globalPos());
        return true;
    }
    return QScrollArea::eventFilter(watched, event);
}
