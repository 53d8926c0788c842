// LS_RHSTabCtrl: the right-hand tab control, paging between the entry list ("Entry List") and
// the entry view ("Entry View"). It owns nothing: both pages belong to the application.
#pragma once

#include "platform/LS_TabCtrlBase.h"

#include <array>

class LS_EntryListCtrl;
class LS_EntryViewCtrl;

class LS_RHSTabCtrl : public LS_TabCtrlBase {
    Q_OBJECT

public:
    // The pages it shows from its first update on; they outlive it.
    LS_RHSTabCtrl(LS_EntryListCtrl& list, LS_EntryViewCtrl& view, QWidget* parent = nullptr);
    ~LS_RHSTabCtrl() override;

    void FirstUpdate() override;

    void ShowEntryList();
    void ShowEntryView();

    int ListPage() const { return m_listPage; }
    int ViewPage() const { return m_viewPage; }

private:
    void ShowPage(int page);

    LS_EntryListCtrl& m_list;
    LS_EntryViewCtrl& m_view;
    int m_listPage = 0;
    int m_viewPage = 1;
    std::array<QWidget*, 2> m_pages{};
};
