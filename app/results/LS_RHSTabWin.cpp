#include "results/LS_RHSTabWin.h"

#include "platform/Resource.h"

LS_RHSTabWin::LS_RHSTabWin(LS_EntryListCtrl& list, LS_EntryViewCtrl& view, QWidget* parent)
    : QWidget(parent), m_tabCtrl(new LS_RHSTabCtrl(list, view, this)) {
    setObjectName(QStringLiteral("LS_RHSTabWin"));
    m_tabCtrl->setObjectName(QString::number(res::IDC_TAB_CONTROL));
    m_tabCtrl->setGeometry(rect());
}

LS_RHSTabWin::~LS_RHSTabWin() = default;

void LS_RHSTabWin::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_tabCtrl->setGeometry(rect());
}
