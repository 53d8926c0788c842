// LS_RHSTabWin: the right-hand pane of the splitter, holding the tab control of the entry list and
// the entry view. It owns that tab control, which always fills it.
#pragma once

#include "results/LS_RHSTabCtrl.h"

#include <QWidget>

class LS_RHSTabWin : public QWidget {
    Q_OBJECT

public:
    // The pane's tab control shows list and view, which outlive it.
    LS_RHSTabWin(LS_EntryListCtrl& list, LS_EntryViewCtrl& view, QWidget* parent = nullptr);
    ~LS_RHSTabWin() override;

    LS_RHSTabCtrl* TabCtrl() const { return m_tabCtrl; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    LS_RHSTabCtrl* m_tabCtrl;
};
