// The filter's number and date tests and conversions, as a German user has them.
#include "operations/text_to_number.h"
#include "support/qstring_printer.h"

#include <gtest/gtest.h>

namespace {

TEST(TextToNumber, ReadsTheLeadingNumberWithTheFirstCommaAsPoint)
{
    const std::pair<const char *, double> cases[] = {
            {"1,5", 1.5},  {"1.000", 1}, {"1.000,5", 1}, {" 1 2 ", 12}, {"-2,5", -2.5},
            {"1e3", 1000}, {"DL1", 0},   {"", 0},        {"7 W", 7},    {".5", 0.5},
    };
    for (const auto &[text, number] : cases)
        EXPECT_DOUBLE_EQ(operations::TextToNumber(text), number) << text;
}

TEST(TextToNumber, NumericAndDateTestsOfAGermanUser)
{
    for (const char *numeric : {"5", "-5", "1,5", "1.5", " 12 ", "1E5", "+3", ",5"})
        EXPECT_TRUE(operations::isNumeric(numeric)) << numeric;
    for (const char *other : {"", "DL", "1,5,5", "1.2.3", "--5", "5 W", "05.01.2003"})
        EXPECT_FALSE(operations::isNumeric(other)) << other;
    for (const char *date : {"05.01.2003", "5.1.03", "05.2003", "05/01/2003", "29.02.2004"})
        EXPECT_TRUE(operations::isDate(date)) << date;
    for (const char *other : {"31.02.2003", "2003", "32.01.2003", "13.2003", "05-01-2003", "DL"})
        EXPECT_FALSE(operations::isDate(other)) << other;
}

TEST(TextToNumber, SinglePrecisionTextHasSevenDigitsAndADecimalComma)
{
    EXPECT_EQ(*operations::singleText(1.5), "1,5");
    EXPECT_EQ(*operations::singleText(5), "5");
    EXPECT_EQ(*operations::singleText(-0.25), "-0,25");
    EXPECT_EQ(*operations::singleText(12345678), "1,234568E+07");
    EXPECT_EQ(*operations::singleText(0.0001), "0,0001");
    EXPECT_EQ(*operations::singleText(1.1), "1,1"); // not 1,10000002
    const auto overflow = operations::singleText(1e39);
    ASSERT_FALSE(overflow);
    EXPECT_EQ(overflow.error().number, 6);
}

} // namespace
