// LS_LHSTabCtrl: the left-hand tab control, paging between the directory tree ("Browser") and
// one search form window per configured form. It owns the form windows; the tree belongs to
// the application.
#pragma once

#include "search/LS_FormWin.h"
#include "platform/LS_TabCtrlBase.h"

#include <memory>
#include <vector>

class LS_LHSTabCtrl : public LS_TabCtrlBase {
    Q_OBJECT

public:
    explicit LS_LHSTabCtrl(QWidget* parent = nullptr);
    ~LS_LHSTabCtrl() override;

    // The left-hand tab control of the program's main frame, once it exists.
    static LS_LHSTabCtrl* FromMainFrame();

    void FirstUpdate() override;

    // Shows form page n (1 for the first form) and selects its tab, flashing the page when
    // flash is set; nothing happens when the page is already shown.
    void SelectForm(int form, int flash);
    // Shows the directory tree.
    void ShowBrowser();

    int Current() const { return m_current; }
    const std::vector<std::unique_ptr<LS_FormWin>>& FormWins() const { return m_formWins; }

private:
    void OnSelChange(int index);
    // Draws the page once on dark blue and once in its own colours, at once.
    static void FlashPage(QWidget* page);

    int m_current = 0;
    std::vector<std::unique_ptr<LS_FormWin>> m_formWins;
};
