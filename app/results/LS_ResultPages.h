// LS_ResultPages: brings a page of the right-hand pane to the front for a result that has just
// arrived. Whoever holds the main frame implements it; it owns nothing.
#pragma once

class LS_ResultPages {
public:
    LS_ResultPages() = default;
    LS_ResultPages(const LS_ResultPages&) = delete;
    LS_ResultPages& operator=(const LS_ResultPages&) = delete;
    virtual ~LS_ResultPages() = default;

    // False, doing nothing, while there is no pane to show the page in.
    virtual bool ShowEntryList() = 0;
    virtual bool ShowEntryView() = 0;
};
