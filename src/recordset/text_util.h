// Small text helpers of the record set: splitting and quoting; blanks and ASCII case are the
// core's (dbf/ascii.h).
#pragma once

#include "dbf/ascii.h"

#include <string>
#include <string_view>
#include <vector>

namespace recordset {

using dbf::asciiLower;
using dbf::isBlank;
using dbf::trimmed;

std::vector<std::string> split(const std::string &text, char separator);
std::vector<std::string> splitBlanks(const std::string &text);
// A text the user typed, in »« for a message: cut after 60 characters with "…", so that a long
// text still gives a message that fits a message box. (File paths are quoted whole.)
std::string quoted(std::string_view text);

} // namespace recordset
