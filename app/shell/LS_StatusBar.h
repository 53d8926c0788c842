// LS_StatusBar: the main frame's status bar, which draws its panes itself from one description
// per pane (colours, texts, bitmaps, mode) and can flash a pane. It owns those descriptions and
// any progress control it makes for a pane.
#pragma once

#include <QColor>
#include <QPointer>
#include <QStatusBar>
#include <QString>
#include <QTimer>

#include <vector>

class QMainWindow;
class QPainter;
class QProgressBar;

class LS_StatusBar : public QStatusBar {
    Q_OBJECT

public:
    // Pane styles.
    static constexpr unsigned int SBPS_NOBORDERS = 0x100;
    static constexpr unsigned int SBPS_POPOUT = 0x200;
    static constexpr unsigned int SBPS_DISABLED = 0x4000000;
    static constexpr unsigned int SBPS_STRETCH = 0x8000000;

    // Pane modes: the kind in bits 20 to 23, display options above, text format flags below.
    static constexpr unsigned long MODE_TEXT = 0x100000;
    static constexpr unsigned long MODE_EMPTY = 0x200000;
    static constexpr unsigned long MODE_BITMAP = 0x400000;
    static constexpr unsigned long MODE_PROGRESS = 0x800000;
    static constexpr unsigned long MODE_KIND_MASK = 0xf00000;
    static constexpr unsigned long MODE_HSCROLL = 0x1000000;
    static constexpr unsigned long MODE_VSCROLL = 0x2000000;
    static constexpr unsigned long MODE_REPEAT = 0x10000000;
    static constexpr unsigned long MODE_STRETCH = 0x20000000;
    static constexpr unsigned long MODE_FORMAT_MASK = 0xfffff;
    // Text format flags of the low bits.
    static constexpr unsigned long DT_CENTER = 0x1;
    static constexpr unsigned long DT_RIGHT = 0x2;
    static constexpr unsigned long DT_VCENTER = 0x4;
    static constexpr unsigned long DT_BOTTOM = 0x8;
    static constexpr unsigned long DT_WORDBREAK = 0x10;

    static constexpr int FLASH_PERIOD_MS = 400;
    static constexpr int FLASH_STEPS = 4;
    static constexpr int MOVE_PERIOD_MS = 100;

    LS_StatusBar();
    ~LS_StatusBar() override;

    // Puts the bar at the bottom of the frame with one pane per indicator id (its text from the
    // string table) and gives pane 0 the style. Returns 0, after telling the user, without panes.
    int Create(QMainWindow* frame, const unsigned int* indicators, int count,
               unsigned int pane0Style);

    int PaneCount() const { return static_cast<int>(panes.size()); }
    unsigned int PaneStyle(int pane) const;
    unsigned long PaneMode(int pane) const;
    // Where the pane sits in the bar, borders included.
    QRect PaneRect(int pane) const;

    void SetPaneMode(int pane, unsigned long mode);
    void SetPaneWidth(int pane, int width);
    void SetPaneBitmaps(int pane, int enabledId, int disabledId);
    void SetPaneDisabled(int pane, bool disabled);
    // An invalid disabled-state colour is derived from the menu colour.
    void SetPaneTextColours(int pane, const QColor& enabled, const QColor& disabled = QColor());
    void SetPaneBackColours(int pane, const QColor& enabled, const QColor& disabled = QColor());
    void SetPaneTexts(int pane, const QString& enabled, const QString& disabled);
    void SetPaneTexts(int pane, int enabled, int disabled);
    // The text every text pane falls back on when its state has no text of its own.
    void SetPaneText(int pane, const QString& text);
    QString PaneText(int pane) const;
    // The colours the pane is drawn in now, for its current state.
    QColor PaneTextColour(int pane) const;
    QColor PaneBackColour(int pane) const;
    // The progress control of a progress pane; null for the other kinds.
    QProgressBar* PaneProgress(int pane) const;

    // Highlights the pane twice, white on dark blue, in four steps, ending in its own colours.
    void Flash(int pane);
    bool Flashing() const { return flashTimer.isActive(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct ColourPair {
        QColor disabled;
        QColor enabled;
    };
    struct Pane {
        unsigned int id = 0;
        unsigned int style = 0;
        int width = 0;
        QString text;
        ColourPair textColour;
        ColourPair backColour;
        QString disabledText;
        QString enabledText;
        int disabledBitmap = -1;
        int enabledBitmap = -1;
        QPointer<QProgressBar> progress;
        QFont font;
        unsigned long mode = MODE_TEXT;
        int scrollX = 0;
        int scrollY = 0;
    };

    Pane* PaneAt(int pane);
    const Pane* PaneAt(int pane) const;
    static bool Enabled(const Pane& pane) { return (pane.style & SBPS_DISABLED) == 0; }
    std::vector<QRect> PaneRects() const;
    int GripWidth() const;
    void DrawEdge(QPainter& painter, const QRect& rect, unsigned int style) const;
    void DrawText(QPainter& painter, Pane& pane, const QRect& rect, int index);
    void DrawBitmap(QPainter& painter, Pane& pane, const QRect& rect);
    void UpdateMovingTimer();
    void OnFlashTick();
    void RestoreFlashedColours();

    std::vector<Pane> panes;
    QTimer flashTimer;
    int flashPane = 0;
    int flashStep = 0;
    QColor flashSavedText;
    QColor flashSavedBack;
    QTimer moveTimer;
};
