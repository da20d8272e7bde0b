// Values in the forms of machine-read output: typed JSON and the locale-free "plain" CSV cells.
#pragma once

#include "dbf/value.h"

#include <string>

namespace cli {

// Appends `value` as JSON: numbers as numbers with their stored digits, dates and date-times in
// ISO 8601, logicals true/false, empty and null values and numbers stored as all '*' null,
// binary values {"$binary": base64}, flagged values {"$invalid": the text as shown, "reason":
// why}.
void appendJson(const dbf::Value &value, const std::string &shown, std::string &out);

// Appends `text` as a JSON string.
void appendJsonString(std::string_view text, std::string &out);

// Appends the bytes of a C field as the JSON string of their value and returns true; returns
// false, appending nothing, when the value is flagged (a NUL inside, bytes the code page lacks):
// appendJson() of the decoded value then tells why. Whole-table output takes most values so,
// without decoding to a Value first.
bool appendJsonCharacter(std::string_view bytes, const dbf::TextDecoder &decoder, std::string &out);

// A shown text as text and CSV output give it: cut at its first NUL. Writers pad C fields with
// NULs the way others pad with blanks, so what follows a NUL is left over from an earlier value
// (dbase_03_nullchar.dbf: "\0reak" where GDAL reads ""), and a NUL in the output would end the
// cell early for every tool that reads text as C strings. JSON keeps the NUL, escaped, beside
// the reason why the value is flagged.
std::string textBeforeNul(std::string text);
// The same for the text from `from` to the end of `text`, in place.
void cutAtNul(std::string &text, size_t from);

// The value for spreadsheets and scripts in any locale: numbers as in JSON (decimal point), ISO
// dates ("2003-05-01", "2003-05-01 12:00:00"), true/false, "" for null and for numbers stored
// as all '*'; otherwise as shown.
std::string plainText(const dbf::Value &value, const std::string &shown);

} // namespace cli
