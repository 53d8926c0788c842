// The attributes the front end prints: those of -attrs, else for CSV the columns of the entry list
// ("Entry List Columns" of a registry file in regedit's text format), else cn, mail and
// telephoneNumber for CSV and every attribute for the other formats.
#pragma once

#include "search/entrywriter.h"

#include <optional>
#include <string>
#include <vector>

namespace harrow {
class Oidtable;
}

namespace larkspur::search {

struct SearchOptions;

// The columns for the options, their types resolved in the table; nothing, with error set, for a
// registry file that cannot be used or an attribute the schema does not know.
std::optional<std::vector<AttributeColumn>>
ChooseColumns(const SearchOptions& options, const harrow::Oidtable& table, std::string& error);

} // namespace larkspur::search
