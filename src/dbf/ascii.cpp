// ASCII case and trimming, independent of the C locale.
#include "ascii.h"

#include <cstdio>

namespace dbf {

std::string asciiLower(std::string_view text)
{
    std::string result(text);
    for (char &c : result)
        c = asciiLower(c);
    return result;
}

std::string asciiUpper(std::string_view text)
{
    std::string result(text);
    for (char &c : result)
        c = asciiUpper(c);
    return result;
}

std::string hexByte(uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

std::string trimmed(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

} // namespace dbf
