#include "results/LS_RHSTabCtrl.h"

#include "results/LS_EntryListCtrl.h"
#include "results/LS_EntryViewCtrl.h"
#include "platform/LS_StringTable.h"
#include "shell/Larkspur32.h"
#include "shell/MainFrm.h"
#include "platform/Resource.h"

#include <QSignalBlocker>

LS_RHSTabCtrl::LS_RHSTabCtrl(QWidget* parent) : LS_TabCtrlBase(parent) {}

LS_RHSTabCtrl::~LS_RHSTabCtrl() {
    const QSignalBlocker blocker(this);
    CLarkspur32App* app = CLarkspur32App::Instance();
    if (app && m_pages[0]) {
        app->GetEntryList()->Destroy();
    }
    if (app && m_pages[1]) {
        app->GetEntryView()->Destroy();
    }
}

LS_RHSTabCtrl* LS_RHSTabCtrl::FromMainFrame() {
    const CLarkspur32App* app = CLarkspur32App::Instance();
    const CMainFrame* frame = app ? app->GetMainFrame() : nullptr;
    return frame ? qobject_cast<LS_RHSTabCtrl*>(frame->RHSTabCtrl()) : nullptr;
}

void LS_RHSTabCtrl::FirstUpdate() {
    CLarkspur32App* app = CLarkspur32App::Instance();
    const QRect area(QPoint(0, 0), DisplayArea().size());

    LS_EntryListCtrl* list = app->GetEntryList();
    list->Create(this, area, m_listPage);
    insertTab(m_listPage, list, LS_StringTable::Load(res::IDS_ENTRY_LIST_TAB));
    setTabToolTip(m_listPage, LS_StringTable::Load(res::IDS_ENTRY_LIST_TIP));
    m_pages[0] = list;

    LS_EntryViewCtrl* view = app->GetEntryView();
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
