// Turns numbers into the exact bytes that numeric memo references and binary fields hold.
#include "byte_order.h"
#include "dbf_builder.h"

#include <bit>

namespace dbfbuild {

std::string blockNumberText(uint32_t block, uint8_t width)
{
    std::string digits = std::to_string(block);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), ' ');
    return digits;
}

std::string littleEndian32(uint32_t value)
{
    std::string bytes(sizeof value, '\0');
    detail::storeLittleEndian(bytes, 0, value);
    return bytes;
}

std::string littleEndian64(uint64_t value)
{
    std::string bytes(sizeof value, '\0');
    detail::storeLittleEndian(bytes, 0, value);
    return bytes;
}

std::string doubleBytes(double value)
{
    return littleEndian64(std::bit_cast<uint64_t>(value));
}

} // namespace dbfbuild
