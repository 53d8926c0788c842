// LS_RHSTabCtrl: the right-hand tab control, paging between the entry list ("Entry List") and
// the entry view ("Entry View"). It owns nothing: both pages belong to the application.
#pragma once

#include "platform/LS_TabCtrlBase.h"

#include <array>

class LS_RHSTabCtrl : public LS_TabCtrlBase {
    Q_OBJECT

public:
    explicit LS_RHSTabCtrl(QWidget* parent = nullptr);
    ~LS_RHSTabCtrl() override;

    // The right-hand tab control of the program's main frame, once it exists.
    static LS_RHSTabCtrl* FromMainFrame();

    void FirstUpdate() override;

    void ShowEntryList();
    void ShowEntryView();

    int ListPage() const { return m_listPage; }
    int ViewPage() const { return m_viewPage; }

private:
    void ShowPage(int page);

    int m_listPage = 0;
    int m_viewPage = 1;
    std::array<QWidget*, 2> m_pages{};
};
