// Sorts of columns with few distinct values (each value collated once, records sorted by its
// rank) and of columns with nearly all values distinct (a key per record), checked against a
// reference written here: the display texts stably sorted with ICU's German collation.
#include "dbf_builder.h"
#include "recordset/record_set.h"
#include "support/expect_ok.h"
#include "support/german_collation.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using dbfbuild::DbfBuilder;
using recordset::RecordSet;

namespace {

// Enough records that each half of the table brings thousands of distinct values to MANY.
constexpr size_t kRecords = 12000;

// Names whose order the collation decides: umlauts, ß, case, trailing NULs against blanks, and a
// DEL (a soft hyphen in UTF-8) that the collation ignores: different bytes, equal rank.
// clang-format off
const std::vector<std::string> kCp850Names = {
        "J\x81rgen", "Jurgen", "JURGEN", "\x8Erger", "Arger", "arger", "Stra\xE1" "e", "Strasse",
        "", " ", "Zoe", "zoe", "\x99mer", "Omer", "Bj\x94rn", "Bj\x7F\x94rn", "Bjorn",
        std::string("Bj\x94rn\0\0", 7), "0", "9", "-", "DL", "dl"};
const std::vector<std::string> kUtf8Names = {
        "Jürgen", "Jurgen", "JURGEN", "Ärger", "Arger", "arger", "Straße", "Strasse",
        "", " ", "Zoe", "zoe", "Ömer", "Omer", "Björn", "Bj\u00ADörn", "Bjorn",
        std::string("Björn\0\0", 8), "0", "9", "-", "DL", "dl"};
// clang-format on

// A call-like text, nearly unique among thousands; the umlaut gives some a collation of its own.
std::string uniqueText(std::mt19937 &random, bool utf8)
{
    static const std::string letters =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string text;
    for (int i = 0; i < 7; ++i)
        text += letters[std::uniform_int_distribution<size_t>(0, letters.size() - 1)(random)];
    if (random() % 8 == 0)
        text.insert(2, utf8 ? "ö" : "\x94");
    return text;
}

// FEW holds a few names, MANY nearly unique texts, MIXED unique texts in the first half of the
// table and a few names in the second; NUM a few numbers. One record in 16 is deleted.
std::string table(bool utf8)
{
    const std::vector<std::string> &names = utf8 ? kUtf8Names : kCp850Names;
    std::mt19937 random(20261207);
    const auto name = [&] {
        return names[std::uniform_int_distribution<size_t>(0, names.size() - 1)(random)];
    };
    DbfBuilder builder(0x03,
                       {{"FEW", 'C', 12}, {"MANY", 'C', 12}, {"MIXED", 'C', 12}, {"NUM", 'N', 3}});
    builder.languageDriver(utf8 ? 0x00 : 0x02);
    for (size_t i = 0; i < kRecords; ++i) {
        const std::string few = name(), many = uniqueText(random, utf8);
        const std::string mixed = i < kRecords / 2 ? uniqueText(random, utf8) : name();
        builder.record({few, many, mixed, std::to_string(random() % 5)}, random() % 16 == 0);
    }
    return builder.bytes();
}

struct Row
{
    int64_t bookmark;
    std::vector<std::string> texts; // FEW, MANY, MIXED, NUM as displayed
};

std::vector<int64_t> bookmarksOf(const std::vector<Row> &rows)
{
    std::vector<int64_t> bookmarks;
    for (const Row &row : rows)
        bookmarks.push_back(row.bookmark);
    return bookmarks;
}

class SortValues : public ::testing::TestWithParam<bool>
{
protected:
    std::shared_ptr<RecordSet> open(const std::string &query)
    {
        const bool utf8 = GetParam();
        auto set = RecordSet::Open("database=" + m_dir.write("t.dbf", table(utf8)), query,
                                   {.encoding = utf8 ? "UTF-8" : ""});
        EXPECT_TRUE(set) << set.error().description;
        return *set;
    }

    // The set's records in its order, with their texts.
    static std::vector<Row> rows(RecordSet &set)
    {
        std::vector<Row> rows;
        EXPECT_OK(set.MoveFirst());
        while (!*set.AtEOF()) {
            Row row {*set.Bookmark(), {}};
            for (size_t field = 0; field < 4; ++field)
                row.texts.push_back(*set.FieldText(field));
            rows.push_back(row);
            EXPECT_OK(set.MoveNext());
        }
        return rows;
    }

    // `rows` stably sorted by fields (index, descending): texts collated, numbers by value.
    static std::vector<int64_t> reference(std::vector<Row> rows,
                                          const std::vector<std::pair<size_t, bool>> &fields)
    {
        const auto compare = [&](const Row &a, const Row &b, size_t field) {
            const std::string &x = a.texts[field], &y = b.texts[field];
            return field == 3 ? std::stoi(x) - std::stoi(y) : germanOrder(x, y);
        };
        std::stable_sort(rows.begin(), rows.end(), [&](const Row &a, const Row &b) {
            for (const auto &[field, descending] : fields) {
                if (const int order = compare(a, b, field))
                    return descending ? order > 0 : order < 0;
            }
            return false;
        });
        return bookmarksOf(rows);
    }

    TempDir m_dir;
};

// Each sort with the fields it names (index, descending).
const std::vector<std::pair<std::string, std::vector<std::pair<size_t, bool>>>> kSorts = {
        {"FEW", {{0, false}}},
        {"FEW DESC", {{0, true}}},
        {"MANY", {{1, false}}},
        {"MANY DESC", {{1, true}}},
        {"MIXED", {{2, false}}},
        {"MIXED DESC", {{2, true}}},
        {"FEW, MANY DESC", {{0, false}, {1, true}}},
        {"MANY, FEW", {{1, false}, {0, false}}},
        {"NUM DESC, FEW, MIXED", {{3, true}, {0, false}, {2, false}}}};

TEST_P(SortValues, FewAndManyValuesSortAsTheReferenceInFileOrder)
{
    auto set = open("select * from t");
    const std::vector<Row> inFileOrder = rows(*set);
    ASSERT_GT(inFileOrder.size(), kRecords * 9 / 10);
    for (const auto &[sort, fields] : kSorts) {
        ASSERT_OK(set->SetSort(sort));
        EXPECT_EQ(bookmarksOf(rows(*set)), reference(inFileOrder, fields)) << sort;
    }
}

// The query's order sorts as the reference; sorted within it, equal values keep that order.
TEST_P(SortValues, FewAndManyValuesSortAsTheReferenceWithinTheQueryOrder)
{
    const std::vector<Row> inFileOrder = rows(*open("select * from t"));
    for (const auto &[orderBy, fields] : {kSorts[2], kSorts[1]}) { // MANY, FEW DESC
        auto set = open("select * from t Order by " + orderBy);
        const std::vector<Row> inQueryOrder = rows(*set);
        EXPECT_EQ(bookmarksOf(inQueryOrder), reference(inFileOrder, fields)) << orderBy;
        for (const auto &[sort, keys] : kSorts) {
            ASSERT_OK(set->SetSort(sort));
            EXPECT_EQ(bookmarksOf(rows(*set)), reference(inQueryOrder, keys))
                    << orderBy << " / " << sort;
        }
    }
}

// CP850 sorts by keys built byte by byte, UTF-8 by ICU's sort keys.
INSTANTIATE_TEST_SUITE_P(Encodings, SortValues, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &param) {
                             return param.param ? "Utf8" : "Cp850";
                         });

} // namespace
