// The text each field type is shown as, and values that cannot be decoded.
#include "dbf/table.h"
#include "dbf_builder.h"
#include "support/case_name.h"
#include "support/table_reading.h"

#include <cstring>
#include <gtest/gtest.h>
#include <optional>

using dbfbuild::DbfBuilder;
using dbfbuild::Layout;

namespace {

struct ValueCase
{
    const char *name;
    uint8_t version;
    char type;
    uint8_t length;
    uint8_t decimals;
    std::string stored;
    std::string shown;
    bool raw;
};

// The low `bytes` bytes of `value`, little-endian.
std::string le(uint64_t value, size_t bytes)
{
    return dbfbuild::littleEndian64(value).substr(0, bytes);
}

std::string be(uint64_t value, size_t bytes)
{
    std::string out = le(value, bytes);
    return std::string(out.rbegin(), out.rend());
}

uint64_t bitsOf(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

class Values : public ::testing::TestWithParam<ValueCase>
{ };

TEST_P(Values, AreShownAsTheViewerShowsThem)
{
    const ValueCase &c = GetParam();
    const Layout layout = c.version == 0x04 ? Layout::DBase7
            : c.version == 0x30             ? Layout::FoxPro
                                            : Layout::DBase3;
    const dbf::Table table = opened(dbf::Table::fromBytes(
            "v.dbf",
            DbfBuilder(c.version, {{"F", c.type, c.length, c.decimals}}, layout)
                    .languageDriver(0x02)
                    .record({c.stored})
                    .bytes()));
    const dbf::FieldText text = table.text(0, 0);
    EXPECT_EQ(text.text, c.shown);
    EXPECT_EQ(text.raw, c.raw);
}

const std::vector<ValueCase> kValueCases = {
        {"CharacterKeepsLeadingBlanks", 0x03, 'C', 8, 0, "  DL1", "  DL1", false},
        {"CharacterUmlautsFromCp850", 0x03, 'C', 8, 0, "J\x81rgen", "Jürgen", false},
        {"CharacterTrailingNulsArePadding", 0x03, 'C', 6, 0, std::string("ab\0\0\0\0", 6), "ab",
         false},
        {"CharacterNulInsideIsFlagged", 0x03, 'C', 4, 0, std::string("\0ab", 3),
         std::string("\0ab", 3), true},
        {"NumberWithDecimalComma", 0x03, 'N', 8, 2, "-12.50", "-12,50", false},
        {"NumberEmpty", 0x03, 'N', 5, 0, "", "", false},
        {"NumberEmptyOfDBase4IsItsPointAlone", 0x8B, 'N', 5, 1, "  .  ", "", false},
        {"FloatEmptyOfFoxProIsItsPointAlone", 0xF5, 'F', 8, 3, "    .   ", "", false},
        {"NumberPointWithDigits", 0x8B, 'N', 5, 1, "  .5 ", ",5", false},
        {"NumberSignAndPointShownRaw", 0x8B, 'N', 5, 1, " -.  ", "-.", true},
        {"NumberPointAndBlankBeforeDigitShownRaw", 0x8B, 'N', 5, 1, "  . 5", ". 5", true},
        {"NumberAllStarsShownAsStored", 0x03, 'N', 5, 0, "*****", "*****", false},
        {"NumberPartlyStarredShownRaw", 0x03, 'N', 5, 0, "**", "**", true},
        {"NumberBlankInsideShownRaw", 0x03, 'N', 6, 0, "1 000", "1 000", true},
        {"NumberLettersShownRaw", 0x03, 'N', 6, 0, "12a", "12a", true},
        {"NumberExponentAsShapelibWrites", 0x03, 'N', 19, 17, "1.166785e+001", "1,166785e+001",
         false},
        {"FloatWithExponent", 0x03, 'F', 12, 0, "1.5E+03", "1,5E+03", false},
        {"Date", 0x03, 'D', 8, 0, "19870314", "14.03.1987", false},
        {"DateBlank", 0x03, 'D', 8, 0, "", "", false},
        {"DateZeros", 0x03, 'D', 8, 0, "00000000", "", false},
        {"DateNulBytes", 0x03, 'D', 8, 0, std::string(8, '\0'), "", false},
        {"DateNotADay", 0x03, 'D', 8, 0, "19870230", "19870230", true},
        {"DateText", 0x03, 'D', 8, 0, "NotAYear", "NotAYear", true},
        {"DateMonth13", 0x03, 'D', 8, 0, "20031332", "20031332", true},
        {"DateNulsInside", 0x03, 'D', 8, 0, std::string("2003\0\0\0\0", 8), "2003", true},
        {"DateBlanksInside", 0x03, 'D', 8, 0, "2003 5 1", "2003 5 1", true},
        {"LogicalTrue", 0x03, 'L', 1, 0, "T", "Wahr", false},
        {"LogicalJa", 0x03, 'L', 1, 0, "J", "Wahr", false},
        {"LogicalNo", 0x03, 'L', 1, 0, "n", "Falsch", false},
        {"LogicalUnknown", 0x03, 'L', 1, 0, "?", "", false},
        {"LogicalOdd", 0x03, 'L', 1, 0, "1", "1", true},
        {"LogicalX", 0x03, 'L', 1, 0, "X", "X", true},
        {"FoxIntegerZero", 0x30, 'I', 4, 0, "", "0", false},
        {"FoxInteger", 0x30, 'I', 4, 0, le(uint32_t(-42), 4), "-42", false},
        {"DBase7Integer", 0x04, 'I', 4, 0, be(0x80000000u + 7, 4), "7", false},
        {"DBase7IntegerNegative", 0x04, 'I', 4, 0, be(0x7FFFFFFFu, 4), "-1", false},
        {"DBase7IntegerBlank", 0x04, 'I', 4, 0, "", "", false},
        {"DBase7AutoincrementBlank", 0x04, '+', 4, 0, "", "", false},
        {"DBase7DoubleBlank", 0x04, 'O', 8, 0, "", "", false},
        {"DBase7DoubleZero", 0x04, 'O', 8, 0, be(1ull << 63, 8), "0", false},
        {"FoxDouble", 0x30, 'B', 8, 2, le(bitsOf(2.3), 8), "2,3", false},
        {"DBase7Double", 0x04, 'O', 8, 0, be(bitsOf(43.65) ^ (1ull << 63), 8), "43,65", false},
        {"DBase7DoubleNegative", 0x04, 'O', 8, 0, be(~bitsOf(-199.99), 8), "-199,99", false},
        {"Currency", 0x30, 'Y', 8, 4, le(uint64_t(-123456), 8), "-12,3456", false},
        {"FoxDateTime", 0x30, 'T', 8, 0, le(2451545, 4) + le(3723000, 4), "01.01.2000 01:02:03",
         false},
        {"FoxDateTimeEmpty", 0x30, 'T', 8, 0, std::string(8, '\0'), "", false},
        {"FoxDateTimeNotADayShownInHex", 0x30, 'T', 8, 0, le(uint32_t(-5), 4) + le(0, 4),
         "FBFFFFFF00000000", true},
        {"DBase7TimestampBlank", 0x04, '@', 8, 0, "", "", false},
        {"DBase7TimestampBeforeYearOneShownInHex", 0x04, '@', 8, 0, be(bitsOf(-1.0), 8),
         "BFF0000000000000", true},
        {"DBase7Timestamp", 0x04, '@', 8, 0, be(bitsOf(657072.0 * 86400000 + 3661000), 8),
         "01.01.1800 01:01:01", false},
        {"CurrencyWithoutDecimalsInTheDescriptor", 0x30, 'Y', 8, 0, le(123456, 8), "12,3456",
         false},
        // Harbour's DBF driver: its own types in dBase III tables
        {"HarbourIntegerOneByte", 0x03, 'I', 1, 0, "\xFE", "-2", false},
        {"HarbourIntegerTwoBytes", 0x03, 'I', 2, 0, le(uint16_t(-300), 2), "-300", false},
        {"HarbourIntegerThreeBytes", 0x03, 'I', 3, 0, le(0x7FFFFF, 3), "8388607", false},
        {"HarbourIntegerThreeBytesNegative", 0x03, 'I', 3, 0, le(0xFFFFFF, 3), "-1", false},
        {"HarbourIntegerDecimalsScale", 0x03, 'I', 4, 2, le(100, 4), "1,00", false},
        {"HarbourIntegerDecimalsBelowOne", 0x03, 'I', 2, 3, le(uint16_t(-5), 2), "-0,005", false},
        {"HarbourIntegerEightBytes", 0x03, 'I', 8, 0, le(uint64_t(-5000000000), 8), "-5000000000",
         false},
        {"HarbourIntegerOfFiveBytesShownRaw", 0x03, 'I', 5, 0, "12345", "12345", true},
        {"HarbourDouble", 0x03, 'B', 8, 2, le(bitsOf(2.5), 8), "2,5", false},
        {"HarbourAutoincrement", 0x03, '+', 4, 0, le(7, 4), "7", false},
        {"HarbourRowVersion", 0x03, '^', 8, 0, le(12, 8), "12", false},
        {"HarbourTime", 0x03, 'T', 4, 0, le(3723000, 4), "01:02:03", false},
        {"HarbourTimeEmpty", 0x03, 'T', 4, 0, "", "", false},
        {"HarbourTimeOfOneDayShownInHex", 0x03, 'T', 4, 0, le(86400000, 4), "005C2605", true},
        {"HarbourDateTime", 0x03, 'T', 8, 0, le(2451545, 4) + le(3723000, 4), "01.01.2000 01:02:03",
         false},
        {"HarbourTimestamp", 0x03, '@', 8, 0, le(2451545, 4) + le(3723000, 4),
         "01.01.2000 01:02:03", false},
        {"HarbourTimestampEmpty", 0x03, '@', 8, 0, "", "", false},
        {"HarbourModificationTime", 0x03, '=', 8, 0, le(2451545, 4) + le(3723000, 4),
         "01.01.2000 01:02:03", false},
        {"HarbourVariantDate", 0x03, 'V', 3, 0, be(2015 << 9 | 6 << 5 | 17, 3), "17.06.2015",
         false},
        {"HarbourVariantDateEmpty", 0x03, 'V', 3, 0, std::string(3, '\0'), "", false},
        {"HarbourVariantInteger", 0x03, 'V', 4, 0, le(uint32_t(-9), 4), "-9", false},
        {"UnknownTypeShownRaw", 0x03, 'X', 4, 0, "ab", "ab", true}};

INSTANTIATE_TEST_SUITE_P(Dbf, Values, ::testing::ValuesIn(kValueCases), CaseName());

// dBase IV's empty number (the point alone) and shapelib's null number (all '*') hold no value;
// the stars stay the text they are shown with.
TEST(Values, EmptyPointAndStarsHoldNoNumber)
{
    const dbf::Table table = opened(dbf::Table::fromBytes("s.dbf",
                                                          DbfBuilder(0x8B, {{"WATT", 'N', 6, 2}})
                                                                  .record({"   .  "})
                                                                  .record({"******"})
                                                                  .record({"**.* *"})
                                                                  .bytes()));
    EXPECT_EQ(valueOf(table, 0, 0).kind, dbf::Value::Kind::Empty);
    const dbf::Value stars = valueOf(table, 1, 0);
    EXPECT_EQ(stars.kind, dbf::Value::Kind::Stars);
    EXPECT_EQ(stars.text, "******");
    EXPECT_FALSE(stars.flagged());
    EXPECT_EQ(valueOf(table, 2, 0).kind, dbf::Value::Kind::Invalid);
}

// Visual FoxPro's _NullFlags, hidden, hold a bit for each V field (its length ends in its last
// byte) and each nullable field. Harbour's DBF driver writes it into dBase III tables as well,
// with the bits in the same order: Q fields hold text there, bytes when flagged binary (0x04).
// Without _NullFlags the flag byte of a dBase III descriptor is no flag: Clipper leaves it random.
TEST(Values, NullFlagsAndVarLengthFields)
{
    using Texts = std::vector<std::optional<std::string>>; // nullopt: null
    const std::string abc("abc\0\0\0\0\0\0\x03", 10);
    const struct
    {
        std::string bytes;
        std::vector<Texts> records;
    } cases[] = {
            // NAME V(10) gets the length bit 0, NOTE C(5) nullable the null bit 1.
            {DbfBuilder(0x30,
                        {{"NAME", 'V', 10},
                         {"NOTE", 'C', 5, 0, 0x02},
                         {"_NullFlags", '0', 1, 0, 0x05}},
                        Layout::FoxPro)
                     .record({abc, "x", "\x03"})
                     .record({"full value", "y", std::string(1, '\0')})
                     .bytes(),
             {{"abc", std::nullopt}, {"full value", "y"}}},
            // NAME Q(10) gets the length bit 0, DATA Q(4) binary bit 1, NOTE C(5) nullable bit 2.
            {DbfBuilder(0x03,
                        {{"NAME", 'Q', 10},
                         {"DATA", 'Q', 4, 0, 0x04},
                         {"NOTE", 'C', 5, 0, 0x02},
                         {"_NullFlags", '0', 1, 0, 0x01}})
                     .record({abc, std::string("\x01\x02\0\x02", 4), "x", "\x07"})
                     .record({"full value", "\xAA\xBB\xCC\xDD", "y", std::string(1, '\0')})
                     .bytes(),
             {{"abc", "0102", std::nullopt}, {"full value", "AABBCCDD", "y"}}},
            {DbfBuilder(0x03, {{"NOTE", 'C', 5, 0, 0x02}}).record({"x"}).bytes(), {{"x"}}}};
    for (const auto &c : cases) {
        const dbf::Table table = opened(dbf::Table::fromBytes("n.dbf", c.bytes));
        ASSERT_EQ(table.fieldCount(), c.records[0].size()); // _NullFlags is hidden
        for (size_t record = 0; record < c.records.size(); ++record) {
            for (size_t field = 0; field < table.fieldCount(); ++field) {
                const dbf::FieldText text = table.text(record, field);
                EXPECT_EQ(text.null, !c.records[record][field]) << record << " " << field;
                EXPECT_EQ(text.text, c.records[record][field].value_or(""))
                        << record << " " << field;
            }
        }
    }
}

} // namespace
