// UTF-8 to UTF-16 through ICU, for comparisons and sort keys.
#pragma once

#include <string>
#include <string_view>

namespace dbf {

// UTF-8 to UTF-16 into `out`, replacing malformed sequences.
void toUtf16(std::string_view utf8, std::u16string &out);

} // namespace dbf
