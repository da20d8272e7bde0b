// Headers whose numbers disagree with each other or with the file: the layout the bytes confirm
// is read, with a finding that says what was corrected, or a finding that values may be shifted.
#include "dbf_builder.h"
#include "support/table_reading.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

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

const std::vector<std::string> &validReading()
{
    static const std::vector<std::string> valid = reading(opened(openBytes(stations(), true)));
    return valid;
}

// A damage of stations(), the one finding it makes (none where no kind is given) at `offset`
// with `text` in it, and a check of the corrected layout.
struct HeaderDamage
{
    std::string name;
    std::function<void(std::string &bytes)> damage;
    std::optional<dbf::FindingKind> kind;
    uint64_t offset = 0;
    std::string text = "";
    std::function<void(const dbf::Table &)> check = [](const dbf::Table &) {};
};

// `bytes` with a zero after the terminator, as Clipper and Harbour write 0x0D 0x00: the header
// one byte longer, and that is right.
void clipperHeader(std::string &bytes)
{
    bytes.insert(kHeaderLength, 1, '\0');
    putLe16(bytes, 8, kHeaderLength + 1);
}

TEST(RecordLayout, DamagedHeadersReadAsTheUndamagedTableWithAFinding)
{
    using enum dbf::FindingKind;
    std::vector<HeaderDamage> damages = {
            {"RecordLengthWithoutTheFlagByte",
             [](std::string &bytes) { putLe16(bytes, 10, kRecordLength - 1); }, RecordLength, 10,
             "Datensatzlänge 23",
             [](const dbf::Table &table) {
                 EXPECT_EQ(table.header().recordLength, kRecordLength);
             }},
            // The zero-length NOF_SSB takes the room the record leaves.
            {"ZeroLengthField", [](std::string &bytes) { bytes[64 + 16] = 0; }, ZeroLengthField, 64,
             "»NOF_SSB«",
             [](const dbf::Table &table) {
                 EXPECT_EQ(table.field(1).length, 5u);
                 EXPECT_EQ(table.field(2).offset, 16u);
                 EXPECT_NE(table.findings()[0].text.find("5 Bytes"), std::string::npos);
             }},
            {"MissingTerminator",
             [](std::string &bytes) {
                 bytes.erase(128, 1);
                 putLe16(bytes, 8, kHeaderLength - 1);
             },
             MissingTerminator, 128},
            // Records of 26 bytes, two of them after the fields: a gap.
            {"BytesOfNoField",
             [](std::string &bytes) {
                 for (size_t r = 3; r-- > 0;)
                     bytes.insert(kHeaderLength + (r + 1) * kRecordLength, "  ");
                 putLe16(bytes, 10, kRecordLength + 2);
             },
             FieldGap, 10, "nur 24 der 26 Bytes"},
            {"ClipperHeader", clipperHeader, std::nullopt},
            {"ClipperHeaderOneByteOff",
             [](std::string &bytes) {
                 clipperHeader(bytes);
                 putLe16(bytes, 8, kHeaderLength + 2);
             },
             HeaderLength, 8}};
    // The records start where the bytes say, whatever the header length says.
    for (const int by : {1, -1, 2, -2}) {
        damages.push_back(
                {"HeaderLengthOffBy" + std::to_string(by),
                 [by](std::string &bytes) { putLe16(bytes, 8, uint64_t(kHeaderLength + by)); },
                 HeaderLength, 8, "gelesen wird ab Byte 129",
                 [](const dbf::Table &table) {
                     EXPECT_EQ(table.header().headerLength, kHeaderLength);
                 }});
    }
    // Too high or too low: the records there count.
    for (const uint32_t count : {5u, 1u, 0u}) {
        damages.push_back({"RecordCount" + std::to_string(count),
                           [count](std::string &bytes) { bytes[4] = static_cast<char>(count); },
                           RecordCount, 4, "nennt " + std::to_string(count) + " Datensätze"});
    }
    for (const HeaderDamage &d : damages) {
        SCOPED_TRACE(d.name);
        std::string bytes = stations();
        d.damage(bytes);
        const dbf::Table table = opened(openBytes(bytes, true));
        EXPECT_EQ(reading(table), validReading());
        ASSERT_EQ(table.findings().size(), d.kind ? 1u : 0u) << allFindings(table);
        if (!d.kind)
            continue;
        const dbf::Finding &finding = table.findings()[0];
        EXPECT_EQ(finding.kind, *d.kind);
        EXPECT_EQ(finding.offset, d.offset);
        EXPECT_NE(finding.text.find(d.text), std::string::npos) << finding.text;
        d.check(table);
    }
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

TEST(RecordLayout, FieldsOverlappingTheRecordEndAreRefusedWhereTheFileConfirmsTheRecordLength)
{
    std::string bytes = stations();
    bytes[32 + 16] = 12; // CALL two bytes longer: UP_DATE reaches past the 24 bytes
    EXPECT_TRUE(refusedWith(openBytes(bytes), dbf::FieldsOverrunRecord, "»UP_DATE« reicht über"));
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

} // namespace
