// LS_SearchPages: brings the pages a search answers into to the front: the directory tree on the
// left and the result pages on the right. Whoever holds the main frame implements it; it owns
// nothing.
#pragma once

#include "results/LS_ResultPages.h"

class LS_SearchPages : public LS_ResultPages {
public:
    // Does nothing while there is no left-hand pane.
    virtual void ShowBrowser() = 0;
};
