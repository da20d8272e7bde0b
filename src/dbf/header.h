// The table header and field descriptors of a .DBF file, parsed and checked against the file.
#pragma once

#include "error.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dbf {

// The families of table layout; they decide the descriptor size and how some types are stored.
enum class Dialect { DBase2, DBase3, DBase4, DBase7, FoxPro, VisualFoxPro };

struct Field
{
    std::string rawName; // bytes of the name up to the first NUL, not yet decoded
    char type = 'C';
    uint32_t offset = 0; // in the record; byte 0 is the deletion flag
    uint32_t length = 0;
    uint8_t decimals = 0;
    uint8_t flags = 0; // Visual FoxPro: 0x01 system, 0x02 nullable, 0x04 binary
    int nullBit = -1; // bit in _NullFlags that marks a null value, -1 if none
    int varLengthBit = -1; // bit in _NullFlags that marks a V/Q value shorter than the field
    bool hidden = false; // _NullFlags itself is not shown

    bool isMemo(Dialect dialect) const;
};

struct TableHeader
{
    uint8_t version = 0;
    Dialect dialect = Dialect::DBase3;
    int year = 0, month = 0, day = 0; // last update as stored
    uint32_t headerRecordCount = 0;
    uint32_t headerLength = 0;
    uint32_t recordLength = 0;
    uint8_t languageDriver = 0;
    std::string languageDriverName; // dBase 7 only
    uint8_t tableFlags = 0;
    std::vector<Field> fields;
    int nullFlagsField = -1; // index of _NullFlags, -1 if none
};

// Parses the header at the start of `file`. `path` only names the file in messages.
// Fails with NotADbfFile, HeaderTruncated, HeaderOutsideFile, ZeroRecordLength or
// FieldsOverrunRecord.
Result<TableHeader> parseHeader(std::string_view file, const std::string &path);

const char *dialectName(Dialect dialect, uint8_t version);

} // namespace dbf
