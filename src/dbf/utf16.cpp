// UTF-8 to UTF-16 through ICU.
#include "utf16.h"

#include <unicode/ustring.h>

namespace dbf {

void toUtf16(std::string_view utf8, std::u16string &out)
{
    out.resize(utf8.size());
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar *>(out.data()), static_cast<int32_t>(out.size()),
                         &length, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr,
                         &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
}

} // namespace dbf
