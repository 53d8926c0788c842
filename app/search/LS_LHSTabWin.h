// LS_LHSTabWin: the left-hand pane of the splitter, holding the tab control of the directory tree
// and the search forms. It owns that tab control, which always fills it.
#pragma once

#include "search/LS_LHSTabCtrl.h"

#include <QWidget>

class LS_LHSTabWin : public QWidget {
    Q_OBJECT

public:
    // The pane's tab control works in context, whose parts outlive it.
    explicit LS_LHSTabWin(const LS_SearchContext& context, QWidget* parent = nullptr);
    ~LS_LHSTabWin() override;

    LS_LHSTabCtrl* TabCtrl() const { return m_tabCtrl; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    LS_LHSTabCtrl* m_tabCtrl;
};
