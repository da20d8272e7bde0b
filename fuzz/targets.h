// The fuzz targets: each takes any bytes and must neither crash, hang nor leak on them. The
// fuzzers call them through libFuzzer; the regression test replays every file that once failed.
#pragma once

#include <string_view>

namespace fuzz {

// A table (its bytes, optionally followed by kMemoMarker, a memo format byte and memo bytes)
// opened from memory with every record and memo value read.
void table(std::string_view input);
// Up to three lines on a small station table: a filter criterion, a sort, a find criterion.
void criterion(std::string_view input);
// Two lines: a connection text and a query text, parsed and run on a small station table.
void query(std::string_view input);
// Text read as a number and tested as a German number and date.
void number(std::string_view input);

inline constexpr std::string_view kMemoMarker = "TALVOMEM";

} // namespace fuzz
