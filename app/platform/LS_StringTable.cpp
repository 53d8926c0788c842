#include "platform/LS_StringTable.h"

#include "platform/Resource.h"

#include <map>

namespace {

const std::map<unsigned int, const char*>& Strings() {
    static const std::map<unsigned int, const char*> table = {
        {res::IDS_SOCKETS_INIT_FAILED, "Windows sockets initialization failed."},
        {res::IDS_IDLE_MESSAGE, "Ready"},
        {res::IDS_REGISTRY_MISSING,
         "Failed to find configuration entries in the Windows Registry! This probably means that "
         "Larkspur has not been installed correctly. Please contact local technical support who "
         "will re-install the application for you."},
        {res::IDS_ERROR_CAPTION, "Error!"},
        {res::IDS_DIRECTORY_CONFIG_FAILED,
         "Failed to load configuration from the directory service!"},
        {res::IDS_READ_ENTRY_FAILED, "Failed to retrieve the request entry from the directory!"},
        {res::IDS_SEARCH_BUTTON, "Search"},
        {res::IDS_CLEAR_FORM_BUTTON, "Clear Form"},
        {res::IDS_SEARCH_PROGRESS, "Search in progress with %d matches found so far. "},
        {res::IDS_SEARCH_COMPLETE,
         "The search returned %d matches. %d operations succeeded and %d failed. "},
        {res::IDS_READING_ENTRY, "Reading '%s' from host '%s'"},
        {res::IDS_READ_ENTRY_ERROR, "Failed to read '%s' from host '%s'"},
        {res::IDS_READ_ENTRY_DONE, "Read '%s' from the directory."},
        {res::IDS_ENTRY_LIST_TAB, "Entry List"},
        {res::IDS_ENTRY_VIEW_TAB, "Entry View"},
        {res::IDS_ENTRY_LIST_TIP, "Entries found in last search"},
        {res::IDS_ENTRY_VIEW_TIP, "Last requested directory entry"},
        {res::ID_INDICATOR_1, " "},
        {res::ID_INDICATOR_2, " "},
        {res::IDS_SEARCH_ABORTED, "Search aborted."},
        {res::ID_FILE_SAVE_CSV, "Save the entry list's columns as a CSV file"},
        {res::ID_FILE_SAVE_LDIF, "Save every attribute of the listed entries as an LDIF file"},
        {res::IDS_SAVE_FAILED, "Could not write the file '%s'."},
        {res::ID_NEXT_PAGE, "Show the next page of the left-hand pane\nNext Page"},
        {res::ID_PREVIOUS_PAGE, "Show the previous page of the left-hand pane\nPrevious Page"},
        {res::IDS_LINK_NOT_OPENED, "Could not open '%s': no program on this computer opens it."},
        {res::IDS_SEARCH_INCOMPLETE,
         "The search returned %d matches; the directory stopped it early, so there may be "
         "more."},
        {res::IDS_PASSWORD_TITLE, "Sign in to the directory"},
        {res::IDS_PASSWORD_PROMPT, "The password of %1 on %2:"},
        {res::IDS_REMEMBER_PASSWORD, "Remember in the keyring"},
        {res::ID_DIRECTORY_OPTIONS, "Directory service options"},
        {res::ID_FILE_SAVE_VCARD, "Save displayed entry as a VCard object file"},
        {res::ID_ABORT, "Abort the current directory operation\nAbort Current Operation"},
        {res::ID_FILE_PRINT, "Print the displayed entry\nPrint"},
        {res::ID_EDIT_COPY, "Copy the selection to the clipboard\nCopy"},
        {res::ID_EDIT_CUT, "Move the selection to the clipboard\nCut"},
        {res::ID_EDIT_PASTE, "Insert what the clipboard holds\nPaste"},
        {res::ID_EDIT_UNDO, "Take back the last change\nUndo"},
        {res::ID_APP_ABOUT, "Show the program's name and version\nAbout"},
        {res::ID_APP_EXIT, "Quit Larkspur32\nExit"},
        {res::ID_HELP_FINDER, "List the topics of the help\nHelp Topics"},
        {res::ID_CONTEXT_HELP, "Explain the item you click next\nHelp"},
        {res::ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle Toolbar"},
        {res::ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle Status Bar"},
    };
    return table;
}

} // namespace

QString LS_StringTable::Load(unsigned int id) {
    const auto& table = Strings();
    const auto found = table.find(id);
    return found == table.end() ? QString() : QString::fromUtf8(found->second);
}

QString LS_StringTable::Prompt(unsigned int id) {
    return Load(id).section('\n', 0, 0);
}

QString LS_StringTable::Literal(const QString& text) {
    QString literal = text;
    return literal.replace('&', QStringLiteral("&&"));
}

QString LS_StringTable::ToolTip(unsigned int id) {
    return Load(id).section('\n', 1, 1);
}
