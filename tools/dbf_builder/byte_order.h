// Stores unsigned integers into a byte string in little- or big-endian order.
#pragma once

#include <cstddef>
#include <string>

namespace dbfbuild::detail {

template<typename T>
void storeLittleEndian(std::string &bytes, std::size_t offset, T value)
{
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

template<typename T>
void storeBigEndian(std::string &bytes, std::size_t offset, T value)
{
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * (sizeof(T) - 1 - i))) & 0xFF);
}

} // namespace dbfbuild::detail
