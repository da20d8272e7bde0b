// Matching names through ICU's full case folding.
#include "names.h"

#include <string>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace dbf {
namespace {

std::u16string utf16(std::string_view utf8)
{
    std::u16string out(utf8.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar *>(out.data()), static_cast<int32_t>(out.size()),
                         &length, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr,
                         &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return out;
}

} // namespace

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
    const std::u16string x = utf16(a), y = utf16(b);
    UErrorCode status = U_ZERO_ERROR;
    return u_strCaseCompare(reinterpret_cast<const UChar *>(x.data()),
                            static_cast<int32_t>(x.size()),
                            reinterpret_cast<const UChar *>(y.data()),
                            static_cast<int32_t>(y.size()), U_FOLD_CASE_DEFAULT, &status)
            == 0
            && U_SUCCESS(status);
}

} // namespace dbf
