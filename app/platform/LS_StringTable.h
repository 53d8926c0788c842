// The program's string table: each user-visible text under its numeric id from Resource.h.
// Command prompts hold the status-bar text, then "\n" and the tool tip.
#pragma once

#include <QString>

class LS_StringTable {
public:
    // The text with that id; empty for an id the table does not hold.
    static QString Load(unsigned int id);
    // The part of a command prompt shown in the status bar while the command is highlighted.
    static QString Prompt(unsigned int id);
    // The part of a command prompt shown as its tool tip (empty when it has none).
    static QString ToolTip(unsigned int id);
    // A text from the directory as a menu item or a tab shows it: menus and tabs take "&" as
    // the mark of a shortcut letter, so each one is doubled.
    static QString Literal(const QString& text);
};
