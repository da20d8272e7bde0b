// Every error number the program reports, in one table. The numbers stay stable: users read
// them in messages and scripts test them. Each layer's numbers live in that layer's namespace.
#pragma once

#include <cstdint>

namespace dbf {

// The reader's failures (7001–7099), named as the reader's callers test them.
enum ErrorCode : int32_t {
    FileNotFound = 7001,
    FileUnreadable = 7002,
    NotADbfFile = 7010,
    HeaderTruncated = 7011,
    HeaderOutsideFile = 7012,
    FieldsOverrunRecord = 7013,
    ZeroRecordLength = 7014,
    CompressedTable = 7015, // records packed by a compressor (DATASUS .dbc), not readable as such
    UnknownEncoding = 7020,
    FileChanged = 7030, // another program wrote or shortened the file while it was open
};

} // namespace dbf

namespace recordset {

// The record set's, as its callers know them from the platform they were written for.
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
    // A table that is not the connected file's, or a file that is missing or unreadable; the
    // reader's own error is kept as the cause.
    kTableNotFound = static_cast<int32_t>(0x80040E37u),
    // The current record is gone from the file: another program shortened it (the reader's
    // own number).
    kRecordGone = dbf::FileChanged,
    // Another program wrote the table's file since the set was opened (the same number).
    kFileChanged = dbf::FileChanged,
};

} // namespace recordset

namespace database {

// The run-time errors of the commands and the data control.
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kOverflowErrorNumber = 6;
inline constexpr int32_t kObjectNotSet = 91;
// A refresh that may succeed when tried again.
inline constexpr int32_t kRetryRefreshError = 3639;
// The data control's error that is never shown to the user.
inline constexpr int32_t kErrorNeverShown = 16389;
// The database driver's unspecified failure.
inline constexpr int32_t kGenericFailure = static_cast<int32_t>(0x80004005u);

} // namespace database

namespace cli {

// A command line the tool does not understand.
inline constexpr int32_t kUsageError = 7100;

} // namespace cli
