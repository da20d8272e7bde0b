// Writing records of a table as text blocks, CSV (RFC 4180) or JSON lines.
#pragma once

#include "dbf/table.h"

#include <memory>
#include <ostream>

namespace cli {

enum class Format { Text, Csv, Json };

class RecordWriter
{
public:
    virtual ~RecordWriter() = default;
    virtual void begin() { }
    virtual void write(uint64_t record) = 0;

    // A writer for `table` to `out`. Deleted records carry their flag when the table includes them.
    static std::unique_ptr<RecordWriter> create(Format format, const dbf::Table &table,
                                                std::ostream &out);
};

} // namespace cli
