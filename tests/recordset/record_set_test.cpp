// The record set through its public interface: opening, moving, filter, sort, find, bookmarks.
#include "dbf_builder.h"
#include "recordset/query.h"
#include "recordset/record_set.h"
#include "support/expect_ok.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

using dbfbuild::DbfBuilder;
using recordset::RecordSet;
using recordset::SearchDirection;
using enum recordset::ErrorNumber;

namespace {

// Eight stations in CP850, the fourth deleted; the seventh has "0" as its call.
std::string stations()
{
    return DbfBuilder(0x03,
                      {{"CALL", 'C', 10},
                       {"VORNAME", 'C', 20},
                       {"NOF_SSB", 'N', 5, 1},
                       {"UP_DATE", 'D', 8}})
            .languageDriver(0x02)
            .record({"DL1ABC", "J\x81rgen", "12", "20030105"})
            .record({"dk2xy", "Bj\x94rn", "5", "19991231"})
            .record({"OE3JOE", "\x8Erger", "", "20030101"})
            .record({"DL9ZZ", "Gel\x94scht", "1", "20000101"}, true)
            .record({"9A1AA", "\x99mer", "1.5", ""})
            .record({"DL1ABC", "Zoe", "7", "20050601"})
            .record({"0", "Null", "0", "19850101"})
            .record({"HB9XYZ", "andr\x82", "", "20030106"})
            .bytes();
}

class RecordSetTest : public ::testing::Test
{
protected:
    using Texts = std::vector<std::string>;

    void SetUp() override { m_path = m_dir.write("Funk Liste.dbf", stations()); }

    std::shared_ptr<RecordSet> open(const std::string &query = "select * from Funk Liste",
                                    const std::string &path = {})
    {
        auto set =
                RecordSet::Open("Provider=MSDASQL;Mode=Read;uid=;database="
                                        + recordset::connectionValue(path.empty() ? m_path : path),
                                query);
        if (!set) // GoogleTest reports the exception as this test's failure
            throw std::runtime_error(set.error().description);
        (*set)->setMoveHandler([this] { ++m_moves; });
        return *set;
    }

    // Writes `bytes` as the table `name` and opens it whole, in file order.
    std::shared_ptr<RecordSet> openTable(const std::string &name, const std::string &bytes)
    {
        return open("select * from " + name, m_dir.write(name + ".dbf", bytes));
    }

    // The values of `field` in the current presentation, from the first record on.
    static Texts column(RecordSet &set, size_t field = 0)
    {
        Texts values;
        EXPECT_OK(set.MoveFirst());
        while (!*set.AtEOF()) {
            values.push_back(*set.FieldText(field));
            EXPECT_OK(set.MoveNext());
        }
        return values;
    }

    // A filter criterion or a sort, and the texts of the field checked in the presentation.
    using Case = std::pair<std::string, Texts>;
    enum Change { kFilter, kSort };

    // Each filter or sort in turn, kept, leaves the records whose `field` reads as its case lists.
    static void expectEach(RecordSet &set, Change change, const std::vector<Case> &cases,
                           size_t field = 0)
    {
        for (const auto &[text, texts] : cases) {
            ASSERT_OK(change == kSort ? set.SetSort(text) : set.SetFilter(text)) << text;
            EXPECT_EQ(change == kSort ? set.Sort() : set.Filter(), text);
            EXPECT_EQ(*set.RecordCount(), static_cast<int64_t>(texts.size())) << text;
            EXPECT_EQ(column(set, field), texts) << text;
        }
    }

    // The number of the error `outcome` failed with; 0 where it succeeded.
    template<typename Outcome>
    static int32_t refusal(const Outcome &outcome)
    {
        return outcome.ok() ? 0 : outcome.error().number;
    }

    // `outcome` is refused with `number`, its description quoting `part`.
    template<typename Outcome>
    static void expectRefused(const Outcome &outcome, const std::string &part,
                              int32_t number = kInvalidArgument)
    {
        ASSERT_EQ(refusal(outcome), number) << part;
        EXPECT_NE(outcome.error().description.find(part), std::string::npos)
                << outcome.error().description;
    }

    TempDir m_dir;
    std::string m_path;
    int m_moves = 0;
};

TEST_F(RecordSetTest, OpensInFileOrderWithoutDeletedRecords)
{
    auto set = open();
    EXPECT_EQ(*set->AbsolutePosition(), 1);
    EXPECT_EQ(*set->FieldText(1), "Jürgen");
    EXPECT_EQ(*set->RecordCount(), 7);
    EXPECT_EQ(column(*set),
              (Texts {"DL1ABC", "dk2xy", "OE3JOE", "9A1AA", "DL1ABC", "0", "HB9XYZ"}));
    EXPECT_EQ(*set->FieldName(3), "UP_DATE");
}

TEST_F(RecordSetTest, QueryOrdersGermanAndStableAndPicksColumns)
{
    auto set = open("select * from FUNK LISTE Order by CALL");
    EXPECT_EQ(column(*set),
              (Texts {"0", "9A1AA", "dk2xy", "DL1ABC", "DL1ABC", "HB9XYZ", "OE3JOE"}));
    column(*set, 1); // the two DL1ABC keep their file order
    ASSERT_OK(set->SetAbsolutePosition(4));
    EXPECT_EQ(*set->FieldText(1), "Jürgen");

    auto descending = open("select * from Funk Liste order by VORNAME desc");
    EXPECT_EQ(column(*descending, 1),
              (Texts {"Zoe", "Ömer", "Null", "Jürgen", "Björn", "Ärger", "andré"}));

    // A column query picks and orders the columns.
    auto columns = open("select UP_DATE,CALL from Funk Liste Order by CALL");
    EXPECT_EQ(*columns->FieldCount(), 2u);
    EXPECT_EQ(*columns->FieldName(0), "UP_DATE");
    EXPECT_EQ(*columns->FieldText(0), "01.01.1985");
    EXPECT_EQ(refusal(columns->FieldName(2)), kItemNotFound);
}

// A table opens from any folder and under any file name a Linux file system allows.
TEST_F(RecordSetTest, OddPathsOpen)
{
    for (const std::string folder : {"DL;OE", "a=b", "{x}}", " vorn", "\"zitiert\" 'so'"}) {
        std::filesystem::create_directory(m_dir.file(folder));
        for (const std::string name : {"Funk;Liste", " Funk Liste"}) {
            const std::string path = m_dir.write(folder + "/" + name + ".dbf", stations());
            EXPECT_EQ(*open("select * from " + name + " Order by CALL", path)->RecordCount(), 7)
                    << path;
        }
    }
}

TEST_F(RecordSetTest, OpenFailuresCarryTheirNumbers)
{
    // A query, a part of its description, its number and that of the error behind it.
    for (const auto &[query, names, number] :
         std::vector<std::tuple<const char *, const char *, int32_t>> {
                 {"select * from Andere", "Andere", kTableNotFound},
                 // The empty name is the table of ".dbf" only.
                 {"select * from ", "Die Tabelle »« gibt es", kTableNotFound},
                 {"select CALL,RUFNAME from Funk Liste", "RUFNAME", kErrorsInCommand},
                 {"select * from Funk Liste order by QTH", "QTH", kErrorsInCommand},
                 {"zeige alles", "zeige alles", kErrorsInCommand}}) {
        const auto set = RecordSet::Open("database=" + m_path, query);
        ASSERT_FALSE(set) << query;
        expectRefused(set, names, number);
        EXPECT_EQ(set.error().origin().number, number) << query;
    }
    const auto missing =
            RecordSet::Open("database=" + m_dir.file("fehlt.dbf"), "select * from fehlt");
    ASSERT_FALSE(missing);
    expectRefused(missing, "fehlt.dbf", kTableNotFound);
    EXPECT_EQ(missing.error().origin().number, dbf::ErrorCode::FileNotFound);
    EXPECT_EQ(kTableNotFound, -2147217865);
}

TEST_F(RecordSetTest, MovesReachBofAndEofAndNotify)
{
    auto set = open();
    ASSERT_OK(set->MovePrevious());
    EXPECT_TRUE(*set->AtBOF());
    EXPECT_EQ(*set->AbsolutePosition(), recordset::kPositionBOF);
    EXPECT_EQ(refusal(set->MovePrevious()), kNoCurrentRecord);
    EXPECT_EQ(refusal(set->Bookmark()), kNoCurrentRecord);
    EXPECT_EQ(refusal(set->FieldText(0)), kNoCurrentRecord);
    ASSERT_OK(set->MoveNext());
    EXPECT_EQ(*set->AbsolutePosition(), 1);

    ASSERT_OK(set->MoveLast());
    EXPECT_EQ(*set->AbsolutePosition(), 7);
    ASSERT_OK(set->MoveNext());
    EXPECT_TRUE(*set->AtEOF());
    EXPECT_EQ(*set->AbsolutePosition(), recordset::kPositionEOF);
    EXPECT_EQ(refusal(set->MoveNext()), kNoCurrentRecord);
    ASSERT_OK(set->MovePrevious());
    EXPECT_EQ(*set->FieldText(0), "HB9XYZ");
    EXPECT_EQ(m_moves, 5);

    EXPECT_EQ(refusal(set->SetAbsolutePosition(8)), kInvalidArgument);
    ASSERT_OK(set->SetAbsolutePosition(3));
    EXPECT_EQ(*set->FieldText(0), "OE3JOE");

    // An empty result stands at BOF and EOF at once.
    ASSERT_OK(set->SetFilter("[CALL] = 'niemand'"));
    EXPECT_TRUE(*set->AtBOF());
    EXPECT_TRUE(*set->AtEOF());
    EXPECT_EQ(*set->AbsolutePosition(), recordset::kPositionUnknown);
    EXPECT_OK(set->MoveFirst());
    EXPECT_OK(set->MoveLast());
    EXPECT_TRUE(*set->AtEOF());
}

TEST_F(RecordSetTest, ClosedSetRefusesEverything)
{
    auto set = open();
    ASSERT_OK(set->Close());
    EXPECT_EQ(refusal(set->Close()), kObjectClosed);
    EXPECT_EQ(refusal(set->RecordCount()), kObjectClosed);
    EXPECT_EQ(refusal(set->MoveFirst()), kObjectClosed);
    EXPECT_EQ(refusal(set->SetFilter("")), kObjectClosed);
    EXPECT_EQ(refusal(set->FieldName(0)), kObjectClosed);
}

TEST_F(RecordSetTest, FiltersCompareTextNumbersAndDates)
{
    expectEach(*open(), kFilter,
               {{"[CALL] =  'DL1ABC'", {"DL1ABC", "DL1ABC"}},
                {"[CALL] = 'dl1abc   '", {"DL1ABC", "DL1ABC"}},
                {"[CALL] LIKE 'DL*'", {"DL1ABC", "DL1ABC"}},
                {"[CALL] LIKE 'd%'", {"DL1ABC", "dk2xy", "DL1ABC"}},
                {"[CALL] LIKE '*9*'", {"9A1AA", "HB9XYZ"}},
                {"[VORNAME] LIKE 'j*RGEN'", {"DL1ABC"}},
                {"[VORNAME] = 'ÄRGER'", {"OE3JOE"}},
                {"[VORNAME] < 'B'", {"OE3JOE", "HB9XYZ"}},
                {"[NOF_SSB] >= 5", {"DL1ABC", "dk2xy", "DL1ABC"}},
                {"[NOF_SSB] = 1,5", {"9A1AA"}},
                {"[NOF_SSB] < 1.5", {"0"}},
                {"[CALL] = 0", {"0"}},
                {"[UP_DATE] >  #01-05-2003#", {"DL1ABC", "HB9XYZ"}},
                {"[UP_DATE] =  #01-01-2003#", {"OE3JOE"}},
                {"[UP_DATE] < #1/1/90#", {"0"}},
                {"[CALL] <> '0'", {"DL1ABC", "dk2xy", "OE3JOE", "9A1AA", "DL1ABC", "HB9XYZ"}},
                {"[CALL] LIKE 'DL*' AND [NOF_SSB] < 10 OR [CALL] = 'dk2xy'", {"dk2xy", "DL1ABC"}},
                {"[CALL] LIKE 'DL*' AND ([NOF_SSB] < 10 OR [VORNAME] LIKE 'J*')",
                 {"DL1ABC", "DL1ABC"}},
                {"[CALL] = 'XX9XX'", {}}});
}

// A rejected filter leaves the one in force; text that is no date is refused on a date field.
TEST_F(RecordSetTest, RejectedFilterKeepsTheOneInForce)
{
    auto set = open();
    ASSERT_OK(set->SetFilter("[UP_DATE] LIKE '*.2003'")); // LIKE matches the text shown
    EXPECT_EQ(*set->RecordCount(), 3);
    for (const char *bad :
         {"[CALL] D 'L'", "[UP_DATE] =  #--#", "[QTH] = 'x'", "[CALL] > #01-01-2000#"})
        expectRefused(set->SetFilter(bad), bad);
    for (const char *bad : {"[UP_DATE] > '05.01.2003 25:00'", "[UP_DATE] = 'gestern'",
                            "[UP_DATE] = ''", "[UP_DATE] < '2003'", "[UP_DATE] = '01/05/2003'"}) {
        expectRefused(set->SetFilter(bad), "ist ein Datumsfeld");
        EXPECT_EQ(refusal(set->Find(bad, 0, SearchDirection::Forward)), kInvalidArgument) << bad;
    }
    EXPECT_EQ(set->Filter(), "[UP_DATE] LIKE '*.2003'");
    EXPECT_EQ(*set->RecordCount(), 3);
    ASSERT_OK(set->SetFilter(""));
    EXPECT_EQ(*set->RecordCount(), 7);
}

// A date field compares with a date-time as date and time, a date being midnight of its day; a
// German date in apostrophes is read as that date, never compared as the text shown.
TEST_F(RecordSetTest, DateFieldsCompareWithDateTimes)
{
    expectEach(*open(), kFilter,
               {{"[UP_DATE] >  #01-05-2003 12:00#", {"Zoe", "andré"}},
                {"[UP_DATE] >= #01-05-2003 0:00#", {"Jürgen", "Zoe", "andré"}},
                {"[UP_DATE] =  #01-05-2003 12:00#", {}},
                {"[UP_DATE] =  #01-05-2003 00:00#", {"Jürgen"}},
                {"[UP_DATE] >  '05.01.2003 12:00'", {"Zoe", "andré"}},
                {"[UP_DATE] < '05.01.2003 12:00'", {"Jürgen", "Björn", "Ärger", "Null"}},
                {"[UP_DATE] = '05.01.2003'", {"Jürgen"}},
                {"[UP_DATE] <= '1.1.03'", {"Björn", "Ärger", "Null"}},
                {"[UP_DATE] > '31.12.1999 23:59:59' AND [UP_DATE] < '06.01.2003'",
                 {"Jürgen", "Ärger"}}},
               1);
}

// Date-time fields (Visual FoxPro's T: Julian day and milliseconds) compare to the second.
TEST_F(RecordSetTest, DateTimeFieldsCompareToTheSecond)
{
    using dbfbuild::littleEndian32;
    const uint32_t fifthOfJanuary2003 = 2452645; // Julian day number
    DbfBuilder zeiten(0x30, {{"CALL", 'C', 6}, {"ZEIT", 'T', 8}});
    for (uint32_t second = 0; second < 3; ++second) // A, B, C: 11:59:59, 12:00:00, 12:00:01
        zeiten.record(
                {std::string(1, static_cast<char>('A' + second)),
                 littleEndian32(fifthOfJanuary2003) + littleEndian32((43199 + second) * 1000)});
    expectEach(*openTable("zeiten", zeiten.bytes()), kFilter,
               {{"[ZEIT] > '05.01.2003 12:00'", {"C"}},
                {"[ZEIT] < '05.01.2003 12:00'", {"A"}},
                {"[ZEIT] = #01-05-2003 12:00#", {"B"}},
                {"[ZEIT] >= #1/5/2003 12:00:00#", {"B", "C"}},
                {"[ZEIT] = '05.01.2003'", {"A", "B", "C"}},
                {"[ZEIT] <> '5.1.2003 11:59:59'", {"B", "C"}}});
}

TEST_F(RecordSetTest, SortKeepsFilterAndFilterKeepsSort)
{
    auto set = open();
    expectEach(*set, kSort, // empty values first
               {{"UP_DATE", {"9A1AA", "0", "dk2xy", "OE3JOE", "DL1ABC", "HB9XYZ", "DL1ABC"}},
                {"NOF_SSB DESC", {"DL1ABC", "DL1ABC", "dk2xy", "9A1AA", "0", "OE3JOE", "HB9XYZ"}}});
    expectEach(*set, kFilter,
               {{"[UP_DATE] > #01-01-2000#", {"DL1ABC", "DL1ABC", "OE3JOE", "HB9XYZ"}}});
    EXPECT_EQ(set->Sort(), "NOF_SSB DESC");
    expectEach(*set, kSort, {{"UP_DATE", {"OE3JOE", "DL1ABC", "HB9XYZ", "DL1ABC"}}});
    expectEach(*set, kSort, {{"VORNAME, CALL", {"andré", "Ärger", "Jürgen", "Zoe"}}}, 1);
    EXPECT_EQ(refusal(set->SetSort("QTH")), kInvalidArgument);
    EXPECT_EQ(refusal(set->SetSort("CALL hoch")), kInvalidArgument);
    EXPECT_EQ(set->Sort(), "VORNAME, CALL");
    expectEach(*set, kSort, {{"", {"DL1ABC", "OE3JOE", "DL1ABC", "HB9XYZ"}}});
    EXPECT_EQ(set->Filter(), "[UP_DATE] > #01-01-2000#");
}

// Harbour's binary types sort by their values, not by their texts: a double of 8 bytes and a
// scaled integer as numbers, a SIx variant of 3 bytes as a date.
TEST_F(RecordSetTest, HarbourTypesSortByValue)
{
    using dbfbuild::doubleBytes, dbfbuild::littleEndian32;
    auto packedDate = [](uint32_t year, uint32_t month, uint32_t day) { // 3 bytes, big-endian
        const std::string bytes = littleEndian32(year << 9 | month << 5 | day);
        return std::string {bytes[2], bytes[1], bytes[0]};
    };
    auto set = openTable(
            "harbour",
            DbfBuilder(0x03,
                       {{"CALL", 'C', 6}, {"WATT", 'B', 8}, {"QRG", 'I', 4, 2}, {"SEIT", 'V', 3}})
                    .record({"A", doubleBytes(100), littleEndian32(710000),
                             packedDate(2015, 6, 17)})
                    .record({"B", doubleBytes(5.5), littleEndian32(1420000),
                             packedDate(2020, 12, 1)})
                    .record({"C", doubleBytes(20), littleEndian32(350000), packedDate(2019, 1, 5)})
                    .bytes());
    expectEach(*set, kSort,
               {{"WATT", {"B", "C", "A"}}, {"QRG", {"C", "A", "B"}}, {"SEIT", {"A", "C", "B"}}});
}

// Filter and sort read numbers as the reader shows them: what it flags as no number ("inf",
// "nan", "+-5", "0x10") is empty, like a blank, and matches no comparison.
TEST_F(RecordSetTest, NumbersAreReadAsTheReaderShowsThem)
{
    DbfBuilder zahlen(0x03, {{"CALL", 'C', 6}, {"F", 'N', 8}});
    const std::vector<std::string> calls = {"INF",  "NAN",  "PLUSMI", "HEX",  "TAUSND",
                                            "LEER", "NULL", "ZWEI",   "MINUS"};
    const std::vector<std::string> numbers = {"inf", "nan", "+-5", "0x10", "1e3",
                                              "",    "0",   "2",   "-1,5"};
    for (size_t i = 0; i < calls.size(); ++i)
        zahlen.record({calls[i], numbers[i]});
    auto set = openTable("zahlen", zahlen.bytes());
    expectEach(*set, kFilter,
               {{"[F] > 1", {"TAUSND", "ZWEI"}},
                {"[F] = 0", {"NULL"}},
                {"[F] < 1", {"NULL", "MINUS"}},
                {"[F] <> 0", {"TAUSND", "ZWEI", "MINUS"}},
                {"[F] >= 1e3", {"TAUSND"}},
                {"[F] = 16", {}},
                {"[F] = -5", {}},
                {"", calls}});
    expectEach(*set, kSort,
               {{"F", {"INF", "NAN", "PLUSMI", "HEX", "LEER", "MINUS", "NULL", "ZWEI", "TAUSND"}},
                {"F DESC",
                 {"TAUSND", "ZWEI", "NULL", "MINUS", "INF", "NAN", "PLUSMI", "HEX", "LEER"}}});
    // Sorted within the query's order, the empty values keep that order.
    auto byCall = open("select * from zahlen order by CALL", m_dir.file("zahlen.dbf"));
    expectEach(*byCall, kSort, {{"F", {"0x10", "inf", "", "nan", "+-5", "-1,5", "0", "2", "1e3"}}},
               1);
}

// A sort text names each field once: a repeat is refused, so that a sort has no more keys than
// the table has fields.
TEST_F(RecordSetTest, SortNamesEachFieldOnce)
{
    auto set = open();
    ASSERT_OK(set->SetSort("NOF_SSB DESC"));
    std::string repeated = "VORNAME";
    for (int i = 0; i < 999; ++i)
        repeated += ", VORNAME";
    for (const std::string &sort :
         {std::string("VORNAME, CALL, vorname"), std::string("CALL, [CALL] DESC"), repeated})
        expectRefused(set->SetSort(sort), "wird mehr als einmal genannt");
    expectRefused(set->SetSort("VORNAME, CALL, vorname"), "das Feld »vorname«");
    EXPECT_EQ(set->Sort(), "NOF_SSB DESC");
    expectEach(*set, kSort, // every field once
               {{"UP_DATE, NOF_SSB DESC, VORNAME, CALL",
                 {"9A1AA", "0", "dk2xy", "OE3JOE", "DL1ABC", "HB9XYZ", "DL1ABC"}}});
}

TEST_F(RecordSetTest, BookmarksDesignateRecordsAcrossFilterAndSort)
{
    auto set = open();
    ASSERT_OK(set->SetAbsolutePosition(5)); // the second DL1ABC, record 6 of the file
    const int64_t bookmark = *set->Bookmark();
    EXPECT_EQ(bookmark, 6);
    ASSERT_OK(set->SetSort("VORNAME"));
    ASSERT_OK(set->SetFilter("[CALL] LIKE 'DL*'"));
    ASSERT_OK(set->SetBookmark(bookmark));
    EXPECT_EQ(*set->FieldText(1), "Zoe");
    EXPECT_EQ(*set->AbsolutePosition(), 2);
    for (const int64_t none : {2, 4, 0, 99}) // filtered out, deleted, before and after the file
        EXPECT_EQ(refusal(set->SetBookmark(none)), kInvalidArgument) << none;
}

TEST_F(RecordSetTest, FindWalksThePresentationBothWays)
{
    auto set = open();
    ASSERT_OK(set->SetSort("VORNAME"));
    // Order: andré(HB9XYZ) Ärger(OE3JOE) Björn(dk2xy) Jürgen(DL1ABC) Null(0) Ömer(9A1AA)
    // Zoe(DL1ABC)
    ASSERT_OK(set->MoveFirst());
    const std::string dl = "[CALL] LIKE 'DL*'";
    ASSERT_OK(set->Find(dl, 0, SearchDirection::Forward, *set->Bookmark()));
    EXPECT_EQ(*set->FieldText(1), "Jürgen");
    const int64_t first = *set->Bookmark();
    ASSERT_OK(set->Find(dl, 1, SearchDirection::Forward, first));
    EXPECT_EQ(*set->FieldText(1), "Zoe");
    ASSERT_OK(set->Find(dl, 1, SearchDirection::Forward, *set->Bookmark()));
    EXPECT_TRUE(*set->AtEOF());

    ASSERT_OK(set->SetBookmark(first));
    ASSERT_OK(set->Find(dl, 1, SearchDirection::Backward, first));
    EXPECT_TRUE(*set->AtBOF());

    ASSERT_OK(set->MoveLast());
    ASSERT_OK(set->Find(dl, 0, SearchDirection::Backward));
    EXPECT_EQ(*set->FieldText(1), "Zoe");
    ASSERT_OK(set->Find(dl, 1, SearchDirection::Backward));
    EXPECT_EQ(*set->FieldText(1), "Jürgen");

    EXPECT_EQ(refusal(set->Find("[CALL] LIKE 'DL*' AND [NOF_SSB] > 1")), kInvalidArgument);
    EXPECT_EQ(refusal(set->Find("[CALL] LIKE 'O'Brien'")), kInvalidArgument);
    EXPECT_EQ(refusal(set->Find(dl, 0, SearchDirection::Forward, 4)), kInvalidArgument);

    // Find sees only the filtered records: Jürgen's DL1ABC has 12.
    ASSERT_OK(set->SetSort(""));
    ASSERT_OK(set->SetFilter("[NOF_SSB] < 10"));
    ASSERT_OK(set->MoveFirst());
    ASSERT_OK(set->Find(dl, 0, SearchDirection::Forward, *set->Bookmark()));
    EXPECT_EQ(*set->FieldText(1), "Zoe");
}

} // namespace
