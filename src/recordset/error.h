// The record set's failures: one table of numbers, and the error value that carries them.
#pragma once

#include "dbf/error.h"

#include <cstdint>
#include <optional>
#include <string>

namespace recordset {

// Numbers as the record set's callers know them from the platform they were written for.
enum ErrorNumber : int32_t {
    // A filter, sort or find text that cannot be parsed or applied; a position or bookmark that
    // designates no record.
    kInvalidArgument = 3001,
    // An operation that needs a current record while the set stands before its first or after
    // its last record.
    kNoCurrentRecord = 3021,
    // A field index outside the record, or a field name the table does not have.
    kItemNotFound = 3265,
    // Any operation on a closed record set.
    kObjectClosed = 3704,
    // A query text outside the supported form, or one naming a column the table lacks.
    kErrorsInCommand = static_cast<int32_t>(0x80040E14u),
    // A table that is not the connected file's, or a file that is missing or unreadable.
    kTableNotFound = static_cast<int32_t>(0x80040E37u),
    // The current record is gone from the file: another program shortened it (the reader's
    // own number).
    kRecordGone = 7030,
    // Another program wrote the table's file since the set was opened (the same number).
    kFileChanged = 7030,
};

struct Error
{
    int32_t number;
    std::string description; // German; names what failed
};

// An operation's outcome: no value on success, the error otherwise.
using Status = std::optional<Error>;

template<typename T>
using Result = dbf::Result<T, Error>;

} // namespace recordset
