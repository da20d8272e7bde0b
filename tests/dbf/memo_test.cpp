// Memo values of all three memo file formats, found on disk, and damaged memo files.
#include "dbf/table.h"
#include "dbf_builder.h"
#include "support/case_name.h"
#include "support/table_reading.h"
#include "support/temp_dir.h"

#include <filesystem>
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

// Visual FoxPro keeps the block as 4 binary bytes, the others as digits.
std::string pointer(uint32_t block, uint8_t fieldLength)
{
    return fieldLength == 4 ? dbfbuild::littleEndian32(block) : std::to_string(block);
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
    const dbf::Table result = opened(dbf::Table::fromBytes("m.dbf", table, memo.bytes(), c.format));
    EXPECT_EQ(result.text(0, 1).text, "Funkamateur seit 1972\r\nDXCC Honor Roll");
    EXPECT_EQ(result.text(1, 1).text, std::string(700, 'x'));
    EXPECT_EQ(result.text(2, 1).text, "");
}

const std::vector<MemoCase> kMemoCases = {
        {"DBase3", 0x83, Layout::DBase3, 10, MemoKind::DBase3, dbf::MemoFormat::DBase3},
        {"DBase4", 0x8B, Layout::DBase3, 10, MemoKind::DBase4, dbf::MemoFormat::DBase4},
        {"FoxPro2", 0xF5, Layout::DBase3, 10, MemoKind::FoxPro, dbf::MemoFormat::FoxPro},
        {"VisualFoxPro", 0x30, Layout::FoxPro, 4, MemoKind::FoxPro, dbf::MemoFormat::FoxPro}};

INSTANTIATE_TEST_SUITE_P(Dbf, MemoFormats, ::testing::ValuesIn(kMemoCases), CaseName());

// A table of memo fields M0, M1, … whose one record points at `blocks`.
std::string memoFields(uint8_t version, const std::vector<uint32_t> &blocks)
{
    std::vector<dbfbuild::FieldSpec> fields;
    std::vector<std::string> values;
    for (size_t i = 0; i < blocks.size(); ++i) {
        std::string name = "M"; // appended, not "M" + …: GCC 12 warns falsely (bug 105329)
        name += std::to_string(i);
        fields.push_back({name, 'M', 10});
        values.push_back(std::to_string(blocks[i]));
    }
    return DbfBuilder(version, fields).record(values).bytes();
}

// memoFields() of FoxPro 2 with `memo`.
dbf::Table foxTable(const std::string &memo, const std::vector<uint32_t> &blocks,
                    const dbf::OpenOptions &options = {})
{
    return opened(dbf::Table::fromBytes("f.dbf", memoFields(0xF5, blocks), memo,
                                        dbf::MemoFormat::FoxPro, options));
}

// memoFields() of dBase III with `memo`.
dbf::Table dBase3Table(const std::string &memo, const std::vector<uint32_t> &blocks)
{
    return opened(dbf::Table::fromBytes("d.dbf", memoFields(0x83, blocks), memo,
                                        dbf::MemoFormat::DBase3));
}

TEST(Memo, BinaryMemosAreNamedNotShown)
{
    MemoBuilder builder(MemoKind::FoxPro, 64);
    const uint32_t picture = builder.add("GIF89a", 0);
    const uint32_t jpegInText = builder.add(std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10));
    const dbf::Table result = foxTable(builder.bytes(), {picture, jpegInText});
    EXPECT_EQ(result.text(0, 0).text, "(Binärdaten, 6 Bytes)");
    EXPECT_EQ(result.text(0, 1).text, "(Binärdaten, 10 Bytes)");
}

// The problem of a dBase III memo at `block` that no 0x1A ends.
std::string noEndMarker(uint32_t block)
{
    return "Memotext ohne Endmarke 0x1A (Byte " + std::to_string(block * 512) + ")";
}

// A dBase III memo ends at 1A 1A; a single 0x1A inside belongs to it.
TEST(Memo, DBase3MemoEndsAtTheMarkerPairNotAtA1AInside)
{
    // A picture as dBaseIII.dbt of php-xbase holds one: 0x1A bytes inside, ending FF D9 1A 1A.
    std::string jpeg = "\xFF\xD8\xFF\xE0";
    for (int i = 0; i < 300; ++i)
        jpeg += std::string("\x1A\x01\x1A", 3) + char('a' + i % 26);
    jpeg += "\xFF\xD9";
    const std::string text = "Zeile 1\x1A"
                             "Zeile 2";
    const std::string png = "\x89PNG\r\n\x1A\nIHDR"; // the signature, with no NUL after it
    MemoBuilder builder(MemoKind::DBase3);
    const uint32_t picture = builder.add(jpeg), withMarker = builder.add(text),
                   pngBlock = builder.add(png);
    const dbf::Table table = dBase3Table(builder.bytes(), {picture, withMarker, pngBlock});
    EXPECT_EQ(table.text(0, 0).text, "(Binärdaten, " + std::to_string(jpeg.size()) + " Bytes)");
    EXPECT_FALSE(table.text(0, 0).raw);
    EXPECT_EQ(table.text(0, 1).text, text);
    EXPECT_EQ(table.text(0, 2).text, "(Binärdaten, " + std::to_string(png.size()) + " Bytes)");
}

// Writers that end a memo with one 0x1A pad its block: the memo ends there, not at the pair of
// the next memo, nor at stray bytes behind the used blocks.
TEST(Memo, DBase3SingleEndMarkerBeforePaddingOrTheUsedBlocksEnd)
{
    MemoBuilder builder(MemoKind::DBase3);
    const uint32_t first = builder.add("erstes"), second = builder.add("zweites");
    std::string memo = builder.bytes();
    memo[first * 512 + 7] = '\0'; // "erstes" 1A, NULs to the end of the block
    EXPECT_EQ(dBase3Table(memo, {first, second}).text(0, 0).text, "erstes");

    // The second memo fills its block, the last one in use, to a 0x1A in its last byte; stray
    // bytes follow.
    memo.replace(second * 512 + 7, 505, std::string(504, 'z') + '\x1A');
    memo.resize(second * 512 + 512 + 10, 'y');
    EXPECT_EQ(dBase3Table(memo, {second}).text(0, 0).text, "zweites" + std::string(504, 'z'));

    // Without any end marker a memo ends where the used blocks end (the next free block), not at
    // the bytes behind them.
    memo.replace(second * 512 + 511, 1, "y");
    const dbf::Value open = valueOf(dBase3Table(memo, {second}), 0, 0);
    EXPECT_EQ(open.text, "zweites" + std::string(504, 'z') + "y");
    EXPECT_EQ(open.problem, noEndMarker(second));
}

// Damaged pointers and lengths are no fatal error: what was wrong reaches the value in the memo
// file's own words.
TEST(Memo, DamagedPointersAndLengthsAreFlaggedInTheMemoFilesWords)
{
    MemoBuilder builder(MemoKind::FoxPro, 64);
    const uint32_t block = builder.add("Text");
    std::string memo = builder.bytes();
    EXPECT_TRUE(foxTable(memo, {1}).text(0, 0).raw); // inside its header
    std::string huge = memo;
    huge.replace(block * 64 + 4, 4, 4, '\xFF'); // a length of 4 GB
    const dbf::FieldText text = foxTable(huge, {block}).text(0, 0);
    EXPECT_TRUE(text.raw);
    EXPECT_EQ(text.text.substr(0, 4), "Text");

    const dbf::Table pastTheEnd = foxTable(memo, {100000});
    EXPECT_TRUE(pastTheEnd.text(0, 0).raw);
    EXPECT_EQ(valueOf(pastTheEnd, 0, 0).problem,
              "Memoblock 100000 liegt hinter dem Ende der Memodatei (Byte "
                      + std::to_string(memo.size()) + ")");

    memo[block * 64 + 7] = '\x7F'; // length 127 of a 4-byte text
    const dbf::Value value = valueOf(foxTable(memo, {block}), 0, 0);
    EXPECT_EQ(value.kind, dbf::Value::Kind::Text);
    EXPECT_EQ(value.problem,
              "Memolänge 127 reicht über das Dateiende (Byte " + std::to_string(block * 64 + 4)
                      + ")");

    MemoBuilder dBase3(MemoKind::DBase3);
    const uint32_t open = dBase3.add("offen");
    std::string cut = dBase3.bytes();
    cut.resize(open * 512 + 5); // the 0x1A markers and the rest are gone
    const dbf::Table noMarker = dBase3Table(cut, {open});
    EXPECT_EQ(noMarker.text(0, 0).text, "offen"); // it stops at the file's end
    EXPECT_TRUE(noMarker.text(0, 0).raw);
    EXPECT_EQ(valueOf(noMarker, 0, 0).problem, noEndMarker(open));
}

// The soft returns (8D 0A) that the memo editors of dBase, Clipper and FoxPro insert where they
// wrap a line are no part of a memo's text; a lone 0x8D is "ì" in CP850, in C fields 8D 0A
// stays, and pictures keep every byte.
TEST(Memo, SoftReturnsOfTheMemoEditorsAreLeftOut)
{
    const std::string wrapped = "QSL via B\x81ro, \x8D\nbitte.\r\nDank \x8D";
    const std::string picture = "GIF89a\x8D\n";
    for (const MemoKind kind : {MemoKind::DBase4, MemoKind::FoxPro}) {
        MemoBuilder builder(kind, 64);
        const uint32_t text = builder.add(wrapped);
        const uint32_t binary = builder.add(picture, 0);
        const bool fox = kind == MemoKind::FoxPro;
        const std::string table =
                DbfBuilder(fox ? 0xF5 : 0x8B,
                           {{"NOTES", 'M', 10}, {"BILD", fox ? 'M' : 'G', 10}, {"RIG", 'C', 8}})
                        .languageDriver(0x02)
                        .record({std::to_string(text), std::to_string(binary), "IC\x8D\n705"})
                        .bytes();
        const dbf::Table result = opened(
                dbf::Table::fromBytes("s.dbf", table, builder.bytes(),
                                      fox ? dbf::MemoFormat::FoxPro : dbf::MemoFormat::DBase4));
        EXPECT_EQ(result.text(0, 0).text, "QSL via Büro, bitte.\r\nDank ì");
        EXPECT_EQ(valueOf(result, 0, 1).bytes, picture);
        EXPECT_EQ(result.text(0, 2).text, "ICì\n705");
    }
}

// In UTF-8 the same two bytes end a letter and a line: "č\n" is C4 8D 0A.
TEST(Memo, SoftReturnsAreNoneInUtf8)
{
    MemoBuilder builder(MemoKind::FoxPro, 64);
    const uint32_t block = builder.add("Ba\xC4\x8D\nka");
    dbf::OpenOptions options;
    options.encoding = "UTF-8";
    EXPECT_EQ(foxTable(builder.bytes(), {block}, options).text(0, 0).text, "Bač\nka");
}

// Writes the table sparse.dbf of memoFields(`version`, {`block`}) and `memo` as its memo file
// sparse.`extension`, extended to `size` bytes with a hole: a file of gigabytes costs no disk.
// The memo file's path.
std::string writeSparse(const TempDir &dir, uint8_t version, uint32_t block,
                        const std::string &memo, const std::string &extension, uint64_t size)
{
    dir.write("sparse.dbf", memoFields(version, {block}));
    const std::string path = dir.write("sparse." + extension, memo);
    std::filesystem::resize_file(path, size);
    return path;
}

// Opens sparse.dbf, whose memo at `block` must come cut at the limit with a fault of `kind` (and
// `faultText` where given); returns its value.
dbf::Value valueCutAtTheLimit(const TempDir &dir, uint32_t block, dbf::MemoFault::Kind kind,
                              const std::string &faultText = {})
{
    const dbf::Table table = opened(dbf::Table::open(dir.file("sparse.dbf")));
    const dbf::MemoValue read = table.memo()->read(block);
    EXPECT_EQ(read.bytes.size(), dbf::kMemoValueLimit);
    const dbf::MemoFault fault = read.fault.value_or(dbf::MemoFault {});
    EXPECT_TRUE(read.fault);
    EXPECT_EQ(fault.kind, kind);
    EXPECT_TRUE(faultText.empty() || fault.text == faultText) << fault.text;
    return valueOf(table, 0, 0);
}

// A hostile memo file costs one value no more than the limit: a text in a sparse dBase III file
// of 3 GB whose end marker is gone and whose next free block lies behind the file.
TEST(Memo, HugeSparseMemoWithoutEndMarkerIsCutAtTheLimit)
{
    TempDir dir;
    MemoBuilder builder(MemoKind::DBase3);
    const uint32_t block = builder.add("abc");
    std::string memo = builder.bytes();
    memo.replace(block * 512 + 3, 2, std::string(2, '\0')); // the 1A 1A
    memo.replace(0, 4, std::string("\xFF\xFF\xFF\x00", 4)); // next free block 16777215
    writeSparse(dir, 0x83, block, memo, "dbt", uint64_t {3} << 30);
    const dbf::Value value = valueCutAtTheLimit(dir, block, dbf::MemoFault::Kind::TooLong);
    EXPECT_EQ(value.text, "abc"); // the trailing NULs are no part of it
    EXPECT_EQ(value.problem, "Memo gekürzt auf 16 MiB: keine Endmarke 0x1A bis dahin (Byte 512)");
}

// A memo read after another whose search for the end marker ran over it ends alike: the stretch
// found without 0x1A is remembered, not the memos' ends.
TEST(Memo, DBase3MemosEndAlikeInAnyOrder)
{
    MemoBuilder builder(MemoKind::DBase3);
    const uint32_t open = builder.add("abc"), closed = builder.add("def");
    std::string memo = builder.bytes();
    memo.replace(open * 512 + 3, 2, std::string(2, '\0'));
    const std::string alone = valueOf(dBase3Table(memo, {closed}), 0, 0).text;
    EXPECT_EQ(alone, "def");
    const dbf::Table both = dBase3Table(memo, {open, closed, open});
    EXPECT_EQ(valueOf(both, 0, 1).text, alone);
    EXPECT_EQ(valueOf(both, 0, 0).text, valueOf(both, 0, 2).text);
    EXPECT_EQ(valueOf(both, 0, 1).text, alone);
}

// dBase IV and FoxPro memos whose stated length reaches past the limit are cut at it; one whose
// length also reaches past the file's end is damaged and cut.
TEST(Memo, StatedLengthsPastTheLimitAreCut)
{
    TempDir dir;
    const uint64_t stated = dbf::kMemoValueLimit + 100;
    for (const MemoKind kind : {MemoKind::DBase4, MemoKind::FoxPro}) {
        const bool fox = kind == MemoKind::FoxPro;
        SCOPED_TRACE(fox ? "FoxPro" : "dBase IV");
        MemoBuilder builder(kind, 64);
        const uint32_t block = builder.add("Text");
        std::string memo = builder.bytes();
        // dBase IV counts the 8 bytes of the block's head in, FoxPro does not.
        const uint64_t length = fox ? stated : stated + 8;
        for (int i = 0; i < 4; ++i)
            memo[block * 64 + 4 + i] = static_cast<char>(length >> (fox ? 8 * (3 - i) : 8 * i));
        const std::string path = writeSparse(dir, fox ? 0xF5 : 0x8B, block, memo,
                                             fox ? "fpt" : "dbt", block * 64 + 8 + stated);
        const dbf::Value value = valueCutAtTheLimit(dir, block, dbf::MemoFault::Kind::TooLong);
        EXPECT_EQ(value.text, "Text");
        EXPECT_EQ(value.problem,
                  "Memo gekürzt auf 16 MiB: Memolänge " + std::to_string(stated) + " (Byte "
                          + std::to_string(block * 64 + 4) + ")");

        std::filesystem::resize_file(path, block * 64 + 8 + stated - 1); // one byte short
        valueCutAtTheLimit(dir, block, dbf::MemoFault::Kind::Damaged,
                           "Memolänge " + std::to_string(stated)
                                   + " reicht über das Dateiende (Byte "
                                   + std::to_string(block * 64 + 4) + "); Memo gekürzt auf 16 MiB");
    }
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

    const dbf::Table withMemo = opened(dbf::Table::open(dir.file("funk.dbf")));
    EXPECT_EQ(withMemo.memoPath(), dir.file("FUNK.DBT"));
    EXPECT_TRUE(withMemo.findings().empty());

    dir.write("ohne.dbf", table);
    const dbf::Table without = opened(dbf::Table::open(dir.file("ohne.dbf")));
    EXPECT_EQ(without.text(0, 0).text, "");
    ASSERT_EQ(without.findings().size(), 1u);
    EXPECT_NE(without.findings()[0].text.find("Memodatei"), std::string::npos);
}

} // namespace
