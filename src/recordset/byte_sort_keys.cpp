// Per-byte collation weights and the keys built from them.
#include "byte_sort_keys.h"

#include <random>
#include <unicode/ucoleitr.h>

namespace recordset {
namespace {

// A level separator below every weight byte, so that a text sorts before its extensions.
constexpr char kLevelSeparator = 0x01;

int sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

std::optional<ByteSortKeys> ByteSortKeys::create(const dbf::TextDecoder &decoder,
                                                 const Collator &collator)
{
    if (!decoder.isSingleByte())
        return std::nullopt;
    ByteSortKeys keys;
    std::u16string utf16;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        toUtf16(decoder.decode(std::string_view(&byte, 1)), utf16);
        UErrorCode status = U_ZERO_ERROR;
        UCollationElements *elements = ucol_openElements(
                collator.sorting(), reinterpret_cast<const UChar *>(utf16.data()),
                static_cast<int32_t>(utf16.size()), &status);
        if (U_FAILURE(status))
            return std::nullopt;
        Weights &w = keys.m_weights[static_cast<size_t>(b)];
        for (int32_t ce = ucol_next(elements, &status); ce != UCOL_NULLORDER && U_SUCCESS(status);
             ce = ucol_next(elements, &status)) {
            const auto primary = static_cast<uint32_t>(ucol_primaryOrder(ce));
            const auto secondary = static_cast<uint8_t>(ucol_secondaryOrder(ce));
            const auto tertiary = static_cast<uint8_t>(ucol_tertiaryOrder(ce));
            const bool continuation = (tertiary & 0xC0) == 0xC0;
            if (primary) {
                w.primary.push_back(static_cast<char>(primary >> 8));
                w.primary.push_back(static_cast<char>(primary & 0xFF));
            }
            if (continuation)
                continue;
            if (secondary)
                w.secondary.push_back(static_cast<char>(secondary));
            if (tertiary & 0x3F)
                w.tertiary.push_back(static_cast<char>(tertiary & 0x3F));
        }
        ucol_closeElements(elements);
        if (U_FAILURE(status))
            return std::nullopt;
    }

    // The tables stand in for the collator only if they order sample texts as it does.
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> length(0, 6), byte(0x20, 0xFF);
    std::string a, b, keyA, keyB;
    for (int sample = 0; sample < 4000; ++sample) {
        a.clear();
        b.clear();
        for (int i = length(random); i > 0; --i)
            a.push_back(static_cast<char>(byte(random)));
        for (int i = length(random); i > 0; --i)
            b.push_back(static_cast<char>(byte(random)));
        if (sample % 3 == 0)
            b = a.substr(0, a.size() / 2) + b; // shared beginnings, as in sorted data
        keyA.clear();
        keyB.clear();
        keys.append(a, keyA);
        keys.append(b, keyB);
        const int byKeys = sign(keyA.compare(keyB));
        const int byCollator = sign(collator.compare(decoder.decode(a), decoder.decode(b)));
        if (byKeys != byCollator)
            return std::nullopt;
    }
    return keys;
}

void ByteSortKeys::append(std::string_view bytes, std::string &out) const
{
    for (char c : bytes)
        out += m_weights[static_cast<uint8_t>(c)].primary;
    out.push_back(kLevelSeparator);
    for (char c : bytes)
        out += m_weights[static_cast<uint8_t>(c)].secondary;
    out.push_back(kLevelSeparator);
    for (char c : bytes)
        out += m_weights[static_cast<uint8_t>(c)].tertiary;
}

} // namespace recordset
