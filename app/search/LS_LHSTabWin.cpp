#include "search/LS_LHSTabWin.h"

#include "platform/Resource.h"

LS_LHSTabWin::LS_LHSTabWin(const LS_SearchContext& context, QWidget* parent)
    : QWidget(parent), m_tabCtrl(new LS_LHSTabCtrl(context, this)) {
    setObjectName(QStringLiteral("LS_LHSTabWin"));
    m_tabCtrl->setObjectName(QString::number(res::IDC_TAB_CONTROL));
    m_tabCtrl->setGeometry(rect());
}

LS_LHSTabWin::~LS_LHSTabWin() = default;

void LS_LHSTabWin::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_tabCtrl->setGeometry(rect());
}
