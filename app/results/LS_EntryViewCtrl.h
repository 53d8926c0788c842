// LS_EntryViewCtrl: the entry view, the "Entry View" page: the entry read last, laid out by the
// "Entry Display" rules on a scrollable page of selectable text, its link values as hyperlinks
// and its photo beside the title. It owns the entry and the page with every control on it.
#pragma once

#include "results/Hyperlink.h"

#include <QFont>
#include <QPixmap>
#include <QScrollArea>

#include <map>
#include <memory>
#include <vector>

namespace harrow {
class QEntry;
class QValue;
} // namespace harrow
class LS_DisplayItem;
class LS_EntryViewConfig;
class LS_StatusReport;
class QLabel;
class QMenu;

class LS_EntryViewCtrl : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int LINE_LEFT = 12;
    static constexpr int VALUE_LEFT = 24;
    static constexpr int FIRST_LINK_ID = 9000;
    static constexpr int PHOTO_HEIGHT = 128;

    // The view tells the user through status, which outlives it, when a link cannot be opened.
    explicit LS_EntryViewCtrl(LS_StatusReport& status);
    ~LS_EntryViewCtrl() override;

    // A bordered child of parent at rect, not yet shown; id names the window.
    void Create(QWidget* parent, const QRect& rect, int id);
    // Takes the view out of its parent and drops the entry and its links.
    void Destroy();

    // Shows the entry, laying out its page anew; the view owns it.
    void SetEntry(harrow::QEntry* entry);

    // The drawing rules, replaced when the directory settings change; null draws no attributes.
    void SetConfig(const LS_EntryViewConfig* config) { m_config = config; }

    const harrow::QEntry* Entry() const { return m_pEntry.get(); }
    const std::vector<Hyperlink*>& Links() const { return m_links; }
    // The page the entry is laid out on, inside the scrolled area.
    QWidget* Page() const { return m_page; }
    // The photo shown beside the title, or null.
    QLabel* Photo() const { return m_photo; }

    // The text selected on the page; empty when nothing is.
    QString SelectedText() const;
    // The whole value shown by a control of the page; empty for a control that shows none.
    QString ValueOf(const QWidget* control) const;
    // The DN of the entry shown, as the directory gives it; empty without an entry.
    QString DN() const;
    // What Edit > Copy takes: the selection, else the value that has the focus, else the DN.
    QString CopyText() const;
    // The page's context menu for a point of the page, not yet shown.
    QMenu* CreateContextMenu(const QPoint& pagePoint);

signals:
    // Another entry, or none, is shown.
    void EntryChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ClearPage();
    void LayOutEntry();
    void DrawRDNItem(const LS_DisplayItem& item);
    void DrawAttrItem(const LS_DisplayItem& item, bool withLabel);
    void DrawText(const QFont& font, const QString& text, const QString& value);
    void PlaceLink(const QString& text, const QString& url, const QFont& font);
    void TakePhoto(const harrow::QValue& value);
    void PlacePhoto();
    void OnLinkFailed(const QString& target);

    LS_StatusReport& m_status;
    const LS_EntryViewConfig* m_config = nullptr;
    std::unique_ptr<harrow::QEntry> m_pEntry;
    QWidget* m_page = nullptr;
    int m_x = LINE_LEFT;
    int m_y = LINE_LEFT;
    int m_right = 0;
    int m_titleRight = 0;
    QFont m_font;
    QFont m_boldFont;
    QFont m_titleFont;
    std::vector<QLabel*> m_lines;
    std::vector<Hyperlink*> m_links;
    // The value each line or link of the page shows, for copying it whole.
    std::map<const QWidget*, QString> m_values;
    QPixmap m_photoPicture;
    QLabel* m_photo = nullptr;
};
