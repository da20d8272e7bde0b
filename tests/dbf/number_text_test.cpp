// The one rule of number texts: which texts are numbers and what they are worth.
#include "dbf/number_text.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(NumberText, ReadsTheFormsNumberFieldsHold)
{
    for (const auto &[text, expected] :
         std::vector<std::pair<const char *, double>> {{"12", 12},
                                                       {"-0.5", -0.5},
                                                       {"+007.50", 7.5},
                                                       {"1,5", 1.5},
                                                       {".5", 0.5},
                                                       {"5.", 5},
                                                       {"1e3", 1000},
                                                       {"1.166785e+001", 11.66785},
                                                       {"2E-2", 0.02}}) {
        double value = 0;
        EXPECT_TRUE(dbf::isNumberText(text)) << text;
        ASSERT_TRUE(dbf::readNumber(text, value)) << text;
        EXPECT_DOUBLE_EQ(value, expected) << text;
    }
}

TEST(NumberText, WhatIsNoNumberLeavesTheValueAlone)
{
    for (const char *text : {"", "inf", "-inf", "nan", "+-5", "0x10", "1e", "1.2.3", "1,5,3", ".",
                             " 5", "5 ", "e5", "**", "1e3x"}) {
        double value = 42;
        EXPECT_FALSE(dbf::isNumberText(text)) << text;
        EXPECT_FALSE(dbf::readNumber(text, value)) << text;
        EXPECT_EQ(value, 42) << text;
    }
}

TEST(NumberText, BeyondADoubleIsInfinityOrZero)
{
    const double infinity = std::numeric_limits<double>::infinity();
    for (const auto &[text, expected] : std::vector<std::pair<std::string, double>> {
                 {"1e999", infinity},
                 {"-1e999", -infinity},
                 {"1" + std::string(400, '0'), infinity},
                 {"1e-999", 0},
                 {"0." + std::string(400, '0') + "1", 0},
                 {"1" + std::string(400, '0') + "e-50", infinity},
                 {"1e99999999999999999999", infinity},
                 {"-1e-99999999999999999999", -0.0}}) {
        double value = 42;
        ASSERT_TRUE(dbf::readNumber(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
        EXPECT_EQ(std::signbit(value), std::signbit(expected)) << text;
    }
}

} // namespace
