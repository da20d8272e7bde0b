// Per-byte collation weights and the keys built from them.
#include "byte_sort_keys.h"

#include <map>
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
    std::array<std::vector<uint16_t>, 256> primaryUnits;
    std::u16string utf16;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        toUtf16(decoder.decode(std::string_view(&byte, 1)), utf16);
        UErrorCode status = U_ZERO_ERROR;
        UCollationElements *elements =
                ucol_openElements(collator.sorting(), reinterpret_cast<const UChar *>(utf16.data()),
                                  static_cast<int32_t>(utf16.size()), &status);
        if (U_FAILURE(status))
            return std::nullopt;
        std::vector<uint16_t> primaries;
        std::string secondaries, tertiaries;
        for (int32_t ce = ucol_next(elements, &status); ce != UCOL_NULLORDER && U_SUCCESS(status);
             ce = ucol_next(elements, &status)) {
            const auto primary = static_cast<uint16_t>(ucol_primaryOrder(ce));
            const auto secondary = static_cast<uint8_t>(ucol_secondaryOrder(ce));
            const auto tertiary = static_cast<uint8_t>(ucol_tertiaryOrder(ce));
            if (primary)
                primaries.push_back(primary);
            if ((tertiary & 0xC0) == 0xC0)
                continue; // a continuation carries only more of the primary weight
            if (secondary)
                secondaries.push_back(static_cast<char>(secondary));
            if (tertiary & 0x3F)
                tertiaries.push_back(static_cast<char>(tertiary & 0x3F));
        }
        ucol_closeElements(elements);
        if (U_FAILURE(status) || primaries.size() > kMaxWeights || secondaries.size() > kMaxWeights
            || tertiaries.size() > kMaxWeights)
            return std::nullopt;
        primaryUnits[static_cast<size_t>(b)] = primaries;
        Weights &w = keys.m_weights[static_cast<size_t>(b)];
        for (char c : secondaries)
            w.secondary.add(c);
        for (char c : tertiaries)
            w.tertiary.add(c);
    }
    if (!keys.rankPrimaries(primaryUnits))
        return std::nullopt;

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

// The primary weights of 256 bytes take far fewer than 256 values: replaced by their ranks,
// each takes one byte, which keeps keys short and their first bytes telling.
bool ByteSortKeys::rankPrimaries(const std::array<std::vector<uint16_t>, 256> &primaryUnits)
{
    std::map<uint16_t, char> ranks;
    for (const auto &units : primaryUnits) {
        for (uint16_t unit : units)
            ranks[unit] = 0;
    }
    if (ranks.size() > 250)
        return false;
    int rank = 2; // above the level separator
    for (auto &entry : ranks)
        entry.second = static_cast<char>(rank++);
    for (size_t b = 0; b < 256; ++b) {
        for (uint16_t unit : primaryUnits[b])
            m_weights[b].primary.add(ranks[unit]);
    }
    return true;
}

void ByteSortKeys::append(std::string_view bytes, std::string &out) const
{
    // Written through a pointer into room for the longest weights, then appended at once.
    thread_local std::string room;
    room.resize(std::max(room.size(), bytes.size() * 3 * kMaxWeights + 2));
    char *at = room.data();
    auto level = [&](Level Weights::*member) {
        for (char c : bytes) {
            const Level &l = m_weights[static_cast<uint8_t>(c)].*member;
            for (uint8_t i = 0; i < l.count; ++i)
                *at++ = l.weight[i];
        }
    };
    level(&Weights::primary);
    *at++ = kLevelSeparator;
    level(&Weights::secondary);
    *at++ = kLevelSeparator;
    level(&Weights::tertiary);
    out.append(room.data(), static_cast<size_t>(at - room.data()));
}

} // namespace recordset
