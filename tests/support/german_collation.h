// The reference order of texts for record-set tests: ICU's German collation, used directly.
#pragma once
#include <string_view>
#include <unicode/ucol.h>

// <0, 0, >0 as `a` sorts before, with or after `b` in German; ignoring case, at ICU's secondary
// strength, where only letters and accents count.
inline int germanOrder(std::string_view a, std::string_view b, bool ignoringCase = false)
{
    static const auto german = [](UColAttributeValue strength) {
        UErrorCode status = U_ZERO_ERROR;
        UCollator *collator = ucol_open("de", &status);
        ucol_setStrength(collator, strength);
        return collator;
    };
    static UCollator *const collators[] = {german(UCOL_TERTIARY), german(UCOL_SECONDARY)};
    UErrorCode status = U_ZERO_ERROR;
    return ucol_strcollUTF8(collators[ignoringCase], a.data(), int32_t(a.size()), b.data(),
                            int32_t(b.size()), &status);
}
