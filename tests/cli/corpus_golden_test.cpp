// Reads every table of the shared corpus with talvo-dbf and compares the reading, as shown and
// as typed JSON, with the reference readings of dbfread, listing each known difference with its
// reason.
#include "cli.h"
#include "support/corpus_tables.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using nlohmann::ordered_json;

const fs::path kCorpus = TALVO_CORPUS_DIR;

// Where our reading and dbfread's differ on purpose. `table` is the path in the corpus or an end
// of it that names one table; "*" stands for every field.
struct KnownDifference
{
    const char *table;
    const char *field;
    const char *reason;
};

const char kNoDBase7[] =
        "dbfread has no dBase 7 (48-byte field descriptors): its fields are garbage";
const char kLatin1[] =
        "no code page in the file; dbfread fell back to latin-1, we choose by the bytes";
const char kBinaryMemo[] = "a picture in a memo: dbfread shows its bytes, we say it is binary data";
const char kVarLength[] = "dbfread ignores the length byte of V fields that _NullFlags points to";
const char kNullFlags[] = "dbfread ignores _NullFlags; the value is null there";

const KnownDifference kKnownDifferences[] = {
        {"OSGeo__shapelib/tests/shape_eg_data/polygon.dbf", "AA",
         "shapelib's null number (********) is shown as stored; dbfread reads it as null, as "
         "our JSON has it"},
        {"albfernandez__javadbf/src/test/resources/bug-102/bug102.dbf", "*", kNoDBase7},
        {"albfernandez__javadbf/src/test/resources/fixtures/dbase_7.dbf", "*", kNoDBase7},
        {"albfernandez__javadbf/src/test/resources/inventory.dbf", "*", kNoDBase7},
        {"albfernandez__javadbf/src/test/resources/test_delete.dbf", "*", kNoDBase7},
        {"luads__php-xbase/tests/Resources/dBase/dBaseVII.dbf", "*", kNoDBase7},
        {"luads__php-xbase/tests/Resources/dBase/dBaseVII_double.dbf", "*", kNoDBase7},
        {"luads__php-xbase/tests/Resources/dBase/dBaseVII_int.dbf", "*", kNoDBase7},
        {"luads__php-xbase/tests/Resources/dBase/dBaseVII_ts.dbf", "*", kNoDBase7},
        {"fixtures/dbase_8c.dbf", "*", kNoDBase7},
        {"fixtures/dbase_02.dbf", "*",
         "dbfread has no dBase II (16-byte field descriptors): its fields are garbage"},
        {"albfernandez__javadbf/src/test/resources/bug-33-corrupted-file-sync-mode/"
         "myfileafter-corrupted.dbf",
         "*",
         "the one record the header counts is zero-filled; dbfread skips it and reads stray bytes "
         "after it at the wrong offset"},
        {"albfernandez__javadbf/src/test/resources/bug_64_excel_dbf/"
         "wrong-exented-character-field.dbf",
         "*",
         "dbfread takes the decimals of a C field as the high byte of its length; the record "
         "length says it is not"},
        {"albfernandez__javadbf/src/test/resources/dbc-files/sids.dbc", "#refused",
         "records compressed (DATASUS): we refuse the table, dbfread shows the packed bytes"},
        {"albfernandez__javadbf/src/test/resources/dbc-files/storm.dbc", "#refused",
         "records compressed (DATASUS): we refuse the table, dbfread shows the packed bytes"},
        {"albfernandez__javadbf/src/test/resources/numbers2.dbf", "DOUBLE2",
         "dbfread reads O fields as little-endian doubles; they are stored big-endian, "
         "sign-flipped"},
        {"fixtures/mazovia.dbf", "#records",
         "both records have the flag byte 0x00: dbfread drops them, we show them (as GDAL does)"},
        {"fixtures/dbase_03_cyrillic.dbf", "*",
         "the text is UTF-8, which we detect; dbfread used latin-1"},
        {"fixtures/dbase_03_nullchar.dbf", "*",
         "a NUL ends a text in CSV output, since writers pad with NULs (GDAL reads \"\" too); "
         "dbfread keeps what follows it"},
        {"fixtures/dbase_83.dbf", "DESC",
         "memo text holds 0x85 (… in CP1252) with no code page given; dbfread used latin-1, we "
         "read "
         "CP850 since the character fields are plain ASCII"},
        {"fixtures/dbase_8b.dbf", "MEMO",
         "the memo block header gives a length one byte short of the text; we keep to the length"},
        {"yellowfeather__DbfDataReader/test/fixtures/client.dbf", "CLIEN_HIST",
         "dbfread reads past the length in the memo block header into stale bytes"},
        {"fixtures/dbase_f5.dbf", "*", kLatin1},
        {"albfernandez__javadbf/src/test/resources/bug-46-zero_field_count/a3.dbf", "*", kLatin1},
        {"albfernandez__javadbf/src/test/resources/bug-60-fieldlength/060.dbf", "*", kLatin1},
        {"luads__php-xbase/tests/Resources/dbf/cbrf_122019N1.dbf", "*", kLatin1},
        {"luads__php-xbase/tests/Resources/dBase/dBaseIII_nomemo.dbf", "*", kLatin1},
        {"yellowfeather__DbfDataReader/test/fixtures/MS__KHDM.DBF", "*", kLatin1},
        {"yellowfeather__DbfDataReader/test/fixtures/INNAKLKVT20180904.dbf", "*", kLatin1},
        {"yortus__DBFFile/test/fixtures/WSPMST.DBF", "*", kLatin1},
        {"yortus__DBFFile/test/fixtures/dbase_not_latin1.dbf", "*",
         "Big5 text with no code page given: dbfread used latin-1, we read CP874, since "
         "double-byte "
         "code pages are not guessed; neither reading is right"},
        {"luads__php-xbase/tests/Resources/socios.dbf", "*",
         "the header names CP1252 (driver 0x03), but the text is valid UTF-8: dbfread reads "
         "CP1252 (\"aÃ±os\"), we read UTF-8 (\"años\") and say so in a codepage-contradicted "
         "finding"},
        {"fixtures/foxprodb/FOXPRO-DB-TEST.DBC", "*",
         "dbfread does not find the .DCT memo file of a database container"},
        {"luads__php-xbase/tests/Resources/dBase/dBaseIII.dbf", "IMAGE", kBinaryMemo},
        {"luads__php-xbase/tests/Resources/dBase/dBaseIV.dbf", "IMAGE", kBinaryMemo},
        {"luads__php-xbase/tests/Resources/foxpro/Foxpro2.dbf", "IMAGE", kBinaryMemo},
        {"albfernandez__javadbf/src/test/resources/bug-56-index-out-of-bounds/56-testdata.dbf", "*",
         kVarLength},
        {"fixtures/dbase_32.dbf", "NAME", kVarLength},
        {"luads__php-xbase/tests/Resources/foxpro/vfp.dbf", "VARCHAR", kVarLength},
        {"luads__php-xbase/tests/Resources/foxpro/vfp.dbf", "VARCHAR_BI", kVarLength},
        {"luads__php-xbase/tests/Resources/foxpro/issue115.dbf", "MASINA", kNullFlags},
        {"yortus__DBFFile/test/fixtures/vfp_gb2312_memo.dbf", "PARENTID", kNullFlags},
};

const KnownDifference *knownDifference(const std::string &table, const std::string &field)
{
    for (const KnownDifference &known : kKnownDifferences) {
        const std::string end = std::string("/") + known.table;
        const bool sameTable = table == known.table
                || (table.size() > end.size()
                    && table.compare(table.size() - end.size(), end.size(), end) == 0);
        if (sameTable && (field == known.field || std::string(known.field) == "*"))
            return &known;
    }
    return nullptr;
}

std::string stripped(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

bool sameNumber(const std::string &ours, double expected)
{
    std::string text = ours;
    std::replace(text.begin(), text.end(), ',', '.');
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0')
        return false;
    return std::abs(value - expected) <= 1e-9 * std::max(1.0, std::abs(expected));
}

std::string germanDate(const std::string &iso) // yyyy-mm-dd[Thh:mm:ss]
{
    // Appended piece by piece: `substr(…) + "."` chains make GCC 12 at -O3 warn falsely
    // (-Wrestrict, GCC bug 105329).
    std::string date;
    date.append(iso, 8, 2).append(".").append(iso, 5, 2).append(".").append(iso, 0, 4);
    if (iso.size() >= 19)
        date.append(" ").append(iso, 11, 8);
    return date;
}

// Whether our text shows what dbfread read; true for values dbfread could not type.
bool sameValue(const json &ours, const json &reference)
{
    const std::string text = ours.is_null() ? std::string() : ours.get<std::string>();
    if (reference.is_null())
        return text.empty();
    if (reference.is_boolean())
        return text == (reference.get<bool>() ? "Wahr" : "Falsch");
    if (reference.is_number())
        return sameNumber(text, reference.get<double>());
    if (reference.is_string())
        return stripped(text) == stripped(reference.get<std::string>());
    if (reference.contains("date") || reference.contains("datetime"))
        return text == germanDate(reference.begin()->get<std::string>());
    if (reference.contains("decimal"))
        return sameNumber(text, std::stod(reference["decimal"].get<std::string>()));
    return true; // bytes_hex, invalid_hex: binary or undecodable, nothing to compare
}

// Rows of an RFC 4180 file, as GDAL writes them.
std::vector<std::vector<std::string>> readCsv(std::istream &in)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string cell;
    bool quoted = false;
    for (char c; in.get(c);) {
        if (quoted) {
            if (c == '"' && in.peek() == '"')
                cell += static_cast<char>(in.get());
            else if (c == '"')
                quoted = false;
            else
                cell += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(std::move(cell));
            cell.clear();
        } else if (c == '\n') {
            rows.back().push_back(std::move(cell));
            cell.clear();
            rows.emplace_back();
        } else if (c != '\r') {
            cell += c;
        }
    }
    if (rows.back().empty())
        rows.pop_back();
    return rows;
}

// Where dbfread failed, GDAL's reading is the reference: same records, same text and numbers.
void compareWithGdal(const std::string &table, const std::vector<ordered_json> &records)
{
    std::ifstream csvFile(kCorpus / "golden" / (table + ".ogr.csv"));
    if (!csvFile)
        return; // GDAL failed as well
    const auto rows = readCsv(csvFile);
    ASSERT_FALSE(rows.empty());
    ASSERT_EQ(records.size(), rows.size() - 1) << table << ": records (GDAL)";
    for (size_t r = 0; r < records.size(); ++r) {
        for (size_t column = 0; column < rows[0].size() && column < rows[r + 1].size(); ++column) {
            if (!records[r].contains(rows[0][column]))
                continue;
            const std::string ours = records[r][rows[0][column]].get<std::string>();
            const std::string &theirs = rows[r + 1][column];
            char *end = nullptr;
            const double number = std::strtod(theirs.c_str(), &end);
            const bool numeric = !theirs.empty() && *end == '\0';
            EXPECT_TRUE(numeric ? sameNumber(ours, number) : stripped(ours) == stripped(theirs))
                    << table << " record " << r << " field " << rows[0][column] << ": ours \""
                    << ours << "\", GDAL \"" << theirs << '"';
        }
    }
}

// The live and the deleted records of a table, each field name to its value in field order.
struct Reading
{
    std::vector<ordered_json> records, deleted;
};

// The output of `show --deleted` in `format`; the test fails where the table does not open.
std::string shown(const std::string &table, const std::string &format)
{
    std::ostringstream out, err;
    const int exit = cli::run({"show", (kCorpus / table).string(), "--format", format, "--deleted"},
                              out, err);
    EXPECT_EQ(exit, 0) << table << ": " << err.str();
    return out.str();
}

// Records as the viewer shows them, from talvo-dbf's CSV: field name to text; a repeated name
// gets a number (dbase_03.dbf has two Point_ID).
Reading readShown(const std::string &table)
{
    std::istringstream csv(shown(table, "csv"));
    const auto rows = readCsv(csv);
    Reading reading;
    EXPECT_FALSE(rows.empty()) << table;
    if (rows.empty())
        return reading;
    std::vector<std::string> keys;
    for (const std::string &name : rows[0]) {
        std::string key = name;
        for (int n = 2; std::find(keys.begin(), keys.end(), key) != keys.end(); ++n)
            key = name + "_" + std::to_string(n);
        keys.push_back(key);
    }
    for (size_t r = 1; r < rows.size(); ++r) {
        ordered_json record;
        for (size_t column = 0; column + 1 < keys.size() && column < rows[r].size(); ++column)
            record[keys[column]] = rows[r][column];
        (rows[r].back() == "1" ? reading.deleted : reading.records).push_back(std::move(record));
    }
    return reading;
}

// Records as typed JSON, one object per line; a line that is no JSON fails the test.
Reading readTyped(const std::string &table)
{
    Reading reading;
    std::istringstream lines(shown(table, "json"));
    for (std::string line; std::getline(lines, line);) {
        ordered_json record = ordered_json::parse(line);
        const bool isDeleted = record["_deleted"].get<bool>();
        record.erase("_deleted");
        (isDeleted ? reading.deleted : reading.records).push_back(std::move(record));
    }
    return reading;
}

// Compares our records with dbfread's, field by field in field order, by `same`, leaving out
// the known differences.
void compareValues(const std::string &table, const std::vector<std::string> &referenceFields,
                   const std::vector<ordered_json> &ours, const json &reference,
                   bool (*same)(const json &, const json &))
{
    const size_t count = std::min(ours.size(), reference.size());
    for (size_t r = 0; r < count; ++r) {
        size_t column = 0;
        for (const auto &item : ours[r].items()) {
            if (column >= referenceFields.size() || column >= reference[r].size())
                break;
            const json &expected = reference[r][column];
            const std::string &field = referenceFields[column++];
            if (knownDifference(table, field))
                continue;
            EXPECT_TRUE(same(item.value(), expected))
                    << table << " record " << r << " field " << field << ": ours "
                    << item.value().dump() << ", dbfread " << expected.dump();
        }
    }
}

// A table we refuse on purpose fails with the reader's number that says why (7015, compressed),
// and `show` passes the reason on under the record set's number for a table it cannot open.
bool refusedAsExpected(const std::string &table)
{
    const KnownDifference *known = knownDifference(table, "#refused");
    if (!known || std::string(known->field) != "#refused")
        return false;
    std::ostringstream out, err, shownOut, shownErr;
    EXPECT_EQ(cli::run({"info", (kCorpus / table).string()}, out, err), 1) << table;
    EXPECT_NE(err.str().find("7015: "), std::string::npos) << err.str();
    EXPECT_EQ(cli::run({"show", (kCorpus / table).string()}, shownOut, shownErr), 1) << table;
    EXPECT_NE(shownErr.str().find("komprimierte Tabelle"), std::string::npos) << shownErr.str();
    return true;
}

// Whether our typed JSON value is what dbfread read: numbers as numbers, dates and date-times as
// ISO 8601 text, logicals as booleans, nulls as null; true for values dbfread could not type.
bool sameTypedValue(const json &ours, const json &reference)
{
    if (reference.is_object()
        && (reference.contains("bytes_hex") || reference.contains("invalid_hex")))
        return true; // binary or undecodable for dbfread: nothing to compare
    if (ours.is_object() && ours.contains("$invalid")) // flagged: compared by its text
        return reference.is_string()
                && stripped(ours["$invalid"].get<std::string>())
                == stripped(reference.get<std::string>());
    // dbfread ignores _NullFlags: a null text is "" there (issue115.dbf, payments.dbf)
    if (reference.is_null() || reference == "")
        return ours.is_null() || ours == "";
    if (reference.is_boolean())
        return ours.is_boolean() && ours == reference;
    auto sameDouble = [&](double expected) {
        return ours.is_number()
                && std::abs(ours.get<double>() - expected)
                <= 1e-9 * std::max(1.0, std::abs(expected));
    };
    if (reference.is_number())
        return sameDouble(reference.get<double>());
    if (reference.is_string())
        return ours.is_string()
                && stripped(ours.get<std::string>()) == stripped(reference.get<std::string>());
    if (reference.contains("date"))
        return ours == reference["date"];
    if (reference.contains("datetime")) // dbfread adds microseconds; we have milliseconds
        return ours.is_string()
                && ours.get<std::string>().substr(0, 19)
                == reference["datetime"].get<std::string>().substr(0, 19);
    if (reference.contains("decimal"))
        return sameDouble(std::stod(reference["decimal"].get<std::string>()));
    return true; // bytes_hex, invalid_hex: binary or undecodable, nothing to compare
}

class CorpusGolden : public ::testing::TestWithParam<std::string>
{ };

// Every table as shown (CSV) and as typed JSON, which loads as JSON, against dbfread's reading.
TEST_P(CorpusGolden, MatchesReferenceReading)
{
    const std::string table = GetParam();
    if (refusedAsExpected(table))
        return;
    std::ifstream goldenFile(kCorpus / "golden" / (table + ".dbfread.json"));
    ASSERT_TRUE(goldenFile) << "no reference reading for " << table;
    const json golden = json::parse(goldenFile);
    const Reading text = readShown(table), typed = readTyped(table);

    if (golden["result"] == "failed") {
        if (!knownDifference(table, "#records"))
            compareWithGdal(table, text.records);
        return;
    }

    std::vector<std::string> referenceFields;
    for (const json &field : golden["fields"]) {
        if (field["type"] != "0")
            referenceFields.push_back(field["name"]);
    }
    const bool sameRecords = !knownDifference(table, "#records"); // "*" differs in everything
    const std::vector<ordered_json> &any = text.records.empty() ? text.deleted : text.records;
    if (!knownDifference(table, "#fields") && !any.empty()) {
        EXPECT_EQ(any.front().size(), referenceFields.size()) << table << ": fields";
    }
    for (const auto &[reading, same] : {std::pair {&text, &sameValue}, {&typed, &sameTypedValue}}) {
        if (sameRecords) {
            EXPECT_EQ(reading->records.size(), golden["records"].size()) << table << ": records";
            EXPECT_EQ(reading->deleted.size(), golden["deleted_records"].size())
                    << table << ": deleted";
        }
        compareValues(table, referenceFields, reading->records, golden["records"], same);
        compareValues(table, referenceFields, reading->deleted, golden["deleted_records"], same);
    }
}

std::string testName(const ::testing::TestParamInfo<std::string> &info)
{
    std::string name = info.param;
    for (char &c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
    return name;
}

TEST(CorpusGoldenAvailable, CorpusIsPresent)
{
    if (!fs::exists(kCorpus))
        GTEST_SKIP() << "no shared corpus at " << kCorpus << ": the corpus comparisons are skipped";
    EXPECT_FALSE(corpusTables(kCorpus).empty());
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusGolden,
                         ::testing::ValuesIn(fs::exists(kCorpus) ? corpusTables(kCorpus)
                                                                 : std::vector<std::string>()),
                         testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusGolden);

} // namespace
