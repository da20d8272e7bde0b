// A tiny seeded random number generator whose sequence is the same on every platform, unlike
// the std:: distributions, so a seed always reproduces the same sample table.
#pragma once

#include <cstdint>

class SplitMix64
{
public:
    explicit SplitMix64(uint64_t seed) : m_state(seed) { }

    uint64_t next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Scales the upper 32 bits instead of taking a remainder, which avoids a division.
    uint32_t below(uint32_t bound) { return static_cast<uint32_t>(((next() >> 32) * bound) >> 32); }

    uint32_t between(uint32_t low, uint32_t high) { return low + below(high - low + 1); }

    bool chance(uint32_t perMille) { return below(1000) < perMille; }

private:
    uint64_t m_state;
};
