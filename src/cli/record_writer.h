// Writing the records of a record set as text blocks, CSV (RFC 4180) or JSON lines.
#pragma once

#include "recordset/record_set.h"

#include <memory>
#include <string>

namespace cli {

enum class Format { Text, Csv, Json };

// Formats records; appending is const and safe on several threads at once (ChunkedOutput).
class RecordWriter
{
public:
    virtual ~RecordWriter() = default;
    // Appends what comes before the first record.
    virtual void appendBegin(std::string &) const { }
    // Appends the record with these bytes, shown at `position` (1-based), the record number
    // `index` (0-based) of the output.
    virtual void append(std::string_view record, int64_t position, uint64_t index,
                        std::string &out) const = 0;

    // A writer of `set`'s records. Deleted records carry their flag when the table includes
    // them. Text shows values as the viewer does; CSV too, or `plain` (ISO dates, decimal
    // point); JSON is typed (value_formats.h).
    static std::unique_ptr<RecordWriter> create(Format format, const recordset::RecordSet &set,
                                                bool plain = false);
};

} // namespace cli
