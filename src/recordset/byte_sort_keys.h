// Sort keys for text of a single-byte code page, built byte by byte from tables: they order as
// the German collation orders the decoded texts, without decoding each value.
#pragma once

#include "collator.h"

#include "dbf/codepage.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

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
    struct Weights
    {
        std::string primary, secondary, tertiary;
    };
    std::array<Weights, 256> m_weights;
};

} // namespace recordset
