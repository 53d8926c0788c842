// LS_TabCtrlBase: the tab control of a splitter pane, its tabs down the left-hand side in the
// program's small Arial type; the pages are its children. It owns the tabs' font.
#pragma once

#include <QFont>
#include <QRect>
#include <QTabWidget>

class LS_TabCtrlBase : public QTabWidget {
    Q_OBJECT

public:
    explicit LS_TabCtrlBase(QWidget* parent = nullptr);
    ~LS_TabCtrlBase() override;

    // Fills the tabs and creates the pages; called once by the main frame after it is shown.
    virtual void FirstUpdate() = 0;

    // Where the pages go: the client area without the tabs, in this control's coordinates.
    QRect DisplayArea() const;

protected:
    void SetDefaultFont();

private:
    QFont m_font;
};
