// Matching names through ICU's full case folding.
#include "names.h"

#include "utf16.h"

#include <string>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace dbf {

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() == b.size()) { // the usual ASCII names without ICU
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        bool ascii = true, same = true;
        for (size_t i = 0; i < a.size() && ascii; ++i) {
            const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
            ascii = x < 0x80 && y < 0x80;
            same = same && lower(x) == lower(y);
        }
        if (ascii)
            return same;
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
