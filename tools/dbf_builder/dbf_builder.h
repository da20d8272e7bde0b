// Writes dBase tables and memo files byte for byte, so tests can start from a valid file and
// damage it on purpose, and so large sample tables can be streamed to disk.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dbfbuild {

struct FieldSpec
{
    std::string name; // up to 11 bytes (32 for Layout::DBase7); all 11 leave no NUL terminator
    char type;
    uint8_t length;
    uint8_t decimals = 0;
    uint8_t flags = 0; // only Layout::DBase3 and Layout::FoxPro have a byte for it
};

// How the header is arranged. The version byte is written as given for every layout, so
// combinations that a reader has to reject can be produced as well.
enum class Layout {
    DBase3, // 32-byte header and 32-byte field descriptors
    FoxPro, // like DBase3, plus field displacements and a 263-byte backlink after the 0x0D
    DBase7, // 68-byte header with the language driver name at 32, 48-byte field descriptors
    DBase2, // count, date and record length in 8 bytes, 16-byte descriptors, always 521 bytes
};

// Produces the header and the encoded records separately, so a caller can stream millions of
// records without holding them in memory. Argument errors throw std::invalid_argument.
class DbfWriter
{
public:
    static constexpr char kEndOfFile = 0x1A;

    DbfWriter(uint8_t version, std::vector<FieldSpec> fields, Layout layout = Layout::DBase3);

    // Byte 29; Layout::DBase2 has no place for it.
    DbfWriter &languageDriver(uint8_t ldid);
    // The 32 bytes at offset 32 of Layout::DBase7, e.g. "DBWINWE0"; other layouts ignore it.
    DbfWriter &languageDriverName(std::string_view name);
    // Defaults to 2000-01-01. Layout::DBase2 stores the year as two digits.
    DbfWriter &lastUpdate(int year, int month, int day);

    // The whole header up to and including the 0x0D terminator (and the FoxPro backlink).
    // Throws std::out_of_range if Layout::DBase2 cannot hold recordCount.
    std::string header(uint32_t recordCount) const;

    // One record: the flag byte ' ' or '*', then every value in field order, as bytes without
    // any character set conversion. C, M, L, D and unknown types are left-aligned and blank
    // padded, N and F right-aligned and blank padded, too long values are cut at the end.
    // Binary types (I B Y T O @ + 0 = ^) take raw bytes of exactly the field length, or an empty
    // value for all zero bytes.
    std::string record(const std::vector<std::string> &values, bool deleted = false) const;
    void appendRecord(std::string &out, std::span<const std::string_view> values,
                      bool deleted = false) const;

    uint16_t recordLength() const { return m_recordLength; }
    uint16_t headerLength() const { return m_headerLength; }

private:
    void writeDescriptor(std::string &bytes, std::size_t index) const;

    uint8_t m_version;
    std::vector<FieldSpec> m_fields;
    Layout m_layout;
    std::vector<uint16_t> m_offsets;
    uint16_t m_recordLength = 1;
    uint16_t m_headerLength = 0;
    uint8_t m_languageDriver = 0;
    std::string m_languageDriverName;
    int m_year = 2000;
    uint8_t m_month = 1;
    uint8_t m_day = 1;
};

// A whole table in memory: header with the number of added records, the records, then 0x1A.
class DbfBuilder
{
public:
    DbfBuilder(uint8_t version, std::vector<FieldSpec> fields, Layout layout = Layout::DBase3);

    DbfBuilder &languageDriver(uint8_t ldid);
    DbfBuilder &languageDriverName(std::string_view name);
    DbfBuilder &lastUpdate(int year, int month, int day);
    DbfBuilder &record(const std::vector<std::string> &values, bool deleted = false);

    std::string bytes() const;

private:
    DbfWriter m_writer;
    std::string m_records;
    uint32_t m_recordCount = 0;
};

enum class MemoKind {
    DBase3, // .dbt, 512-byte blocks, text ended by 0x1A 0x1A, next free block LE at 0
    DBase4, // .dbt, block size LE at 20, blocks start FF FF 08 00 and the LE length incl. those 8
    FoxPro, // .fpt, next free block BE at 0, block size BE at 6, blocks start BE type, BE length
};

// Collects memos into the bytes of a memo file. The header takes the first 512 bytes, rounded
// up to whole blocks, so the first memo of a 512-byte block file is block 1.
class MemoBuilder
{
public:
    explicit MemoBuilder(MemoKind kind, uint16_t blockSize = 512);

    // Returns the block number to store in the table. foxType is 1 for text, 0 for a picture.
    uint32_t add(std::string_view data, uint32_t foxType = 1);
    std::string bytes() const;

private:
    MemoKind m_kind;
    uint16_t m_blockSize;
    std::size_t m_headerSize;
    std::string m_blocks;
};

// The block number as dBase III/IV and FoxPro 2 keep it in a text memo field.
std::string blockNumberText(uint32_t block, uint8_t width = 10);
// Raw values for the binary types: I and the 4-byte memo field of Visual FoxPro, Y, B and T.
std::string littleEndian32(uint32_t value);
std::string littleEndian64(uint64_t value);
std::string doubleBytes(double value);

} // namespace dbfbuild
