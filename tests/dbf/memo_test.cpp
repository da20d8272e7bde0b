// Memo values of all three memo file formats, found on disk, and damaged memo files.
#include "dbf/table.h"
#include "dbf_builder.h"
#include "support/case_name.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using dbfbuild::DbfBuilder;
using dbfbuild::Layout;
using dbfbuild::MemoBuilder;
using dbfbuild::MemoKind;

namespace {

struct MemoCase
{
    const char *name;
    uint8_t version;
    Layout layout;
    uint8_t fieldLength;
    MemoKind kind;
    dbf::MemoFormat format;
};

std::string pointer(uint32_t block, uint8_t fieldLength)
{
    if (fieldLength == 4)
        return std::string {static_cast<char>(block), static_cast<char>(block >> 8),
                            static_cast<char>(block >> 16), static_cast<char>(block >> 24)};
    return std::to_string(block);
}

class MemoFormats : public ::testing::TestWithParam<MemoCase>
{ };

TEST_P(MemoFormats, ReadTextOfEveryMemo)
{
    const MemoCase &c = GetParam();
    MemoBuilder memo(c.kind, 64);
    const uint32_t first = memo.add("Funkamateur seit 1972\r\nDXCC Honor Roll");
    const uint32_t second = memo.add(std::string(700, 'x')); // spans several blocks
    const std::string table =
            DbfBuilder(c.version, {{"CALL", 'C', 6}, {"NOTES", 'M', c.fieldLength}}, c.layout)
                    .record({"DL1AA", pointer(first, c.fieldLength)})
                    .record({"DL2BB", pointer(second, c.fieldLength)})
                    .record({"DL3CC", c.fieldLength == 4 ? std::string(4, '\0') : ""})
                    .bytes();
    auto result = dbf::Table::fromBytes("m.dbf", table, memo.bytes(), c.format);
    ASSERT_TRUE(result) << result.error().description;
    EXPECT_EQ(result->text(0, 1).text, "Funkamateur seit 1972\r\nDXCC Honor Roll");
    EXPECT_EQ(result->text(1, 1).text, std::string(700, 'x'));
    EXPECT_EQ(result->text(2, 1).text, "");
}

INSTANTIATE_TEST_SUITE_P(Dbf, MemoFormats,
                         ::testing::Values(MemoCase {"DBase3", 0x83, Layout::DBase3, 10,
                                                     MemoKind::DBase3, dbf::MemoFormat::DBase3},
                                           MemoCase {"DBase4", 0x8B, Layout::DBase3, 10,
                                                     MemoKind::DBase4, dbf::MemoFormat::DBase4},
                                           MemoCase {"FoxPro2", 0xF5, Layout::DBase3, 10,
                                                     MemoKind::FoxPro, dbf::MemoFormat::FoxPro},
                                           MemoCase {"VisualFoxPro", 0x30, Layout::FoxPro, 4,
                                                     MemoKind::FoxPro, dbf::MemoFormat::FoxPro}),
                         CaseName());

dbf::Table foxTable(const std::string &memo, uint32_t block)
{
    const std::string table =
            DbfBuilder(0xF5, {{"NOTES", 'M', 10}}).record({std::to_string(block)}).bytes();
    auto result = dbf::Table::fromBytes("f.dbf", table, memo, dbf::MemoFormat::FoxPro);
    EXPECT_TRUE(result);
    return std::move(*result);
}

TEST(Memo, DamagedPointersAndLengthsAreFlaggedNotFatal)
{
    MemoBuilder builder(MemoKind::FoxPro, 64);
    const uint32_t block = builder.add("Text");
    std::string memo = builder.bytes();

    EXPECT_TRUE(foxTable(memo, 100000).text(0, 0).raw); // past the end of the memo file
    EXPECT_TRUE(foxTable(memo, 1).text(0, 0).raw); // inside its header

    std::string huge = memo; // a length of 4 GB
    for (int i = 4; i < 8; ++i)
        huge[block * 64 + i] = '\xFF';
    const dbf::FieldText text = foxTable(huge, block).text(0, 0);
    EXPECT_TRUE(text.raw);
    EXPECT_EQ(text.text.substr(0, 4), "Text");
}

TEST(Memo, DBase3TextWithoutEndMarkerStopsAtTheFileEnd)
{
    MemoBuilder builder(MemoKind::DBase3);
    const uint32_t block = builder.add("abc");
    std::string memo = builder.bytes();
    memo.resize(block * 512 + 3); // the 0x1A markers and the rest are gone
    const std::string table =
            DbfBuilder(0x83, {{"NOTES", 'M', 10}}).record({std::to_string(block)}).bytes();
    auto result = dbf::Table::fromBytes("d.dbf", table, memo, dbf::MemoFormat::DBase3);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->text(0, 0).text, "abc");
    EXPECT_TRUE(result->text(0, 0).raw);
}

TEST(Memo, BinaryMemosAreNamedNotShown)
{
    MemoBuilder builder(MemoKind::FoxPro, 64);
    const uint32_t picture = builder.add("GIF89a", 0);
    const uint32_t jpegInText = builder.add(std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10));
    const std::string table = DbfBuilder(0xF5, {{"A", 'M', 10}, {"B", 'M', 10}})
                                      .record({std::to_string(picture), std::to_string(jpegInText)})
                                      .bytes();
    auto result = dbf::Table::fromBytes("b.dbf", table, builder.bytes(), dbf::MemoFormat::FoxPro);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->text(0, 0).text, "(Binärdaten, 6 Bytes)");
    EXPECT_EQ(result->text(0, 1).text, "(Binärdaten, 10 Bytes)");
}

TEST(Memo, FileIsFoundWhateverTheCaseAndItsAbsenceIsAWarning)
{
    TempDir dir;
    MemoBuilder builder(MemoKind::DBase3);
    const uint32_t block = builder.add("QSL via Büro");
    const std::string table = DbfBuilder(0x83, {{"NOTES", 'M', 10}})
                                      .languageDriver(0x57)
                                      .record({std::to_string(block)})
                                      .bytes();
    dir.write("funk.dbf", table);
    dir.write("FUNK.DBT", builder.bytes());

    auto withMemo = dbf::Table::open(dir.file("funk.dbf"));
    ASSERT_TRUE(withMemo) << withMemo.error().description;
    EXPECT_EQ(withMemo->memoPath(), dir.file("FUNK.DBT"));
    EXPECT_TRUE(withMemo->findings().empty());

    dir.write("ohne.dbf", table);
    auto without = dbf::Table::open(dir.file("ohne.dbf"));
    ASSERT_TRUE(without);
    EXPECT_EQ(without->text(0, 0).text, "");
    ASSERT_EQ(without->findings().size(), 1u);
    EXPECT_NE(without->findings()[0].text.find("Memodatei"), std::string::npos);
}

} // namespace
