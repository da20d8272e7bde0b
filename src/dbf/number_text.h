// The one rule of which texts are numbers and what they are worth, for the reader, the display,
// the typed JSON and the record set's criteria, filter and sort.
#pragma once

#include <string_view>

namespace dbf {

// Sign, digits, at most one decimal point or comma, optional exponent: the forms N and F fields
// hold. No blanks around it, no "inf", "nan" or hexadecimal digits.
bool isNumberText(std::string_view text);

// The value of a number text; false, leaving `value` as it was, for text that is no number.
// A number beyond the range of a double is read as ±infinity, or ±0 when it is too small.
bool readNumber(std::string_view text, double &value);

} // namespace dbf
