// Values in the forms of machine-read output: typed JSON and the locale-free "plain" CSV cells.
#pragma once

#include "dbf/value.h"

#include <string>

namespace cli {

// Appends `value` as JSON: numbers as numbers with their stored digits, dates and date-times in
// ISO 8601, logicals true/false, empty and null values null, binary values {"$binary": base64},
// flagged values {"$invalid": the text as shown, "reason": why}.
void appendJson(const dbf::Value &value, const std::string &shown, std::string &out);

// Appends `text` as a JSON string.
void appendJsonString(std::string_view text, std::string &out);

// The value for spreadsheets and scripts in any locale: numbers as in JSON (decimal point), ISO
// dates ("2003-05-01", "2003-05-01 12:00:00"), true/false, "" for null; otherwise as shown.
std::string plainText(const dbf::Value &value, const std::string &shown);

} // namespace cli
