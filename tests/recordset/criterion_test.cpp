// Parsing of filter and find criteria: every form the viewer's commands produce.
#include "dbf/calendar.h"
#include "recordset/criterion.h"
#include "support/case_name.h"

#include <gtest/gtest.h>

using recordset::Criterion;
using recordset::Literal;
using recordset::Operator;
using Kind = recordset::Literal::Kind;

namespace {

// `text` parsed as a filter criterion.
recordset::Result<Criterion> parse(const std::string &text)
{
    return recordset::parseCriterion(text, "Filterkriterium");
}

struct ClauseCase
{
    const char *name, *text, *field;
    Operator op;
    Literal::Kind kind;
    const char *value;
};

using Clauses = ::testing::TestWithParam<ClauseCase>;

TEST_P(Clauses, AreParsed)
{
    const ClauseCase &c = GetParam();
    const auto criterion = parse(c.text);
    ASSERT_TRUE(criterion) << criterion.error().description;
    ASSERT_EQ(criterion->kind, Criterion::Kind::Clause);
    EXPECT_EQ(criterion->clause.field, c.field);
    EXPECT_EQ(criterion->clause.op, c.op);
    EXPECT_EQ(criterion->clause.value.kind, c.kind);
    EXPECT_EQ(criterion->clause.value.text, c.value);
}

using enum Operator;
using enum recordset::Literal::Kind;
const std::vector<ClauseCase> kClauses = {
        {"TextWithTwoBlanks", "[CALL] =  'DL'", "CALL", Equal, Text, "DL"},
        {"Like", "[CALL] LIKE 'DL*'", "CALL", Like, Text, "DL*"},
        {"LikeLowerCase", "[CALL] like 'dl*'", "CALL", Like, Text, "dl*"},
        {"Number", "[NOF_SSB] >= 5", "NOF_SSB", GreaterOrEqual, Number, "5"},
        {"NumberTwoBlanks", "[NOF_SSB] >=  5", "NOF_SSB", GreaterOrEqual, Number, "5"},
        {"DecimalComma", "[NOF_SSB] = 1,5", "NOF_SSB", Equal, Number, "1,5"},
        {"NumberOnTextField", "[LOCATOR] = 12", "LOCATOR", Equal, Number, "12"},
        {"Date", "[UP_DATE] >  #01-05-2003#", "UP_DATE", Greater, Date, "01-05-2003"},
        {"Year", "[UP_DATE] =  #01-01-2003#", "UP_DATE", Equal, Date, "01-01-2003"},
        {"SlashedDate", "[UP_DATE] <= #12/31/1999#", "UP_DATE", LessOrEqual, Date, "12/31/1999"},
        {"NotEqualFirstField", "[CALL] <> '0'", "CALL", NotEqual, Text, "0"},
        {"WithoutBrackets", "CALL<'M'", "CALL", Less, Text, "M"},
        {"DoubledApostrophe", "[VORNAME] = 'O''Brien'", "VORNAME", Equal, Text, "O'Brien"},
        {"Umlauts", "[VORNAME] LIKE 'J*rg'", "VORNAME", Like, Text, "J*rg"}};

INSTANTIATE_TEST_SUITE_P(RecordSet, Clauses, ::testing::ValuesIn(kClauses), CaseName());

// Dates are month first and checked as days; a time after the date counts from midnight of that
// day, in whole seconds, as date-time fields hold it.
TEST(Criteria, DatesAreMonthFirstAndMayCarryATimeOfDay)
{
    int32_t fifth = 0, epoch = -1;
    ASSERT_TRUE(dbf::daysSinceEpoch(2003, 1, 5, fifth));
    EXPECT_TRUE(dbf::daysSinceEpoch(1970, 1, 1, epoch));
    EXPECT_EQ(epoch, 0);
    EXPECT_FALSE(dbf::daysSinceEpoch(2003, 2, 29, epoch));
    for (const auto &[text, date] : std::vector<std::pair<const char *, double>> {
                 {"[UP_DATE] = #01-05-2003#", fifth},
                 {"[UP_DATE] >  #01-05-2003 12:00#", fifth + 43200 / 86400.0},
                 {"[UP_DATE] > #1/5/2003  7:05:09#", fifth + 25509 / 86400.0},
                 {"[UP_DATE] > #01-05-03 23:59:59#", fifth + 86399 / 86400.0},
                 {"[UP_DATE] > #01-05-2003 0:00#", fifth}}) {
        const auto criterion = parse(text);
        ASSERT_TRUE(criterion) << criterion.error().description;
        EXPECT_EQ(criterion->clause.value.kind, Kind::Date) << text;
        EXPECT_EQ(criterion->clause.value.date, date) << text;
    }
}

TEST(Criteria, GermanDatesReadDayFirstWithATime)
{
    int32_t fifth = 0;
    ASSERT_TRUE(dbf::daysSinceEpoch(2003, 1, 5, fifth));
    EXPECT_EQ(recordset::germanDate("05.01.2003"), fifth);
    EXPECT_EQ(recordset::germanDate("5.1.03 12:00"), fifth + 0.5);
    EXPECT_EQ(recordset::germanDate(" 05.01.2003   12:00:30 "), fifth + 43230 / 86400.0);
    for (const char *noDate : {"", "gestern", "2003", "01.2003", "05/01/2003", "30.02.2003",
                               "05.01.2003 24:00", "05.01.2003 12", "05.01.2003 12:60",
                               "05.01.2003 12:00:00:00", "05.01.2003 mittags", "-5.1.2003"})
        EXPECT_FALSE(recordset::germanDate(noDate)) << noDate;
}

TEST(Criteria, AndBindsCloserThanOrAndParenthesesGroup)
{
    const auto c = parse("[A] = 'x' OR [B] = 1 AND [C] LIKE 'y*'");
    ASSERT_TRUE(c);
    ASSERT_EQ(c->kind, Criterion::Kind::Or);
    ASSERT_EQ(c->children.size(), 2u);
    EXPECT_EQ(c->children[1].kind, Criterion::Kind::And);

    const auto grouped = parse("([A] = 'x' or [B] = 1) and [C] = 'z'");
    ASSERT_TRUE(grouped);
    ASSERT_EQ(grouped->kind, Criterion::Kind::And);
    EXPECT_EQ(grouped->children[0].kind, Criterion::Kind::Or);
}

struct RejectedCase
{
    const char *name, *text, *place;
};

using Rejected = ::testing::TestWithParam<RejectedCase>;

TEST_P(Rejected, WithNumberQuoteAndPlace)
{
    const auto criterion = parse(GetParam().text);
    ASSERT_FALSE(criterion);
    EXPECT_EQ(criterion.error().number, recordset::kInvalidArgument);
    const std::string &description = criterion.error().description;
    EXPECT_NE(description.find(std::string("Filterkriterium »") + GetParam().text + "«"),
              std::string::npos)
            << description;
    EXPECT_NE(description.find(GetParam().place), std::string::npos) << description;
}

const std::vector<RejectedCase> kRejected = {
        {"NoOperator", "[CALL] D 'L'", "an Stelle 8 wird ein Vergleichsoperator"},
        {"EmptyDate", "[UP_DATE] =  #--#", "#--#"},
        {"NoDay", "[UP_DATE] = #02-30-2003#", "kein Datum"},
        {"HourOnly", "[UP_DATE] = #01-05-2003 12#", "kein Datum"},
        {"NoHour24", "[UP_DATE] = #01-05-2003 24:00#", "kein Datum"},
        {"TimeFirst", "[UP_DATE] = #12:00 01-05-2003#", "kein Datum"},
        {"OpenText", "[CALL] = 'DL", "schließende Hochkomma"},
        {"StrayApostrophe", "[CALL] = 'O'Brien'", "folgt noch »Brien'«"},
        {"SignWithBlank", "[NOF_SSB] =- 5", "an Stelle 12"},
        {"NoValue", "[CALL] =", "fehlt der Vergleichswert"},
        {"OpenParenthesis", "([CALL] = 'x'", "schließende Klammer"},
        {"OpenBracket", "[CALL = 'x'", "eckige Klammer"}};

INSTANTIATE_TEST_SUITE_P(RecordSet, Rejected, ::testing::ValuesIn(kRejected), CaseName());

// Texts typed into a dialog may be anything: long texts give short messages, deep nesting an
// error instead of running out of stack.
TEST(Criteria, HostileTextsGiveShortMessages)
{
    const auto open = parse("[CALL] = '" + std::string(1 << 20, 'x'));
    ASSERT_FALSE(open);
    EXPECT_LT(open.error().description.size(), 400u);
    EXPECT_NE(open.error().description.find("»[CALL] = 'xxx"), std::string::npos);
    EXPECT_NE(open.error().description.find("…«"), std::string::npos);

    const std::string nested = std::string(1 << 20, '(') + "[CALL] = 'x'";
    const auto deep = recordset::parseCriterion(nested, "Suchkriterium");
    ASSERT_FALSE(deep);
    EXPECT_NE(deep.error().description.find("mehr als 100 Klammern"), std::string::npos);

    EXPECT_TRUE(parse(std::string(100, '(') + "[CALL] = 'x'" + std::string(100, ')')));

    // Cut after whole characters, not inside an umlaut.
    std::string umlauts;
    for (int i = 0; i < 100; ++i)
        umlauts += "ü";
    const auto cut = parse(umlauts);
    ASSERT_FALSE(cut);
    EXPECT_NE(cut.error().description.find("»" + umlauts.substr(0, 120) + "…«"), std::string::npos)
            << cut.error().description;
}

} // namespace
