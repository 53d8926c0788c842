// Where the OID table files are looked for: the current folder first, then the user's and the
// system's data folders (the XDG base directories), so that an installed engine finds its tables
// wherever the program is started from.
#pragma once

#include "harrow32_export.h"

#include <string>
#include <vector>

namespace harrow {

// The data folders after the current one, in look-up order: $XDG_DATA_HOME/larkspur (by default
// ~/.local/share/larkspur), then each folder of $XDG_DATA_DIRS (by default /usr/local/share and
// /usr/share) with /larkspur appended. Relative entries are ignored, as the base directory
// rules ask.
HARROW32_EXPORT std::vector<std::string> OidTableFolders();

// The stem to load: unchanged when it names a folder of its own or when the current folder holds
// all three files, else the stem in the first data folder that holds all three, else unchanged
// (so that the failure names the file in the current folder).
HARROW32_EXPORT std::string LocateOidTables(const std::string& stem);

} // namespace harrow
