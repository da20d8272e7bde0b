// Headers whose numbers disagree with each other or with the file: the layout the bytes confirm
// is read, with a finding that says what was corrected, or a finding that values may be shifted.
#include "dbf_builder.h"
#include "support/table_reading.h"

#include <gtest/gtest.h>

using dbfbuild::DbfBuilder;

namespace {

// Three stations in records of 24 bytes: flag, CALL C(10), NOF_SSB N(5), UP_DATE D(8); the
// descriptors end with the terminator at byte 128, the records start at 129.
std::string stations()
{
    return DbfBuilder(0x03, {{"CALL", 'C', 10}, {"NOF_SSB", 'N', 5}, {"UP_DATE", 'D', 8}})
            .record({"DL1ABC", "12", "20030501"})
            .record({"OE3XYZ", "7", "20030502"}, true)
            .record({"HB9AA", "305", "20030503"})
            .bytes();
}

constexpr uint16_t kHeaderLength = 129;
constexpr uint16_t kRecordLength = 24;

void putLe16(std::string &bytes, size_t at, uint64_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}

dbf::Result<dbf::Table> openBytes(std::string bytes)
{
    dbf::OpenOptions options;
    options.includeDeleted = true;
    return dbf::Table::fromBytes("test.dbf", std::move(bytes), {}, dbf::MemoFormat::DBase3,
                                 options);
}

const std::vector<std::string> &validReading()
{
    static const std::vector<std::string> valid = reading(opened(openBytes(stations())));
    return valid;
}

TEST(RecordLayout, HeaderLengthOffIsCorrectedToWhereTheRecordsStart)
{
    for (const int by : {1, -1, 2, -2}) {
        SCOPED_TRACE(by);
        std::string bytes = stations();
        putLe16(bytes, 8, static_cast<uint64_t>(kHeaderLength + by));
        const dbf::Table table = opened(openBytes(bytes));
        EXPECT_EQ(reading(table), validReading());
        EXPECT_EQ(table.header().headerLength, kHeaderLength);
        const dbf::Finding &finding = findingOf(table, dbf::FindingKind::HeaderLength);
        EXPECT_EQ(finding.offset, 8u);
        EXPECT_NE(finding.text.find("gelesen wird ab Byte 129"), std::string::npos) << finding.text;
        EXPECT_EQ(table.findings().size(), 1u) << allFindings(table);
    }
}

TEST(RecordLayout, RecordLengthWithoutTheFlagByteIsCorrected)
{
    std::string bytes = stations();
    putLe16(bytes, 10, kRecordLength - 1);
    const dbf::Table table = opened(openBytes(bytes));
    EXPECT_EQ(reading(table), validReading());
    EXPECT_EQ(table.header().recordLength, kRecordLength);
    const dbf::Finding &finding = findingOf(table, dbf::FindingKind::RecordLength);
    EXPECT_EQ(finding.offset, 10u);
    EXPECT_NE(finding.text.find("Datensatzlänge 23"), std::string::npos) << finding.text;
}

TEST(RecordLayout, RecordCountTooHighOrTooLowKeepsTheRecordsThere)
{
    for (uint32_t count : {5u, 1u, 0u}) {
        SCOPED_TRACE(count);
        std::string bytes = stations();
        bytes[4] = static_cast<char>(count);
        const dbf::Table table = opened(openBytes(bytes));
        EXPECT_EQ(reading(table), validReading());
        const dbf::Finding &finding = findingOf(table, dbf::FindingKind::RecordCount);
        EXPECT_NE(finding.text.find("nennt " + std::to_string(count) + " Datensätze"),
                  std::string::npos);
    }
}

TEST(RecordLayout, ZeroLengthFieldTakesTheRoomTheRecordLeaves)
{
    std::string bytes = stations();
    bytes[64 + 16] = 0; // NOF_SSB, the second descriptor
    const dbf::Table table = opened(openBytes(bytes));
    EXPECT_EQ(reading(table), validReading());
    EXPECT_EQ(table.field(1).length, 5u);
    EXPECT_EQ(table.field(2).offset, 16u);
    const dbf::Finding &finding = findingOf(table, dbf::FindingKind::ZeroLengthField);
    EXPECT_EQ(finding.offset, 64u);
    EXPECT_NE(finding.text.find("»NOF_SSB«"), std::string::npos);
    EXPECT_NE(finding.text.find("5 Bytes"), std::string::npos) << finding.text;
}

TEST(RecordLayout, ZeroLengthFieldWithoutRoomStaysEmpty)
{
    const dbf::Table table =
            opened(openBytes(DbfBuilder(0x03, {{"CALL", 'C', 6}, {"LEER", 'C', 0}, {"RIG", 'C', 4}})
                                     .record({"DL1ABC", "", "FT-8"})
                                     .bytes()));
    EXPECT_EQ(table.text(0, 1).text, "");
    EXPECT_EQ(table.text(0, 2).text, "FT-8");
    const dbf::Finding &finding = findingOf(table, dbf::FindingKind::ZeroLengthField);
    EXPECT_NE(finding.text.find("bleibt leer"), std::string::npos);
}

TEST(RecordLayout, MissingTerminatorIsReportedAndTheRecordsReadRight)
{
    std::string bytes = stations();
    bytes.erase(128, 1);
    putLe16(bytes, 8, kHeaderLength - 1);
    const dbf::Table table = opened(openBytes(bytes));
    EXPECT_EQ(reading(table), validReading());
    const dbf::Finding &finding = findingOf(table, dbf::FindingKind::MissingTerminator);
    EXPECT_EQ(finding.offset, 128u);
}

TEST(RecordLayout, BytesOfNoFieldAreAGapThatIsReported)
{
    // Records of 26 bytes, two of them after the fields.
    const std::string valid = stations();
    std::string bytes = valid.substr(0, kHeaderLength);
    for (size_t r = 0; r < 3; ++r)
        bytes += valid.substr(kHeaderLength + r * kRecordLength, kRecordLength) + "  ";
    bytes += '\x1A';
    putLe16(bytes, 10, kRecordLength + 2);
    const dbf::Table table = opened(openBytes(bytes));
    EXPECT_EQ(reading(table), validReading());
    const dbf::Finding &finding = findingOf(table, dbf::FindingKind::FieldGap);
    EXPECT_NE(finding.text.find("nur 24 der 26 Bytes"), std::string::npos) << finding.text;
}

TEST(RecordLayout, FieldsOverlappingTheRecordEndAreRefusedWhereTheFileConfirmsTheRecordLength)
{
    std::string bytes = stations();
    bytes[32 + 16] = 12; // CALL two bytes longer: UP_DATE reaches past the 24 bytes
    auto table = openBytes(bytes);
    ASSERT_FALSE(table);
    EXPECT_EQ(table.error().number, dbf::ErrorCode::FieldsOverrunRecord);
    EXPECT_NE(table.error().description.find("»UP_DATE« reicht über"), std::string::npos)
            << table.error().description;
}

// Numbers first: every value starts with a blank, so records read one byte late start with a
// blank as well, and only the end of the file tells the readings apart.
std::string numbersFirst(const std::string &end)
{
    std::string bytes = DbfBuilder(0x03, {{"NOF_SSB", 'N', 5}, {"CALL", 'C', 10}})
                                .record({"12", "DL1ABC"})
                                .record({"7", "OE3XYZ"})
                                .bytes();
    bytes.pop_back(); // the end marker
    bytes += end;
    putLe16(bytes, 8, 32 + 2 * 32 + 1 + 1);
    return bytes;
}

// Corrected where the end marker confirms it, else read as stated with a warning.
TEST(RecordLayout, HeaderLengthOffIsCorrectedOnlyWhereTheEndMarkerConfirmsIt)
{
    const dbf::Table table = opened(openBytes(numbersFirst("\x1A")));
    EXPECT_EQ(table.header().headerLength, 97u);
    EXPECT_EQ(table.text(1, 1).text, "OE3XYZ");
    findingOf(table, dbf::FindingKind::HeaderLength); // a failure where there is none

    const dbf::Table unconfirmed = opened(openBytes(numbersFirst(std::string(12, '\x1A'))));
    EXPECT_EQ(unconfirmed.header().headerLength, 98u); // as the header says
    const dbf::Finding &finding = findingOf(unconfirmed, dbf::FindingKind::ShiftedValuesPossible);
    EXPECT_NE(finding.text.find("die Werte können verschoben sein"), std::string::npos);
}

TEST(RecordLayout, HeaderLengthOfClipperWithAZeroAfterTheTerminatorStands)
{
    // Clipper and Harbour write 0x0D 0x00: the header is one byte longer, and that is right.
    std::string valid = stations();
    std::string bytes = valid.substr(0, kHeaderLength) + '\0' + valid.substr(kHeaderLength);
    putLe16(bytes, 8, kHeaderLength + 1);
    const dbf::Table table = opened(openBytes(bytes));
    EXPECT_EQ(reading(table), validReading());
    EXPECT_TRUE(table.findings().empty()) << allFindings(table);

    putLe16(bytes, 8, kHeaderLength + 2); // and one byte off from there
    const dbf::Table off = opened(openBytes(bytes));
    EXPECT_EQ(reading(off), validReading());
    findingOf(off, dbf::FindingKind::HeaderLength); // a failure where there is none
}

TEST(RecordLayout, CompressedTableIsRefusedByName)
{
    // A DATASUS .dbc: the header, a checksum, then PKWare DCL data (literal coding 0, window 6).
    std::string bytes = stations().substr(0, kHeaderLength);
    bytes[4] = 100;
    bytes += std::string("\x74\x06\xFC\x02\x00\x06\x40\x80\xD4\x03\x30\x5C", 12);
    auto table = openBytes(bytes);
    ASSERT_FALSE(table);
    EXPECT_EQ(table.error().number, 7015);
    EXPECT_NE(table.error().description.find("»test.dbf« ist eine komprimierte Tabelle"),
              std::string::npos)
            << table.error().description;
}

} // namespace
