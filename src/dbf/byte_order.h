// Integers stored little- or big-endian in the file's bytes; the one place that assembles them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dbf {

// REQUIRES: the bytes hold the whole integer (from `at` on, where given)
inline uint64_t littleEndian(const uint8_t *p, size_t bytes)
{
    uint64_t value = 0;
    for (size_t i = bytes; i-- > 0;)
        value = value << 8 | p[i];
    return value;
}

inline uint64_t bigEndian(const uint8_t *p, size_t bytes)
{
    uint64_t value = 0;
    for (size_t i = 0; i < bytes; ++i)
        value = value << 8 | p[i];
    return value;
}

inline uint16_t le16(const uint8_t *p)
{
    return static_cast<uint16_t>(littleEndian(p, 2));
}
inline uint16_t be16(const uint8_t *p)
{
    return static_cast<uint16_t>(bigEndian(p, 2));
}
inline uint32_t le32(const uint8_t *p)
{
    return static_cast<uint32_t>(littleEndian(p, 4));
}
inline uint32_t be32(const uint8_t *p)
{
    return static_cast<uint32_t>(bigEndian(p, 4));
}

inline const uint8_t *bytesOf(std::string_view b, size_t at)
{
    return reinterpret_cast<const uint8_t *>(b.data()) + at;
}

inline uint16_t le16(std::string_view b, size_t at = 0)
{
    return static_cast<uint16_t>(littleEndian(bytesOf(b, at), 2));
}
inline uint32_t le32(std::string_view b, size_t at = 0)
{
    return static_cast<uint32_t>(littleEndian(bytesOf(b, at), 4));
}
inline uint64_t le64(std::string_view b, size_t at = 0)
{
    return littleEndian(bytesOf(b, at), 8);
}
inline uint32_t be32(std::string_view b, size_t at = 0)
{
    return static_cast<uint32_t>(bigEndian(bytesOf(b, at), 4));
}
inline uint64_t be64(std::string_view b, size_t at = 0)
{
    return bigEndian(bytesOf(b, at), 8);
}

} // namespace dbf
