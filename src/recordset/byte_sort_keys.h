// Sort keys for text of a single-byte code page, built byte by byte from tables: they order as
// the German collation orders the decoded texts, without decoding each value.
#pragma once

#include "collator.h"
#include "dbf/codepage.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace recordset {

class ByteSortKeys
{
public:
    // The tables for `decoder`'s code page, taken from the collator's collation elements of each
    // byte and checked against the collator on sample texts; nullopt for a multi-byte code page
    // or one whose collation the tables cannot express.
    static std::optional<ByteSortKeys> create(const dbf::TextDecoder &decoder,
                                              const Collator &collator);

    // Appends the key of `bytes`: primary weights, then secondary, then tertiary ones.
    void append(std::string_view bytes, std::string &out) const;

private:
    // The most weights of one level a byte may have (ß has two primaries: "ss").
    static constexpr size_t kMaxWeights = 4;

    bool rankPrimaries(const std::array<std::vector<uint16_t>, 256> &primaryUnits);

    // The weights of one byte on one level, at most kMaxWeights of them.
    struct Level
    {
        std::array<char, kMaxWeights> weight {};
        uint8_t count = 0;
        void add(char value) { weight[count++] = value; }
    };
    struct Weights
    {
        Level primary, secondary, tertiary;
    };
    std::array<Weights, 256> m_weights;
};

} // namespace recordset
