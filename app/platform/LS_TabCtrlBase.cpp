#include "platform/LS_TabCtrlBase.h"

#include <QStackedWidget>
#include <QTabBar>

LS_TabCtrlBase::LS_TabCtrlBase(QWidget* parent) : QTabWidget(parent) {
    setTabPosition(QTabWidget::West);
    // Long form names stay whole: the tabs scroll rather than shorten their labels.
    setElideMode(Qt::ElideNone);
    setUsesScrollButtons(true);
    tabBar()->setExpanding(false);
    SetDefaultFont();
}

LS_TabCtrlBase::~LS_TabCtrlBase() = default;

void LS_TabCtrlBase::SetDefaultFont() {
    m_font = QFont(QStringLiteral("Arial"));
    m_font.setPixelSize(12);
    m_font.setWeight(QFont::Normal);
    m_font.setStyleHint(QFont::SansSerif);
    // Only the tabs take it: the pages keep their own type.
    tabBar()->setFont(m_font);
}

QRect LS_TabCtrlBase::DisplayArea() const {
    const auto* pages = findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly);
    return pages ? pages->geometry() : rect();
}
