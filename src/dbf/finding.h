// What reading a table found wrong with it: the kind, the place and a German description.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

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
    CodePageContradicted, // the text bytes rule out the code page the header names
    HeaderDate, // the header's last update is no day of the calendar
};

const char *findingKindName(FindingKind kind);

// How much a finding matters. A table with only notes is healthy: the reader handles what they
// describe fully. A warning means that what is shown may be wrong or incomplete. An error means
// the table cannot be read at all.
enum class Severity { Note, Warning, Error };

// A kind of finding by its stable name, with its level: the reader's (findingKindName), the memo
// file's (memoFaultName) and those that only reading every record finds (talvo-dbf check).
struct FindingLevel
{
    const char *kind;
    Severity severity;
};

// Every kind of finding there is, with its level.
std::span<const FindingLevel> findingLevels();
// The level of the kind named `kind`; a name not in findingLevels() counts as a warning.
Severity severityOf(std::string_view kind);
Severity severityOf(FindingKind kind);
// "note", "warning", "error": for listings and JSON.
const char *severityName(Severity severity);
// "Hinweis", "Warnung", "Fehler".
const char *severityText(Severity severity);

struct Finding
{
    FindingKind kind;
    std::string text; // German; says what was wrong and what the reader decided
    std::optional<uint64_t> offset = {}; // byte offset in the file where it was seen
    std::optional<uint64_t> record = {}; // 0-based record number
    std::optional<size_t> field = {}; // index among the visible fields
};

} // namespace dbf
