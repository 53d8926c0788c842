// Every numeric id the program uses (strings, commands, bitmaps, dialogs and controls), kept in
// one place so that the string table, the menus and the artwork agree on them.
#pragma once

namespace res {

// Dialogs and the frame's shared resource (menu, accelerators, icon, toolbar, title).
constexpr unsigned int IDD_ABOUTBOX = 100;
constexpr unsigned int IDR_MAINFRAME = 128;
constexpr unsigned int IDD_STATUSBAR_DLG = 128;
constexpr unsigned int IDD_ANIMATION_DLG = 155;

// Bitmaps.
constexpr unsigned int IDB_SPLASH = 132;
constexpr unsigned int IDB_ANIM_IDLE = 145;
constexpr unsigned int IDB_ANIM_FIRST = 146;
constexpr int ANIM_FRAME_COUNT = 9;
constexpr unsigned int IDB_STATUS_PANE = 156;

// Controls of the dialog bars and the tab panes.
constexpr int IDC_REQUESTS_MADE = 1011;
constexpr int IDC_ANIM_PICTURE = 1013;
constexpr int IDC_SUCCEEDED = 1013;
constexpr int IDC_FAILED = 1014;
constexpr int IDC_TAB_CONTROL = 1024;

// The program's own commands.
constexpr unsigned int ID_DIRECTORY_OPTIONS = 32771;
constexpr unsigned int ID_FILE_SAVE_VCARD = 32772;
constexpr unsigned int ID_ABORT = 32773;
constexpr unsigned int ID_NEXT_PAGE = 32774;
constexpr unsigned int ID_PREVIOUS_PAGE = 32775;
constexpr unsigned int ID_FILE_SAVE_CSV = 32776;
constexpr unsigned int ID_FILE_SAVE_LDIF = 32777;
constexpr unsigned int ID_SEARCH_FORM_BASE = 32900;
constexpr unsigned int ID_SEARCH_FORM_LAST = 33000;
constexpr int MAX_SEARCH_MENU_FORMS = 100;

// Commands whose handling the frame shares with every windowed program.
constexpr unsigned int ID_FILE_PRINT = 57607;
constexpr unsigned int ID_EDIT_COPY = 57634;
constexpr unsigned int ID_EDIT_CUT = 57635;
constexpr unsigned int ID_EDIT_PASTE = 57637;
constexpr unsigned int ID_EDIT_UNDO = 57643;
constexpr unsigned int ID_APP_ABOUT = 57664;
constexpr unsigned int ID_APP_EXIT = 57665;
constexpr unsigned int ID_HELP_FINDER = 57667;
constexpr unsigned int ID_CONTEXT_HELP = 57669;
constexpr unsigned int ID_HELP = 57670;
constexpr unsigned int ID_DEFAULT_HELP = 57671;
constexpr unsigned int ID_VIEW_TOOLBAR = 59392;
constexpr unsigned int ID_VIEW_STATUS_BAR = 59393;

// Strings.
constexpr unsigned int IDS_SOCKETS_INIT_FAILED = 104;
constexpr unsigned int IDS_IDLE_MESSAGE = 57345;
constexpr unsigned int IDS_REGISTRY_MISSING = 61204;
constexpr unsigned int IDS_ERROR_CAPTION = 61205;
constexpr unsigned int IDS_DIRECTORY_CONFIG_FAILED = 61206;
constexpr unsigned int IDS_READ_ENTRY_FAILED = 61207;
constexpr unsigned int IDS_SEARCH_BUTTON = 61208;
constexpr unsigned int IDS_CLEAR_FORM_BUTTON = 61209;
constexpr unsigned int IDS_SEARCH_PROGRESS = 61210;
constexpr unsigned int IDS_SEARCH_COMPLETE = 61212;
constexpr unsigned int IDS_READING_ENTRY = 61213;
constexpr unsigned int IDS_READ_ENTRY_ERROR = 61214;
constexpr unsigned int IDS_READ_ENTRY_DONE = 61215;
constexpr unsigned int IDS_ENTRY_LIST_TAB = 61216;
constexpr unsigned int IDS_ENTRY_VIEW_TAB = 61217;
constexpr unsigned int IDS_ENTRY_LIST_TIP = 61218;
constexpr unsigned int IDS_ENTRY_VIEW_TIP = 61219;
constexpr unsigned int ID_INDICATOR_1 = 61220;
constexpr unsigned int ID_INDICATOR_2 = 61221;
constexpr unsigned int IDS_SEARCH_ABORTED = 61222;
constexpr unsigned int IDS_LINK_NOT_OPENED = 61223;
constexpr unsigned int IDS_SAVE_FAILED = 61224;
constexpr unsigned int IDS_SEARCH_INCOMPLETE = 61230;
constexpr unsigned int IDS_PASSWORD_TITLE = 61231;
constexpr unsigned int IDS_PASSWORD_PROMPT = 61232;
constexpr unsigned int IDS_REMEMBER_PASSWORD = 61233;

// Frame and bar window ids.
constexpr unsigned int AFX_IDW_STATUS_BAR = 59393;
constexpr unsigned int AFX_IDW_REBAR = 59396;
constexpr unsigned int AFX_IDW_DIALOGBAR = 59397;
constexpr unsigned int ID_ANIMATION_BAR = 59398;
constexpr unsigned int ID_SEPARATOR = 0;

} // namespace res
