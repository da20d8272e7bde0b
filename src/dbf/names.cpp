// Matching names through ICU's full case folding.
#include "names.h"

#include "ascii.h"
#include "utf16.h"

#include <algorithm>
#include <string>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace dbf {

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() == b.size()) { // the usual ASCII names without ICU
        const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
        if (std::all_of(a.begin(), a.end(), ascii) && std::all_of(b.begin(), b.end(), ascii))
            return sameIgnoringAsciiCase(a, b);
    }
    std::u16string x, y;
    toUtf16(a, x);
    toUtf16(b, y);
    UErrorCode status = U_ZERO_ERROR;
    return u_strCaseCompare(reinterpret_cast<const UChar *>(x.data()),
                            static_cast<int32_t>(x.size()),
                            reinterpret_cast<const UChar *>(y.data()),
                            static_cast<int32_t>(y.size()), U_FOLD_CASE_DEFAULT, &status)
            == 0
            && U_SUCCESS(status);
}

} // namespace dbf
