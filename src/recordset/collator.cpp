// ICU collators and case folding.
#include "collator.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace recordset {

void Collator::Close::operator()(UCollator *collator) const
{
    ucol_close(collator);
}

Result<Collator> Collator::german()
{
    UErrorCode status = U_ZERO_ERROR;
    Collator collator;
    collator.m_sorting.reset(ucol_open("de", &status), Close());
    collator.m_ignoringCase.reset(ucol_open("de", &status), Close());
    if (U_FAILURE(status))
        return Error {kInvalidArgument,
                      std::string("Die deutsche Sortierordnung ist nicht verfügbar (")
                              + u_errorName(status) + ")."};
    ucol_setStrength(collator.m_ignoringCase.get(), UCOL_SECONDARY);
    return collator;
}

void Collator::appendSortKey(std::u16string_view utf16, std::string &out) const
{
    const size_t start = out.size();
    out.resize(start + utf16.size() * 4 + 16);
    for (;;) {
        const int32_t length = ucol_getSortKey(
                m_sorting.get(), reinterpret_cast<const UChar *>(utf16.data()),
                static_cast<int32_t>(utf16.size()), reinterpret_cast<uint8_t *>(out.data() + start),
                static_cast<int32_t>(out.size() - start));
        if (static_cast<size_t>(length) <= out.size() - start) {
            out.resize(start + static_cast<size_t>(length) - 1); // without the closing NUL
            return;
        }
        out.resize(start + static_cast<size_t>(length));
    }
}

int Collator::compareIgnoringCase(std::string_view a, std::string_view b) const
{
    UErrorCode status = U_ZERO_ERROR;
    return ucol_strcollUTF8(m_ignoringCase.get(), a.data(), static_cast<int32_t>(a.size()),
                            b.data(), static_cast<int32_t>(b.size()), &status);
}

int Collator::compare(std::string_view a, std::string_view b) const
{
    UErrorCode status = U_ZERO_ERROR;
    return ucol_strcollUTF8(m_sorting.get(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                            static_cast<int32_t>(b.size()), &status);
}

std::string foldCase(std::string_view utf8)
{
    std::u16string utf16;
    toUtf16(utf8, utf16);
    std::u16string folded(utf16.size() * 3 + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t foldedLength = u_strFoldCase(
            reinterpret_cast<UChar *>(folded.data()), static_cast<int32_t>(folded.size()),
            reinterpret_cast<const UChar *>(utf16.data()), static_cast<int32_t>(utf16.size()),
            U_FOLD_CASE_DEFAULT, &status);
    std::string out(static_cast<size_t>(foldedLength) * 3, '\0');
    int32_t length = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length,
                reinterpret_cast<const UChar *>(folded.data()), foldedLength, &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return out;
}

} // namespace recordset
