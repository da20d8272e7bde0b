// DOS code pages that ICU lacks: Mazovia (Polish, "CP620") and Kamenický (Czech, "CP895").
#pragma once

#include <array>
#include <string_view>

namespace dbf {

// The characters of bytes 0x80-0xFF in the code page of this canonical name, or null when the
// name is none of these two; below 0x80 both are ASCII.
const std::array<char16_t, 128> *dosCodePageUpperHalf(std::string_view name);

} // namespace dbf
