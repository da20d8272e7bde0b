// Which records a table holds: header counts that lie, cut files, end markers, deleted records.
#include "dbf/names.h"
#include "dbf/table.h"
#include "dbf_builder.h"
#include "support/table_reading.h"

#include <gtest/gtest.h>
#include <optional>

using dbfbuild::DbfBuilder;

namespace {

// Three records of 6 bytes (flag + C(5)), the second deleted; header length 65.
std::string threeRecords()
{
    return DbfBuilder(0x03, {{"CALL", 'C', 5}})
            .record({"DL1AA"})
            .record({"DL2BB"}, true)
            .record({"DL3CC"})
            .bytes();
}

dbf::Table open(std::string bytes, bool includeDeleted = false)
{
    return opened(openBytes(std::move(bytes), includeDeleted));
}

std::vector<std::string> visitedCalls(const dbf::Table &table)
{
    std::vector<std::string> calls;
    for (auto r = table.nextRecord(0); r; r = table.nextRecord(*r + 1))
        calls.push_back(table.text(*r, 0).text);
    return calls;
}

TEST(Records, DeletedAreSkippedUnlessIncluded)
{
    using Texts = std::vector<std::string>;
    EXPECT_EQ(visitedCalls(open(threeRecords())), (Texts {"DL1AA", "DL3CC"}));
    const dbf::Table all = open(threeRecords(), true);
    EXPECT_EQ(visitedCalls(all), (Texts {"DL1AA", "DL2BB", "DL3CC"}));
    // The deletion mark before each record's CALL.
    EXPECT_EQ(reading(all), (Texts {"CALL", "#3", " ", "DL1AA", "*", "DL2BB", " ", "DL3CC"}));
}

TEST(Records, RecordsBeyondAHeaderCountOfALargeTableCountWhileTheyStartWithAFlag)
{
    // More records than are looked at one by one: the sampled ones decide, unless the last one
    // starts with no flag; then the records count up to the first that does not.
    DbfBuilder builder(0x03, {{"N", 'C', 5}});
    for (int i = 0; i < 10000; ++i)
        builder.record({std::to_string(i)});
    std::string bytes = builder.bytes();
    bytes.replace(4, 4, dbfbuild::littleEndian32(0));
    EXPECT_EQ(open(bytes).recordCount(), 10000u);

    const size_t firstRecord = 32 + 32 + 1;
    bytes[firstRecord + 9999 * 6] = 'X';
    bytes[firstRecord + 7000 * 6] = 'X';
    const dbf::Table table = open(bytes);
    EXPECT_EQ(table.recordCount(), 7000u);
    EXPECT_EQ(table.text(6999, 0).text, "6999");
}

// threeRecords() with another header count, cut at the end by some bytes and extended by
// others: the three records stay, and the reader makes the one finding named, or none.
struct AlteredCase
{
    const char *name;
    uint32_t headerCount; // 0: as written
    size_t cut;
    std::string tail;
    const char *lastCall; // the text of the third record
    std::optional<dbf::FindingKind> kind;
    const char *text = ""; // part of the finding's text
    std::optional<uint64_t> record = std::nullopt; // the finding's record, none for the header's
    uint64_t offset = 0; // the finding's
};

TEST(Records, AlteredFilesKeepTheRecordsThere)
{
    using enum dbf::FindingKind;
    const std::string nuls(3, '\0');
    for (const AlteredCase &c : std::vector<AlteredCase> {
                 {"HeaderCountLowerTrustsTheFile", 1, 0, "", "DL3CC", RecordCount,
                  "nennt 1 Datensätze, die Datei enthält 3", std::nullopt, 4},
                 // Padding of end markers, as some writers leave.
                 {"EndMarkersAfterTheData", 0, 0, std::string(12, '\x1A'), "DL3CC", std::nullopt},
                 {"NoEndMarker", 0, 1, "", "DL3CC", std::nullopt},
                 // No end marker, the last record cut after "DL", padded with blanks, trimmed.
                 {"HeaderCountHigherThanTheFile", 1000, 4, "", "DL", PartialRecord,
                  "nennt 1000 Datensätze, die Datei enthält nur 2 vollständige und einen "
                  "unvollständigen",
                  2, 65 + 2 * 6},
                 // The writer counted the records its block of 512 bytes would hold.
                 {"EndMarkersToABlock", 8, 0, std::string(512 - 84, '\x1A'), "DL3CC",
                  PaddingRecords, "nennt 8 Datensätze, die Datei enthält 3", 3, 65 + 3 * 6},
                 {"NulsToABlock", 8, 0, std::string(512 - 84, '\0'), "DL3CC", PaddingRecords,
                  "nennt 8 Datensätze, die Datei enthält 3", 3, 65 + 3 * 6},
                 // A zero-flagged record the header does not count.
                 {"BytesThatStartNoRecord", 0, 1, nuls + "XYZ", "DL3CC", TrailingBytes, "", 3,
                  65 + 3 * 6}}) {
        SCOPED_TRACE(c.name);
        std::string bytes = threeRecords();
        if (c.headerCount)
            bytes.replace(4, 4, dbfbuild::littleEndian32(c.headerCount));
        bytes.resize(bytes.size() - c.cut);
        const dbf::Table table = open(bytes + c.tail, true);
        ASSERT_EQ(table.recordCount(), 3u);
        EXPECT_EQ(table.text(2, 0).text, c.lastCall);
        ASSERT_EQ(table.findings().size(), c.kind ? 1u : 0u);
        if (!c.kind)
            continue;
        const dbf::Finding &finding = table.findings()[0];
        EXPECT_EQ(finding.kind, *c.kind);
        EXPECT_NE(finding.text.find(c.text), std::string::npos) << finding.text;
        EXPECT_EQ(finding.record, c.record);
        EXPECT_EQ(finding.offset, c.offset);
    }
}

TEST(Records, BadDeletionFlagsAreCountedWithTheirRecords)
{
    std::string bytes = threeRecords();
    bytes[65 + 6] = '?'; // the second record
    const dbf::Table table = open(bytes);
    ASSERT_EQ(table.recordCount(), 3u);
    EXPECT_EQ(visitedCalls(table), (std::vector<std::string> {"DL1AA", "DL2BB", "DL3CC"}));
    ASSERT_EQ(table.findings().size(), 1u);
    const dbf::Finding &finding = table.findings()[0];
    EXPECT_EQ(finding.kind, dbf::FindingKind::BadDeletionFlag);
    EXPECT_EQ(finding.record, 1u);
    EXPECT_EQ(finding.offset, 65u + 6);
    EXPECT_NE(finding.text.find("1 von 3 geprüften Datensätzen"), std::string::npos)
            << finding.text;
    EXPECT_NE(finding.text.find("(Datensatz 2)"), std::string::npos) << finding.text;
}

TEST(Records, TableWithoutRecordsOrFields)
{
    EXPECT_EQ(open(DbfBuilder(0x03, {{"CALL", 'C', 5}}).bytes()).recordCount(), 0u);
    const dbf::Table empty = open(DbfBuilder(0x03, {}).record({}).bytes());
    EXPECT_EQ(empty.fieldCount(), 0u);
    EXPECT_EQ(empty.recordCount(), 1u);
}

} // namespace

TEST(Records, ScansVisitEveryRecordAcrossChunksBothWays)
{
    // 20,000 records of 21 bytes: several chunks of growing size.
    DbfBuilder builder(0x03, {{"N", 'C', 20}});
    for (int i = 0; i < 20000; ++i)
        builder.record({std::to_string(i)}, i % 7 == 0);
    const dbf::Table table = open(builder.bytes(), true);

    uint64_t expected = 0;
    table.scan([&](uint64_t record, std::string_view bytes) {
        EXPECT_EQ(record, expected++);
        EXPECT_EQ(table.text(bytes, 0).text, std::to_string(record));
        EXPECT_EQ(bytes[0] == '*', record % 7 == 0);
    });
    EXPECT_EQ(expected, 20000u);

    uint64_t next = 19999, visited = 0;
    table.scanFrom(19999, true, [&](uint64_t record, std::string_view bytes) {
        EXPECT_EQ(record, next--);
        EXPECT_EQ(table.text(bytes, 0).text, std::to_string(record));
        ++visited;
        return true;
    });
    EXPECT_EQ(visited, 20000u);

    std::vector<uint64_t> seen;
    table.scanFrom(12345, false, [&](uint64_t record, std::string_view) {
        seen.push_back(record);
        return seen.size() < 3;
    });
    EXPECT_EQ(seen, (std::vector<uint64_t> {12345, 12346, 12347}));
}

// Field names match without regard to case in every script: "ÄNDERUNG" (CP850 0x8E) is found as
// "änderung", as the query, the criteria and the viewer's bound columns look it up.
TEST(FieldNames, MatchIgnoringCaseBeyondAscii)
{
    const dbf::Table table = open(DbfBuilder(0x03, {{"CALL", 'C', 8}, {"\x8eNDERUNG", 'C', 8}})
                                          .languageDriver(0x02)
                                          .record({"DL1ABC", "neu"})
                                          .bytes());
    EXPECT_EQ(table.fieldName(1), "ÄNDERUNG");
    EXPECT_EQ(table.fieldIndex("änderung"), 1);
    EXPECT_EQ(table.fieldIndex("call"), 0);
    EXPECT_EQ(table.fieldIndex("CALLS"), -1);
    EXPECT_TRUE(dbf::sameName("Straße", "STRASSE")); // full Unicode case folding
}
