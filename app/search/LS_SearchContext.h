// LS_SearchContext: what the left-hand pane, its form windows and their handlers work with,
// handed down by the main frame that builds them. It owns none of it.
#pragma once

namespace harrow {
class QDSManager;
}
class LS_DITCtrl;
class LS_EntryListCtrl;
class LS_SearchPages;
class LS_StatusReport;

struct LS_SearchContext {
    // Null while the program has no directory: the forms then search nothing.
    harrow::QDSManager* manager = nullptr;
    LS_StatusReport* status = nullptr;
    LS_EntryListCtrl* entryList = nullptr;
    // The left-hand pane's first page, which the search's intermediate matches fill.
    LS_DITCtrl* tree = nullptr;
    LS_SearchPages* pages = nullptr;
};
