// Writing the records of a record set as text blocks, CSV (RFC 4180) or JSON lines.
#pragma once

#include "recordset/record_set.h"

#include <memory>
#include <ostream>

namespace cli {

enum class Format { Text, Csv, Json };

class RecordWriter
{
public:
    virtual ~RecordWriter() = default;
    virtual void begin() { }
    // Writes the record with these bytes, shown at `position` (1-based).
    virtual void write(std::string_view record, int64_t position) = 0;

    // A writer of `set`'s current records to `out`. Deleted records carry their flag when the
    // table includes them. Text shows values as the viewer does; CSV too, or `plain` (ISO
    // dates, decimal point); JSON is typed (value_formats.h).
    static std::unique_ptr<RecordWriter> create(Format format, recordset::RecordSet &set,
                                                std::ostream &out, bool plain = false);
};

} // namespace cli
