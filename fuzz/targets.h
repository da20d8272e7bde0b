// The fuzz targets: each takes any bytes and must neither crash, hang nor leak on them. The
// fuzzers call them through libFuzzer; the regression test replays every file that once failed.
#pragma once

#include <string_view>

namespace fuzz {

// A table (its bytes, optionally followed by kMemoMarker, a memo format byte and memo bytes)
// opened from memory with every record and memo value read.
void table(std::string_view input);
// The same table (the bytes before kMemoMarker) written to a file and read live: opened as it is
// and padded past kSnapshotLimit, each time checked as `talvo-dbf check` does.
void file(std::string_view input);
// A table and its memo file (the bytes before kMemoMarker, a format byte, the memo bytes: bits
// 0-1 of the format byte 2 for .fpt, .dbt otherwise, bits 2-3 how far the memo file is extended
// by a hole) written to files, every memo read and the table checked.
void memo(std::string_view input);
// A record set over a table in a file (the bytes before kStepMarker or kMemoMarker) taking the
// steps after kStepMarker: an options byte, then moves, filters, sorts and finds mixed with
// another program's changes to the file.
void recordset(std::string_view input);
// Up to three lines on a small station table: a filter criterion, a sort, a find criterion.
void criterion(std::string_view input);
// Two lines: a connection text and a query text, parsed and run on a small station table.
void query(std::string_view input);
// Text read as a number and tested as a German number and date.
void number(std::string_view input);

inline constexpr std::string_view kMemoMarker = "TALVOMEM";
inline constexpr std::string_view kStepMarker = "TALVOSTP";

} // namespace fuzz
