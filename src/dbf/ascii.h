// ASCII case and trimming, one rule each for the whole core. Unlike std::tolower they do not
// depend on the C locale, which the viewer sets from the user's environment.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace dbf {

constexpr char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char asciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string asciiLower(std::string_view text);
std::string asciiUpper(std::string_view text);

// A byte as messages name it: "0x1A".
std::string hexByte(uint8_t value);

// Whether `a` and `b` are equal but for the case of ASCII letters.
bool sameIgnoringAsciiCase(std::string_view a, std::string_view b);

// Whether every byte of `bytes` is below 0x80; eight bytes at a time.
inline bool isAscii(std::string_view bytes)
{
    constexpr uint64_t kHighBits = 0x8080808080808080ull;
    size_t i = 0;
    uint64_t high = 0;
    for (uint64_t word; i + 8 <= bytes.size(); i += 8) {
        std::memcpy(&word, bytes.data() + i, 8);
        high |= word;
    }
    for (; i < bytes.size(); ++i)
        high |= static_cast<uint8_t>(bytes[i]);
    return (high & kHighBits) == 0;
}

// Blanks between the words of a text people write: query texts, criteria, .cpg files.
constexpr bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// `text` without leading and trailing blanks.
std::string trimmed(std::string_view text);

// What fills a field after its value: blanks, or NULs from some writers.
constexpr bool isPadding(char c)
{
    return c == ' ' || c == '\0';
}

// A field's bytes without trailing padding; fast for the long blank tails of wide fields.
inline std::string_view withoutTrailingPadding(std::string_view bytes)
{
    // Eight bytes at a time while all are blanks or NULs: the only bytes that OR 0x20 makes 0x20.
    constexpr uint64_t kBlanks = 0x2020202020202020ull;
    size_t end = bytes.size();
    for (uint64_t word; end >= 8; end -= 8) {
        std::memcpy(&word, bytes.data() + end - 8, 8);
        if ((word | kBlanks) != kBlanks)
            break;
    }
    while (end > 0 && isPadding(bytes[end - 1]))
        --end;
    return bytes.substr(0, end);
}

// A field's bytes without padding on either side.
inline std::string_view withoutPadding(std::string_view bytes)
{
    bytes = withoutTrailingPadding(bytes);
    size_t begin = 0;
    while (begin < bytes.size() && isPadding(bytes[begin]))
        ++begin;
    return bytes.substr(begin);
}

} // namespace dbf
