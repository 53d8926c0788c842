// LS_LHSTabCtrl: the left-hand tab control, paging between the directory tree ("Browser") and
// one search form window per configured form. It owns the form windows; the tree belongs to
// the application.
#pragma once

#include "platform/LS_TabCtrlBase.h"
#include "search/LS_FormWin.h"
#include "search/LS_SearchContext.h"

#include <memory>
#include <vector>

class LS_LHSTabCtrl : public LS_TabCtrlBase {
    Q_OBJECT

public:
    // The tree of context is the first page and the forms search in context; its parts outlive
    // the control.
    explicit LS_LHSTabCtrl(const LS_SearchContext& context, QWidget* parent = nullptr);
    ~LS_LHSTabCtrl() override;

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

    LS_SearchContext m_context;
    int m_current = 0;
    std::vector<std::unique_ptr<LS_FormWin>> m_formWins;
};
