// Opening tables of every layout, the tolerances for odd headers, and clear rejections.
#include "dbf/table.h"
#include "dbf_builder.h"
#include "support/case_name.h"
#include "support/table_reading.h"
#include "support/temp_dir.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using dbfbuild::DbfBuilder;
using dbfbuild::FieldSpec;
using dbfbuild::Layout;

namespace {

std::string simpleTable()
{
    return DbfBuilder(0x03, {{"CALL", 'C', 10}, {"NOF_SSB", 'N', 5}})
            .record({"DL1ABC", "12"})
            .record({"OE3XYZ", "7"})
            .bytes();
}

struct LayoutCase
{
    const char *name;
    uint8_t version;
    Layout layout;
    dbf::Dialect dialect;
};

class Layouts : public ::testing::TestWithParam<LayoutCase>
{ };

TEST_P(Layouts, OpensWithFieldsAndValues)
{
    const LayoutCase &c = GetParam();
    const std::string bytes = DbfBuilder(c.version, {{"CALL", 'C', 10}, {"RIG", 'C', 20}}, c.layout)
                                      .record({"DK2XY", "IC-7300"})
                                      .bytes();
    const dbf::Table table = opened(openBytes(bytes));
    EXPECT_EQ(table.header().dialect, c.dialect);
    ASSERT_EQ(table.fieldCount(), 2u);
    EXPECT_EQ(table.fieldName(1), "RIG");
    ASSERT_EQ(table.recordCount(), 1u);
    EXPECT_EQ(table.text(0, 0).text, "DK2XY");
    EXPECT_EQ(table.text(0, 1).text, "IC-7300");
}

const std::vector<LayoutCase> kLayouts = {
        {"dBase2", 0x02, Layout::DBase2, dbf::Dialect::DBase2},
        {"dBase3", 0x03, Layout::DBase3, dbf::Dialect::DBase3},
        {"dBase4", 0x8B, Layout::DBase3, dbf::Dialect::DBase4},
        {"dBase7", 0x04, Layout::DBase7, dbf::Dialect::DBase7},
        {"FoxPro2", 0xF5, Layout::DBase3, dbf::Dialect::FoxPro},
        {"VisualFoxPro", 0x30, Layout::FoxPro, dbf::Dialect::VisualFoxPro}};

INSTANTIATE_TEST_SUITE_P(Dbf, Layouts, ::testing::ValuesIn(kLayouts), CaseName());

struct Damage
{
    const char *name;
    void (*apply)(std::string &bytes);
    dbf::ErrorCode code;
    const char *where; // part of the description
};

class Rejections : public ::testing::TestWithParam<Damage>
{ };

TEST_P(Rejections, FailWithNumberAndPlace)
{
    std::string bytes = simpleTable();
    GetParam().apply(bytes);
    EXPECT_TRUE(refusedWith(openBytes(bytes), GetParam().code, "»test.dbf«"));
    EXPECT_TRUE(refusedWith(openBytes(bytes), GetParam().code, GetParam().where));
}

const std::vector<Damage> kDamages = {
        {"Empty", [](std::string &b) { b.clear(); }, dbf::ErrorCode::NotADbfFile, "leer"},
        {"UnknownVersion", [](std::string &b) { b[0] = 'P'; }, dbf::ErrorCode::NotADbfFile,
         "0x50 (Byte 0)"},
        {"CutInsideHeader", [](std::string &b) { b.resize(20); }, dbf::ErrorCode::HeaderTruncated,
         "Byte 20"},
        {"HeaderLengthPastEnd", [](std::string &b) { b[9] = '\x7F'; },
         dbf::ErrorCode::HeaderOutsideFile, "(Byte 8)"},
        {"HeaderLengthTooSmall", [](std::string &b) { b.replace(8, 2, std::string("\x10\0", 2)); },
         dbf::ErrorCode::HeaderTruncated, "(Byte 8)"},
        {"ZeroRecordLength", [](std::string &b) { b.replace(10, 2, std::string(2, '\0')); },
         dbf::ErrorCode::ZeroRecordLength, "(Byte 10)"},
        {"FieldPastRecord", [](std::string &b) { b[32 + 32 + 16] = 100; },
         dbf::ErrorCode::FieldsOverrunRecord, "»NOF_SSB« reicht über"},
        // A DATASUS .dbc: header, checksum, then PKWare DCL data (literal coding 0, window 6).
        {"Compressed",
         [](std::string &b) {
             b.resize(32 + 2 * 32 + 1);
             b += std::string("\x74\x06\xFC\x02\x00\x06\x40\x80\xD4\x03\x30\x5C", 12);
             b[4] = 100;
         },
         dbf::ErrorCode::CompressedTable, "»test.dbf« ist eine komprimierte Tabelle"}};

INSTANTIATE_TEST_SUITE_P(Dbf, Rejections, ::testing::ValuesIn(kDamages), CaseName());

TEST(Header, MissingFileIsNamed)
{
    EXPECT_TRUE(refusedWith(dbf::Table::open("/nonexistent/stations.dbf"), dbf::FileNotFound,
                            "/nonexistent/stations.dbf"));
}

// A named pipe, a folder or a device is refused at once; opening a pipe must not wait for a
// writer that never comes.
TEST(Header, WhatIsNoRegularFileIsRefusedWithoutWaiting)
{
    TempDir dir;
    const std::string pipe = dir.file("Funk.dbf");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string &path : {pipe, dir.file(""), std::string("/dev/null")}) {
        auto done = std::make_shared<std::promise<dbf::Result<dbf::Table>>>();
        std::future<dbf::Result<dbf::Table>> refused = done->get_future();
        std::thread([done, path] {
            done->set_value(dbf::Table::open(path));
        }).detach(); // left behind, blocked, only when the test fails
        ASSERT_EQ(refused.wait_for(std::chrono::seconds(10)), std::future_status::ready) << path;
        EXPECT_TRUE(refusedWith(refused.get(), dbf::FileUnreadable, "keine gewöhnliche Datei"))
                << path;
    }
}

TEST(Header, FieldListEndsWithoutTerminatorOrWithOddOne)
{
    // Header length 64 leaves no room for the 0x0D after the one descriptor.
    std::string bytes = DbfBuilder(0x03, {{"NAME", 'C', 8}}).record({"Asia"}).bytes();
    std::string noTerminator = bytes.substr(0, 64) + bytes.substr(65);
    noTerminator[8] = 64;
    const dbf::Table table = opened(openBytes(noTerminator));
    EXPECT_EQ(table.text(0, 0).text, "Asia");

    for (char terminator : {'\x0A', '\x00'}) {
        std::string odd = bytes;
        odd[64] = terminator;
        const dbf::Table oddTable = opened(openBytes(odd));
        EXPECT_EQ(oddTable.fieldCount(), 1u);
        EXPECT_EQ(oddTable.text(0, 0).text, "Asia");
    }
}

TEST(Header, DecimalsOfLongCharacterFieldAreLengthHighByteOnlyWhenRecordLengthSaysSo)
{
    // A C field of 300 bytes: length byte 44, decimals 1.
    std::string wide = DbfBuilder(0x03, {{"NOTE", 'C', 44, 1}, {"N", 'C', 2}}).bytes();
    wide.replace(10, 2, dbfbuild::littleEndian32(1 + 300 + 2), 0, 2);
    wide.pop_back(); // end marker
    wide += " " + std::string(299, 'x') + "y" + "ok" + "\x1A";
    const dbf::Table table = opened(openBytes(wide));
    EXPECT_EQ(table.field(0).length, 300u);
    EXPECT_EQ(table.text(0, 0).text.size(), 300u);
    EXPECT_EQ(table.text(0, 1).text, "ok");

    // Excel writes decimals into C fields that are not part of the length.
    const dbf::Table excel = opened(openBytes(
            DbfBuilder(0x03, {{"HOEHE", 'C', 8, 2}, {"N", 'C', 2}}).record({"800", "ab"}).bytes()));
    EXPECT_EQ(excel.field(0).length, 8u);
    EXPECT_EQ(excel.text(0, 1).text, "ab");
}

TEST(Header, YearOfTheLastUpdateFromOneHundredAndNineteenOrTwoDigits)
{
    // dBase counts from 1900 (115 for 2015); Visual FoxPro keeps two digits (15 for 2015).
    for (auto [stored, year] : {std::pair {115, 2015}, {15, 2015}, {95, 1995}, {0, 2000}}) {
        std::string bytes = simpleTable();
        bytes[1] = static_cast<char>(stored);
        const dbf::Table table = opened(openBytes(bytes));
        EXPECT_EQ(table.header().year, year) << stored;
    }
}

// A last update that is no day of the calendar is a finding that names the bytes as stored.
TEST(Header, LastUpdateThatIsNoDayIsAFindingWithItsBytes)
{
    struct DateCase
    {
        uint8_t version;
        Layout layout;
        int year, month, day;
        const char *bytes; // nullptr: a day, no finding
        uint64_t offset;
    };
    for (const DateCase &c :
         {DateCase {0x03, Layout::DBase3, 2022, 0, 0, "7A 00 00: Jahr, Monat, Tag", 1},
          DateCase {0x8B, Layout::DBase3, 2003, 13, 1, "67 0D 01: Jahr, Monat, Tag", 1},
          DateCase {0x30, Layout::FoxPro, 2023, 2, 29, "7B 02 1D: Jahr, Monat, Tag", 1},
          DateCase {0x04, Layout::DBase7, 2003, 5, 0, "67 05 00: Jahr, Monat, Tag", 1},
          DateCase {0x02, Layout::DBase2, 1984, 0, 0, "00 00 54: Monat, Tag, Jahr", 3},
          DateCase {0x03, Layout::DBase3, 2024, 2, 29, nullptr, 0},
          DateCase {0x02, Layout::DBase2, 1984, 12, 31, nullptr, 0}}) {
        const dbf::Table table =
                opened(openBytes(DbfBuilder(c.version, {{"CALL", 'C', 10}}, c.layout)
                                         .lastUpdate(c.year, c.month, c.day)
                                         .record({"DL1ABC"})
                                         .bytes()));
        ASSERT_EQ(table.findings().size(), c.bytes ? 1u : 0u) << allFindings(table);
        if (!c.bytes)
            continue;
        const dbf::Finding &finding = table.findings()[0];
        EXPECT_EQ(finding.kind, dbf::FindingKind::HeaderDate);
        EXPECT_STREQ(dbf::findingKindName(finding.kind), "header-date");
        EXPECT_EQ(finding.offset, c.offset);
        EXPECT_EQ(finding.text,
                  std::string("Das Datum der letzten Änderung im Dateikopf ist kein Tag des "
                              "Kalenders (Bytes ")
                          + c.bytes + "); es wird nicht als Datum gezeigt.");
    }
}

} // namespace
