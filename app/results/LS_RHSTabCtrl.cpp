#include "results/LS_RHSTabCtrl.h"

#include "platform/LS_StringTable.h"
#include "platform/Resource.h"
#include "results/LS_EntryListCtrl.h"
#include "results/LS_EntryViewCtrl.h"

#include <QSignalBlocker>

LS_RHSTabCtrl::LS_RHSTabCtrl(LS_EntryListCtrl& list, LS_EntryViewCtrl& view, QWidget* parent)
    : LS_TabCtrlBase(parent), m_list(list), m_view(view) {}

LS_RHSTabCtrl::~LS_RHSTabCtrl() {
    const QSignalBlocker blocker(this);
    if (m_pages[0]) {
        m_list.Destroy();
    }
    if (m_pages[1]) {
        m_view.Destroy();
    }
}

void LS_RHSTabCtrl::FirstUpdate() {
    const QRect area(QPoint(0, 0), DisplayArea().size());

    LS_EntryListCtrl* list = &m_list;
    list->Create(this, area, m_listPage);
    insertTab(m_listPage, list, LS_StringTable::Load(res::IDS_ENTRY_LIST_TAB));
    setTabToolTip(m_listPage, LS_StringTable::Load(res::IDS_ENTRY_LIST_TIP));
    m_pages[0] = list;

    LS_EntryViewCtrl* view = &m_view;
    view->Create(this, area, m_viewPage);
    insertTab(m_viewPage, view, LS_StringTable::Load(res::IDS_ENTRY_VIEW_TAB));
    setTabToolTip(m_viewPage, LS_StringTable::Load(res::IDS_ENTRY_VIEW_TIP));
    m_pages[1] = view;

    setCurrentIndex(m_listPage);
}

void LS_RHSTabCtrl::ShowEntryList() {
    ShowPage(m_listPage);
}

void LS_RHSTabCtrl::ShowEntryView() {
    ShowPage(m_viewPage);
}

void LS_RHSTabCtrl::ShowPage(int page) {
    if (currentIndex() != page) {
        setCurrentIndex(page);
    }
}
