// The table header and field descriptors of a .DBF file, parsed and checked against the file.
#pragma once

#include "error.h"

#include <array>
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
    uint32_t descriptorAt = 0; // byte offset of its descriptor in the file
    uint8_t decimals = 0;
    uint8_t flags = 0; // Visual FoxPro: 0x01 system, 0x02 nullable, 0x04 binary
    int nullBit = -1; // bit in _NullFlags that marks a null value, -1 if none
    int varLengthBit = -1; // bit in _NullFlags that marks a V/Q value shorter than the field
    bool hidden = false; // _NullFlags itself is not shown

    bool isMemo(Dialect dialect) const;
    // A C field that cannot be null: its text is its bytes decoded, the commonest case of all,
    // which the viewer and talvo-dbf show without building a Value.
    bool isPlainCharacter() const { return type == 'C' && nullBit < 0; }
};

struct TableHeader
{
    uint8_t version = 0;
    Dialect dialect = Dialect::DBase3;
    int year = 0, month = 0, day = 0; // last update as stored
    // The last update's bytes in file order: year, month, day (dBase II: month, day, year).
    std::array<uint8_t, 3> lastUpdateBytes {};
    uint32_t headerRecordCount = 0;
    uint32_t headerLength = 0;
    uint32_t recordLength = 0;
    uint8_t languageDriver = 0;
    std::string languageDriverName; // dBase 7 only
    uint8_t tableFlags = 0;
    std::vector<Field> fields;
    int nullFlagsField = -1; // index of _NullFlags, -1 if none
    // Where the descriptors end: the place of their terminator, or of the byte after the last
    // one when `terminated` is false.
    uint32_t descriptorsEnd = 0;
    bool terminated = false;
    // Descriptors that lie within the header length the header states; more when a header
    // length too small cut off descriptors that end with a terminator after it.
    size_t fieldsInStatedHeader = 0;
};

// Parses the header at the start of `file` as it stands; settleLayout() (record_layout.h) then
// places the fields in the record. `path` only names the file in messages.
// Fails with NotADbfFile, HeaderTruncated, HeaderOutsideFile or ZeroRecordLength.
Result<TableHeader> parseHeader(std::string_view file, const std::string &path);

const char *dialectName(Dialect dialect, uint8_t version);

// Where the last update stands in the file: byte 1, in dBase II byte 3.
uint32_t lastUpdateOffset(const TableHeader &header);
// Whether the last update is a day of the calendar.
bool lastUpdateValid(const TableHeader &header);
// The last update's bytes as stored, with their order: "7A 00 00: Jahr, Monat, Tag".
std::string lastUpdateBytesText(const TableHeader &header);

} // namespace dbf
