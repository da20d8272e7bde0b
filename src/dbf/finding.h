// What reading a table found wrong with it: the kind, the place and a German description.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dbf {

// Kinds of findings. Their names (findingKindName) are stable: scripts and listings use them.
enum class FindingKind {
    RecordCount, // the header's record count disagrees with the file
    PartialRecord, // the file ends inside a record
    MemoMissing, // memo fields, but no memo file beside the table
    MemoUnreadable, // a memo file that cannot be opened or whose header is damaged
    HeaderLength, // the header length is not where the records start; corrected
    RecordLength, // the record length is not that of the fields; corrected
    ZeroLengthField, // a field descriptor gives the length 0
    MissingTerminator, // no 0x0D after the last field descriptor
    FieldGap, // record bytes that belong to no field
    BadDeletionFlag, // records that start with neither ' ' nor '*'
    PaddingRecords, // padding after the records, where the header counts more records
    TrailingBytes, // bytes after the last record that start no record
    ShiftedValuesPossible, // the header disagrees with itself and no reading is confirmed
    HeaderDate, // the header's last update is no day of the calendar
};

const char *findingKindName(FindingKind kind);

struct Finding
{
    FindingKind kind;
    std::string text; // German; says what was wrong and what the reader decided
    std::optional<uint64_t> offset = {}; // byte offset in the file where it was seen
    std::optional<uint64_t> record = {}; // 0-based record number
    std::optional<size_t> field = {}; // index among the visible fields
};

} // namespace dbf
