// LS_EntryViewCtrl: the entry view, the "Entry View" page: the entry read last, drawn as a page
// of text by the "Entry Display" rules, its link values as clickable hyperlinks. It owns the
// entry and the hyperlink controls.
#pragma once

#include "Hyperlink.h"

#include <QFont>
#include <QFrame>

#include <memory>
#include <vector>

namespace harrow {
class QEntry;
}
class LS_DisplayItem;
class QPainter;

class LS_EntryViewCtrl : public QFrame {
    Q_OBJECT

public:
    static constexpr int LINE_LEFT = 12;
    static constexpr int VALUE_LEFT = 24;
    static constexpr int FIRST_LINK_ID = 9000;

    LS_EntryViewCtrl();
    ~LS_EntryViewCtrl() override;

    // A bordered child of parent at rect, not yet shown; id names the window.
    void Create(QWidget* parent, const QRect& rect, int id);
    // Takes the view out of its parent and drops the entry and its links.
    void Destroy();

    // Shows the entry from the next paint on, which makes new hyperlinks; the view owns it.
    void SetEntry(harrow::QEntry* entry);

    const harrow::QEntry* Entry() const { return m_pEntry.get(); }
    const std::vector<std::unique_ptr<Hyperlink>>& Links() const { return m_links; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawEntry();
    void DrawRDNItem(const LS_DisplayItem& item);
    void DrawAttrItem(const LS_DisplayItem& item, bool withLabel);
    void DrawText(const QFont& font, const QString& text);
    void PlaceLink(const QString& text, const QString& url, const QFont& font);

    std::unique_ptr<harrow::QEntry> m_pEntry;
    QPainter* m_pDC = nullptr;
    int m_x = LINE_LEFT;
    int m_y = LINE_LEFT;
    // Made at the start of every paint and dropped at its end.
    const QFont* m_pFont = nullptr;
    const QFont* m_pBoldFont = nullptr;
    const QFont* m_pTitleFont = nullptr;
    std::vector<std::unique_ptr<Hyperlink>> m_links;
    std::size_t m_nextLink = 0;
    int m_bCreateLinks = 1;
};
