// Reads every table of the shared corpus with talvo-dbf and compares the reading, as shown and
// as typed JSON, with the reference readings of dbfread, listing each known difference with its
// reason; and `talvo-dbf check` on every table with the listing kept in check_golden.txt: one
// line per table with its label (corpusLabel), the exit code and the kinds of its findings in the
// order reported.
//
// The listing changes whenever the reader learns to find something new. To write it anew:
//   TALVO_CHECK_GOLDEN_WRITE=1 build/tests/talvo_cli_tests --gtest_filter='CheckGolden.*'
// then read the difference (git diff tests/cli/check_golden.txt) before committing it.
#include "support/cli_run.h"
#include "support/corpus_tables.h"

#include <algorithm>
#include <cstdlib>
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
const fs::path kListing = TALVO_CHECK_GOLDEN;

// Where our reading and dbfread's differ on purpose: the list in corpus_differences.txt, each with
// its reason (the file's head says the form).
struct KnownDifference
{
    std::string table, field;
};

const std::vector<KnownDifference> &knownDifferences()
{
    static const std::vector<KnownDifference> list = [] {
        std::vector<KnownDifference> read;
        std::ifstream file(TALVO_CORPUS_DIFFERENCES);
        for (std::string line; std::getline(file, line);) {
            const size_t tab = line.find('\t'), second = line.find('\t', tab + 1);
            if (line.empty() || line[0] == '#')
                continue;
            if (second == std::string::npos || second + 1 == line.size())
                ADD_FAILURE() << "a known difference without its reason: " << line;
            read.push_back({line.substr(0, tab), line.substr(tab + 1, second - tab - 1)});
        }
        return read;
    }();
    return list;
}

const KnownDifference *knownDifference(const std::string &table, const std::string &field)
{
    for (const KnownDifference &known : knownDifferences()) {
        const bool sameTable = table == known.table || table.ends_with("/" + known.table);
        if (sameTable && (field == known.field || known.field == "*"))
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

bool near(double value, double expected)
{
    return std::abs(value - expected) <= 1e-9 * std::max(1.0, std::abs(expected));
}

bool sameNumber(const std::string &ours, double expected)
{
    std::string text = ours;
    std::replace(text.begin(), text.end(), ',', '.');
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && near(value, expected);
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

// Whether our value is what dbfread read, as `typed` JSON or as text shown: numbers (shown with
// a decimal comma), logicals (shown Wahr or Falsch), dates and date-times (shown German, typed
// ISO 8601 to the second: dbfread adds microseconds, we have milliseconds), nulls (shown empty);
// a flagged typed value by its text. True for values dbfread could not type.
bool sameValue(const json &ours, const json &reference, bool typed)
{
    if (reference.is_object()
        && (reference.contains("bytes_hex") || reference.contains("invalid_hex")))
        return true; // binary or undecodable for dbfread: nothing to compare
    const bool flagged = typed && ours.is_object() && ours.contains("$invalid");
    const json &value = flagged ? ours["$invalid"] : ours;
    const std::string text = value.is_string() ? value.get<std::string>() : std::string();
    if (flagged)
        return reference.is_string() && stripped(text) == stripped(reference.get<std::string>());
    // dbfread ignores _NullFlags: a null text is "" there (issue115.dbf, payments.dbf)
    if (reference.is_null() || reference == "")
        return typed ? ours.is_null() || ours == "" : text.empty();
    if (reference.is_boolean())
        return typed ? ours == reference : text == (reference.get<bool>() ? "Wahr" : "Falsch");
    if (reference.is_string())
        return value.is_string() && stripped(text) == stripped(reference.get<std::string>());
    if (reference.is_number() || reference.contains("decimal")) {
        const double expected = reference.is_number()
                ? reference.get<double>()
                : std::stod(reference["decimal"].get<std::string>());
        return typed ? ours.is_number() && near(ours.get<double>(), expected)
                     : sameNumber(text, expected);
    }
    const std::string iso = reference.begin()->get<std::string>(); // date or datetime
    return typed ? text.substr(0, 19) == iso.substr(0, 19) : text == germanDate(iso);
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
    const CliRun run =
            runTool({"show", (kCorpus / table).string(), "--format", format, "--deleted"});
    EXPECT_EQ(run.exit, 0) << table << ": " << run.err;
    return run.out;
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

// Compares our records, `typed` or shown, with dbfread's, field by field in field order, leaving
// out the known differences.
void compareValues(const std::string &table, const std::vector<std::string> &referenceFields,
                   const std::vector<ordered_json> &ours, const json &reference, bool typed)
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
            EXPECT_TRUE(sameValue(item.value(), expected, typed))
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
    if (!known || known->field != "#refused")
        return false;
    const std::string path = (kCorpus / table).string();
    EXPECT_TRUE(refused(runTool({"info", path}), 1, "7015")) << table;
    const CliRun show = runTool({"show", path});
    EXPECT_EQ(show.exit, 1) << table;
    EXPECT_TRUE(holds(show.err, {"komprimierte Tabelle"}));
    return true;
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
    for (const auto &[reading, isTyped] : {std::pair {&text, false}, {&typed, true}}) {
        if (sameRecords) {
            EXPECT_EQ(reading->records.size(), golden["records"].size()) << table << ": records";
            EXPECT_EQ(reading->deleted.size(), golden["deleted_records"].size())
                    << table << ": deleted";
        }
        compareValues(table, referenceFields, reading->records, golden["records"], isTyped);
        compareValues(table, referenceFields, reading->deleted, golden["deleted_records"], isTyped);
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

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusGolden,
                         ::testing::ValuesIn(fs::exists(kCorpus) ? corpusTables(kCorpus)
                                                                 : std::vector<std::string>()),
                         testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusGolden);

// The line of one table: "LABEL<TAB>EXIT<TAB>KIND KIND …".
std::string checkLine(const std::string &table)
{
    const CliRun run = runTool({"check", (kCorpus / table).string(), "--format", "json"});
    std::string kinds;
    const json report = json::parse(run.out);
    // An unreadable table has an error and no findings.
    for (const auto &finding : report["tables"][0].value("findings", json::array())) {
        if (!kinds.empty())
            kinds += ' ';
        kinds += finding["kind"].get<std::string>();
    }
    return corpusLabel(table) + '\t' + std::to_string(run.exit) + '\t' + kinds;
}

// The listing's lines by table; lines starting with '#' are comments.
std::map<std::string, std::string> readListing()
{
    std::map<std::string, std::string> lines;
    std::ifstream file(kListing);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line[0] != '#')
            lines[line.substr(0, line.find('\t'))] = line;
    }
    return lines;
}

TEST(CheckGolden, EveryCorpusTableAsListed)
{
    if (!fs::exists(kCorpus))
        GTEST_SKIP() << "no shared corpus at " << kCorpus << ": the check listing is not compared";
    const std::vector<std::string> tables = corpusTables(kCorpus);
    ASSERT_FALSE(tables.empty());

    if (std::getenv("TALVO_CHECK_GOLDEN_WRITE")) {
        std::ofstream file(kListing);
        file << "# talvo-dbf check on the shared corpus: table, exit code, kinds of the findings.\n"
             << "# Written by corpus_golden_test.cpp (see there how to write it anew).\n";
        for (const std::string &table : tables)
            file << checkLine(table) << '\n';
        GTEST_SKIP() << "listing written to " << kListing;
    }

    std::map<std::string, std::string> listed = readListing();
    ASSERT_FALSE(listed.empty()) << "no listing at " << kListing;
    for (const std::string &table : tables) {
        const auto it = listed.find(corpusLabel(table));
        if (it == listed.end()) {
            ADD_FAILURE() << "not in the listing: " << checkLine(table);
            continue;
        }
        EXPECT_EQ(checkLine(table), it->second);
        listed.erase(it);
    }
    for (const auto &[table, line] : listed)
        ADD_FAILURE() << "listed, but not in the corpus: " << line;
}

} // namespace
