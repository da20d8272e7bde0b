// Small text helpers of the record set: blanks, ASCII case, splitting.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace recordset {

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string trimmed(std::string_view text);
std::string asciiLower(std::string_view text);
std::vector<std::string> split(const std::string &text, char separator);
std::vector<std::string> splitBlanks(const std::string &text);
// A text the user typed, in »« for a message: cut after 60 characters with "…", so that a long
// text still gives a message that fits a message box. (File paths are quoted whole.)
std::string quoted(std::string_view text);

} // namespace recordset
