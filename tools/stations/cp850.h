// Converts the UTF-8 text of the generator's tables into the CP850 bytes a DOS dBase stored.
#pragma once

#include <string>
#include <string_view>

// Throws std::invalid_argument for a character outside the small set the tables use.
std::string utf8ToCp850(std::string_view utf8);
