// The health of a table: what the reader found when opening it and what reading every record
// and every memo it points to shows.
#pragma once

#include "dbf/table.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// How many of the records where a finding was seen are listed with it.
constexpr size_t kListedRecords = 5;

// One finding of a check. What is seen at many records is one finding per kind and field, with
// how often it was seen and where first.
struct CheckFinding
{
    std::string kind; // stable name: the reader's (dbf::findingKindName) or the check's own
    // German: what was wrong (at the first place) and what the reader does; a value in it as
    // decoded, control characters too (text output makes them visible, JSON escapes them)
    std::string text;
    std::string file; // the file `offset` is in: the table's or the memo file's path
    std::optional<uint64_t> offset = {};
    std::optional<uint64_t> record = {}; // 0-based: the first record where it was seen
    std::optional<size_t> field = {}; // index among the visible fields
    uint64_t count = 1; // how often it was seen
    std::vector<uint64_t> records = {}; // the first records where it was seen, 0-based
};

struct TableCheck
{
    std::vector<CheckFinding> findings;
    uint64_t deleted = 0; // records marked deleted
};

// Reads every record of `table` once, in chunks, its two halves at once, and the memos its memo
// fields point to; in constant memory but for one bit per memo block and the later half's memo
// pointers.
TableCheck checkTable(const dbf::Table &table);

// What `info` lists: the reader's findings and the deleted records, from one pass over the
// deletion flags (value findings are check's).
TableCheck summarizeTable(const dbf::Table &table);

} // namespace cli
