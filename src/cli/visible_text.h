// Text for a terminal: what a table holds (values, field names, the language driver's name) and
// file names can hold control characters, which a terminal would obey (ESC to retitle or clear
// it, CR and LF to forge lines of output). Text output shows them visibly instead.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// Appends the UTF-8 `text` to `out` with each control character written visibly: TAB, LF and CR
// as \t, \n and \r, the other C0 controls and DEL as \xNN (\x1b, \x7f), the C1 controls U+0080 to
// U+009F as \u0080 to \u009f. All else stays as it is, a backslash too: text output is for
// reading and shows stored backslashes (Windows paths) as the viewer does; CSV and JSON are the
// exact forms.
void appendVisible(std::string_view text, std::string &out);

// The part of `text` from `from` to its end as appendVisible() writes it, in place.
void makeVisible(std::string &text, size_t from);

// `text` as appendVisible() writes it.
std::string visible(std::string_view text);

// Whether a C1 control (U+0080 to U+009F: 0xC2 and 0x80 to 0x9F in UTF-8) begins at text[at];
// its second byte is its code.
bool isC1ControlAt(std::string_view text, size_t at);

} // namespace cli
