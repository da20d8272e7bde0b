// Filter, sort and find on random tables, checked against a plain reference written here:
// display texts in ICU's German collation (ignoring case where case does not count), records
// filtered and sorted one by one.
#include "dbf_builder.h"
#include "recordset/record_set.h"
#include "support/expect_ok.h"
#include "support/german_collation.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <regex>
#include <unicode/ustring.h>

using dbfbuild::DbfBuilder;
using recordset::RecordSet;
using recordset::SearchDirection;

namespace {

// Letters, umlauts (CP850 bytes), digits and signs whose order the collation decides.
const std::vector<std::string> kPieces = {"a", "A",    "\x84", "\x8E", "o",  "O",  "\x94", "\x99",
                                          "u", "\x81", "\x9A", "\xE1", "ss", "b",  "B",    "z",
                                          "Z", " ",    "0",    "9",    "-",  "DL", "dl"};
const std::vector<std::string> kUtf8Pieces = {"a", "A", "ä", "Ä", "o",  "O",  "ö", "Ö",
                                              "u", "ü", "Ü", "ß", "ss", "b",  "B", "z",
                                              "Z", " ", "0", "9", "-",  "DL", "dl"};

// The table's fields, by the number a clause gives them.
const char *const kFields[] = {"NAME", "NUM", "DAT"};

// Unicode case folding, for LIKE: a pattern matches without regard to case.
std::string folded(const std::string &utf8)
{
    UChar in[256], out[768];
    char result[2048];
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(in, 256, &length, utf8.data(), int32_t(utf8.size()), &status);
    const int32_t foldedLength = u_strFoldCase(out, 768, in, length, U_FOLD_CASE_DEFAULT, &status);
    u_strToUTF8(result, sizeof result, &length, out, foldedLength, &status);
    return std::string(result, size_t(length));
}

// One row as the reference sees it: the display texts of the reader.
struct Row
{
    uint32_t record;
    std::string name, number, date; // "12,5", "dd.mm.yyyy"
};

struct Clause
{
    int field; // in kFields: 0 name, 1 number, 2 date
    std::string op;
    std::string literal; // as it goes into the criterion
    std::string value; // text, number or yyyy-mm-dd behind it
};

class Reference
{
public:
    // The rows that match every clause, in the order of the sort field (-1: file order).
    std::vector<Row> select(const std::vector<Row> &rows, const std::vector<Clause> &clauses,
                            int sortField, bool descending) const
    {
        std::vector<Row> selected;
        for (const Row &row : rows) {
            if (std::all_of(clauses.begin(), clauses.end(),
                            [&](const Clause &c) { return matches(row, c); }))
                selected.push_back(row);
        }
        if (sortField >= 0) {
            std::stable_sort(selected.begin(), selected.end(), [&](const Row &a, const Row &b) {
                return descending ? compare(b, a, sortField) < 0 : compare(a, b, sortField) < 0;
            });
        }
        return selected;
    }

    bool matches(const Row &row, const Clause &c) const
    {
        if (c.field == 0) {
            // Trailing blanks do not count, neither in the value nor in the literal.
            const std::string text = row.name;
            std::string literal = c.value;
            while (!literal.empty() && literal.back() == ' ')
                literal.pop_back();
            if (c.op == "LIKE") {
                std::string pattern;
                for (char ch : folded(literal)) {
                    if (ch == '*' || ch == '%')
                        pattern += ".*";
                    else if (std::string("\\^$.|?+()[]{}-").find(ch) != std::string::npos)
                        pattern += std::string("\\") + ch;
                    else
                        pattern += ch;
                }
                return std::regex_match(folded(text), std::regex(pattern));
            }
            return holds(c.op, germanOrder(text, literal, true));
        }
        if (c.field == 1) {
            const std::optional<double> value = numberOf(row.number);
            const double literal = std::stod(c.value);
            return value && holds(c.op, (*value > literal) - (*value < literal));
        }
        return !row.date.empty() && holds(c.op, isoDate(row.date).compare(c.value));
    }

    // <0, 0, >0 in the sort of `field`: empty values first.
    int compare(const Row &a, const Row &b, int field) const
    {
        if (field == 0)
            return germanOrder(a.name, b.name);
        const std::string &x = field == 1 ? a.number : a.date;
        const std::string &y = field == 1 ? b.number : b.date;
        if (x.empty() || y.empty())
            return x.empty() == y.empty() ? 0 : x.empty() ? -1 : 1;
        if (field == 1) {
            const double u = numberOf(x).value_or(0), v = numberOf(y).value_or(0);
            return (u > v) - (u < v);
        }
        return isoDate(x).compare(isoDate(y));
    }

private:
    // A number as shown ("12,5"), or none where the text is no number.
    static std::optional<double> numberOf(std::string text)
    {
        std::replace(text.begin(), text.end(), ',', '.');
        char *end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        return text.empty() || *end ? std::nullopt : std::optional(value);
    }

    // "yyyy-mm-dd" of a date as shown ("dd.mm.yyyy").
    static std::string isoDate(const std::string &shown)
    {
        return shown.substr(6, 4) + "-" + shown.substr(3, 2) + "-" + shown.substr(0, 2);
    }

    static bool holds(const std::string &op, int order)
    {
        return op == "="     ? order == 0
                : op == "<>" ? order != 0
                : op == "<"  ? order < 0
                : op == "<=" ? order <= 0
                : op == ">"  ? order > 0
                             : order >= 0;
    }
};

class Randomized : public ::testing::Test
{
protected:
    std::mt19937 m_random {20261206};

    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }

    // A name of up to four pieces; in a pattern, a wildcard may stand between two of them.
    std::string randomName(bool utf8, bool wildcard = false)
    {
        std::string name;
        const size_t n = pick(5), star = wildcard ? pick(n + 1) : n + 1;
        for (size_t i = 0; i <= n; ++i) {
            if (i == star)
                name += pick(2) ? "*" : "%";
            if (i < n)
                name += (utf8 ? kUtf8Pieces : kPieces)[pick(kPieces.size())];
        }
        return name;
    }

    std::string randomDate()
    {
        char text[16];
        std::snprintf(text, sizeof text, "%04zu%02zu%02zu", 1990 + pick(20), 1 + pick(12),
                      1 + pick(28));
        return text;
    }

    Clause randomClause()
    {
        static const char *ops[] = {"=", "<>", "<", "<=", ">", ">=", "LIKE"};
        Clause c;
        c.field = int(pick(3));
        c.op = ops[pick(c.field == 0 ? 7 : 6)];
        if (c.field == 0) {
            c.value = randomName(true, c.op == "LIKE" && pick(2));
            c.literal = "'" + c.value + "'";
        } else if (c.field == 1) {
            c.value = std::to_string(int(pick(200)) - 50) + (pick(2) ? ".5" : "");
            c.literal = c.value;
            if (pick(2))
                std::replace(c.literal.begin(), c.literal.end(), '.', ',');
        } else {
            const std::string d = randomDate();
            c.value = d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
            c.literal = "#" + d.substr(4, 2) + "-" + d.substr(6, 2) + "-" + d.substr(0, 4) + "#";
        }
        return c;
    }

    // A table of names, numbers and dates, some empty, some records deleted.
    std::string randomTable()
    {
        DbfBuilder builder(0x03, {{"NAME", 'C', 12}, {"NUM", 'N', 6, 1}, {"DAT", 'D', 8}});
        builder.languageDriver(0x02);
        for (size_t i = 0, n = 20 + pick(150); i < n; ++i) {
            const std::string number =
                    pick(8) == 0 ? "" : std::to_string(int(pick(200)) - 50) + (pick(2) ? ".5" : "");
            builder.record({randomName(false), number, pick(8) == 0 ? "" : randomDate()},
                           pick(10) == 0);
        }
        return builder.bytes();
    }

    // No filter, one clause or two, to be joined by AND.
    std::vector<Clause> randomClauses()
    {
        std::vector<Clause> clauses = {randomClause()};
        const size_t shape = pick(5);
        if (shape == 0)
            clauses.clear();
        else if (shape == 1)
            clauses.push_back(randomClause());
        return clauses;
    }

    // A find of one clause from a random match of `expected`, the set's order, with or without
    // a skip, either way.
    void checkRandomFind(RecordSet &set, const Reference &reference,
                         const std::vector<Row> &expected)
    {
        const Clause wanted = randomClause();
        const size_t start = pick(expected.size());
        const int64_t skip = int64_t(pick(2));
        const bool backward = pick(2);
        std::optional<int64_t> found;
        for (int64_t position = int64_t(start) + (backward ? -skip : skip);
             position >= 0 && position < int64_t(expected.size()); position += backward ? -1 : 1) {
            if (reference.matches(expected[size_t(position)], wanted)) {
                found = int64_t(expected[size_t(position)].record) + 1;
                break;
            }
        }
        ASSERT_OK(set.Find(criterionOf(wanted), skip,
                           backward ? SearchDirection::Backward : SearchDirection::Forward,
                           int64_t(expected[start].record) + 1));
        if (found) {
            const auto bookmark = set.Bookmark();
            ASSERT_TRUE(bookmark.ok()) << criterionOf(wanted) << " from " << start << " skip "
                                       << skip << (backward ? " backward" : " forward");
            EXPECT_EQ(*bookmark, *found) << criterionOf(wanted);
        } else {
            EXPECT_TRUE(backward ? *set.AtBOF() : *set.AtEOF()) << criterionOf(wanted);
        }
    }

    static std::string criterionOf(const Clause &c)
    {
        return std::string("[") + kFields[c.field] + "] " + c.op + " " + c.literal;
    }
};

std::vector<int64_t> presentation(RecordSet &set)
{
    std::vector<int64_t> bookmarks;
    EXPECT_OK(set.MoveFirst());
    while (!*set.AtEOF()) {
        bookmarks.push_back(*set.Bookmark());
        EXPECT_OK(set.MoveNext());
    }
    return bookmarks;
}

TEST_F(Randomized, FilterSortAndFindAgreeWithTheReference)
{
    const Reference reference;
    TempDir dir;
    for (int table = 0; table < 50; ++table) {
        const std::string name = "t" + std::to_string(table);
        const std::string path = dir.write(name + ".dbf", randomTable());
        auto opened = RecordSet::Open("database=" + path, "select * from " + name);
        ASSERT_TRUE(opened);
        RecordSet &set = **opened;

        std::vector<Row> rows;
        const dbf::Table &t = set.table();
        for (auto r = t.nextRecord(0); r; r = t.nextRecord(*r + 1))
            rows.push_back(
                    {uint32_t(*r), t.text(*r, 0).text, t.text(*r, 1).text, t.text(*r, 2).text});

        for (int round = 0; round < 60; ++round) {
            const std::vector<Clause> clauses = randomClauses();
            std::string criterion;
            for (const Clause &clause : clauses)
                criterion += (criterion.empty() ? "" : " AND ") + criterionOf(clause);
            const int sortField = int(pick(4)) - 1; // -1: no sort
            const bool descending = pick(2);
            const std::string sort = sortField < 0
                    ? ""
                    : std::string(kFields[sortField]) + (descending ? " DESC" : "");

            const std::vector<Row> expected =
                    reference.select(rows, clauses, sortField, descending);
            std::vector<int64_t> expectedBookmarks;
            for (const Row &row : expected)
                expectedBookmarks.push_back(int64_t(row.record) + 1);

            ASSERT_OK(set.SetSort(sort)) << sort;
            ASSERT_OK(set.SetFilter(criterion)) << criterion;
            ASSERT_EQ(presentation(set), expectedBookmarks) << criterion << " / " << sort;
            if (!expected.empty())
                checkRandomFind(set, reference, expected);
        }
        ASSERT_OK(set.SetFilter(""));
        ASSERT_OK(set.SetSort(""));
    }
}

} // namespace
