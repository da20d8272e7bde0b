// Maps the accented Latin letters of the station tables from UTF-8 to code page 850.
#include "cp850.h"

#include <array>
#include <stdexcept>
#include <utility>

namespace {

// Only two-byte UTF-8 sequences are needed: every letter here lies in U+0080..U+07FF.
constexpr std::array<std::pair<char16_t, unsigned char>, 33> kCp850 = {{
        {u'ä', 0x84}, {u'ö', 0x94}, {u'ü', 0x81}, {u'Ä', 0x8E}, {u'Ö', 0x99}, {u'Ü', 0x9A},
        {u'ß', 0xE1}, {u'é', 0x82}, {u'è', 0x8A}, {u'ç', 0x87}, {u'à', 0x85}, {u'â', 0x83},
        {u'ê', 0x88}, {u'ë', 0x89}, {u'î', 0x8C}, {u'ï', 0x8B}, {u'ô', 0x93}, {u'ò', 0x95},
        {u'û', 0x96}, {u'ù', 0x97}, {u'á', 0xA0}, {u'í', 0xA1}, {u'ó', 0xA2}, {u'ú', 0xA3},
        {u'ñ', 0xA4}, {u'Á', 0xB5}, {u'Å', 0x8F}, {u'å', 0x86}, {u'ø', 0x9B}, {u'Ø', 0x9D},
        {u'É', 0x90}, {u'æ', 0x91}, {u'Æ', 0x92},
}};

char cp850Byte(char16_t codePoint)
{
    for (const auto &[unicode, cp850] : kCp850) {
        if (unicode == codePoint)
            return static_cast<char>(cp850);
    }
    throw std::invalid_argument("character without CP850 mapping in the station tables");
}

} // namespace

std::string utf8ToCp850(std::string_view utf8)
{
    std::string result;
    result.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            result += static_cast<char>(lead);
            continue;
        }
        if ((lead & 0xE0) != 0xC0 || i + 1 >= utf8.size())
            throw std::invalid_argument("unexpected UTF-8 sequence in the station tables");
        const auto trail = static_cast<unsigned char>(utf8[++i]);
        result += cp850Byte(static_cast<char16_t>(((lead & 0x1F) << 6) | (trail & 0x3F)));
    }
    return result;
}
