// The forms of the configuration as the front end offers them: listed one a line, and found by
// name, exactly or else ignoring letter case.
#pragma once

#include <cstdio>
#include <string>

namespace harrow {
class QForm;
class QFormConfiguration;
} // namespace harrow

namespace larkspur::search {

// One line a form, in load order: its name, a tab, then its inputs (the target first) as
// "Input: Field, Field", separated by "; ".
std::string FormList(const harrow::QFormConfiguration& config);

// The form of exactly that name, else the first whose name matches ignoring letter case (note
// then says which was used), else null with error naming the forms that exist.
harrow::QForm* ChooseForm(const harrow::QFormConfiguration& config, const std::string& name,
                          std::string& note, std::string& error);

} // namespace larkspur::search
