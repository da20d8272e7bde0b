// Small text helpers of the record set.
#include "text_util.h"

#include <cstdint>

namespace recordset {

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::vector<std::string> splitBlanks(const std::string &text)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (isBlank(c)) {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

std::string quoted(std::string_view text)
{
    constexpr size_t kMostCharacters = 60;
    size_t characters = 0, end = 0;
    for (; end < text.size(); ++end) {
        // A UTF-8 character starts at every byte but its continuation bytes.
        if ((static_cast<uint8_t>(text[end]) & 0xC0) != 0x80 && characters++ == kMostCharacters)
            break;
    }
    return "»" + std::string(text.substr(0, end)) + (end < text.size() ? "…«" : "«");
}

} // namespace recordset
