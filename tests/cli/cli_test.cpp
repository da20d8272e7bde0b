// The command-line tool: its commands, output formats, options and error reports.
#include "cli.h"
#include "dbf_builder.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using dbfbuild::DbfBuilder;

namespace {

class Cli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_table = m_dir.write(
                "funk.dbf",
                DbfBuilder(0x03, {{"CALL", 'C', 10}, {"RIG", 'C', 30}, {"NOF_SSB", 'N', 6, 1}})
                        .languageDriver(0x02)
                        .record({"DL1ABC", "IC-7300, \"Dipol\"", "12.5"})
                        .record({"DK9XX", "alt", ""}, true)
                        .record({"OE3J\x99", "Yaesu\r\nFT-817", "3"})
                        .bytes());
    }

    TempDir m_dir;
    std::string m_table;
};

TEST_F(Cli, ShowsRecordsAsTextBlocks)
{
    const CliRun r = runTool({"show", m_table});
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find("\n\n")),
              "Datensatz 1\nCALL    : DL1ABC\nRIG     : IC-7300, \"Dipol\"\nNOF_SSB : 12,5");
    EXPECT_NE(r.out.find("Datensatz 2\nCALL    : OE3JÖ"), std::string::npos); // numbered as shown
    EXPECT_EQ(r.out.find("DK9XX"), std::string::npos); // deleted
}

TEST_F(Cli, WritesCsvAfterRfc4180)
{
    const CliRun r = runTool({"show", m_table, "--format", "csv"});
    EXPECT_EQ(r.out,
              "CALL,RIG,NOF_SSB\r\n"
              "DL1ABC,\"IC-7300, \"\"Dipol\"\"\",\"12,5\"\r\n"
              "OE3JÖ,\"Yaesu\r\nFT-817\",3\r\n");
}

TEST_F(Cli, WritesOneJsonObjectPerLineWithDeletedFlags)
{
    const CliRun r = runTool({"show", m_table, "--format", "json", "--deleted", "--limit", "2"});
    std::istringstream lines(r.out);
    std::vector<nlohmann::json> records;
    for (std::string line; std::getline(lines, line);)
        records.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["RIG"], "IC-7300, \"Dipol\"");
    EXPECT_EQ(records[0]["_deleted"], false);
    EXPECT_EQ(records[1]["CALL"], "DK9XX");
    EXPECT_EQ(records[1]["_deleted"], true);
}

// Typed JSON: numbers with their stored digits, ISO dates, booleans, null for empty values, and
// values that do not decode as stored with the reason.
TEST_F(Cli, JsonCarriesTypedValues)
{
    const std::string table = m_dir.write(
            "typen.dbf",
            DbfBuilder(0x03,
                       {{"CALL", 'C', 8}, {"SSB", 'N', 7, 2}, {"SEIT", 'D', 8}, {"QSL", 'L', 1}})
                    .record({"DL1ABC", "+012.50", "20030501", "T"})
                    .record({"", "", "", " "})
                    .record({"X", "**", "20031332", "X"})
                    .bytes());
    const CliRun r = runTool({"show", table, "--format", "json"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"CALL\":\"DL1ABC\",\"SSB\":12.50,\"SEIT\":\"2003-05-01\",\"QSL\":true}\n"
              "{\"CALL\":\"\",\"SSB\":null,\"SEIT\":null,\"QSL\":null}\n"
              "{\"CALL\":\"X\",\"SSB\":{\"$invalid\":\"**\",\"reason\":\"keine Zahl\"},"
              "\"SEIT\":{\"$invalid\":\"20031332\",\"reason\":\"kein Tag des Kalenders\"},"
              "\"QSL\":{\"$invalid\":\"X\",\"reason\":\"kein Wahrheitswert\"}}\n");

    const CliRun plain = runTool({"show", table, "--format", "csv", "--plain", "--limit", "1"});
    EXPECT_EQ(plain.out, "CALL,SSB,SEIT,QSL\r\nDL1ABC,12.50,2003-05-01,true\r\n");
    const CliRun shown = runTool({"show", table, "--format", "csv", "--limit", "1"});
    EXPECT_EQ(shown.out, "CALL,SSB,SEIT,QSL\r\nDL1ABC,\"+012,50\",01.05.2003,Wahr\r\n");
    EXPECT_EQ(runTool({"show", table, "--plain"}).exit, 2); // --plain belongs to csv
}

// Harbour's own field types in a dBase III table: integers scaled by their decimals, a double
// that is no memo pointer (no memo file is looked for), times of day and Julian timestamps.
TEST_F(Cli, HarbourFieldTypesAreTyped)
{
    using dbfbuild::littleEndian32, dbfbuild::littleEndian64;
    const std::string table =
            m_dir.write("harbour.dbf",
                        DbfBuilder(0x03,
                                   {{"QRG", 'I', 4, 2},
                                    {"NR", 'I', 8},
                                    {"WATT", 'B', 8, 1},
                                    {"UHRZEIT", 'T', 4},
                                    {"SEIT", '@', 8},
                                    {"GEAENDERT", '=', 8},
                                    {"VERSION", '^', 8}})
                                .record({littleEndian32(710000), littleEndian64(uint64_t(-3)),
                                         dbfbuild::doubleBytes(2.5), littleEndian32(3723004),
                                         littleEndian32(2451545) + littleEndian32(3723000), "",
                                         littleEndian64(2)})
                                .bytes());
    EXPECT_EQ(runTool({"show", table, "--format", "json"}).out,
              "{\"QRG\":7100.00,\"NR\":-3,\"WATT\":2.5,\"UHRZEIT\":\"01:02:03.004\","
              "\"SEIT\":\"2000-01-01T01:02:03\",\"GEAENDERT\":null,\"VERSION\":2}\n");
    EXPECT_EQ(runTool({"show", table, "--format", "csv", "--plain"}).out,
              "QRG,NR,WATT,UHRZEIT,SEIT,GEAENDERT,VERSION\r\n"
              "7100.00,-3,2.5,01:02:03.004,2000-01-01 01:02:03,,2\r\n");
    EXPECT_EQ(runTool({"show", table, "--format", "csv"}).out,
              "QRG,NR,WATT,UHRZEIT,SEIT,GEAENDERT,VERSION\r\n"
              "\"7100,00\",-3,\"2,5\",01:02:03,01.01.2000 01:02:03,,2\r\n");
    EXPECT_EQ(runTool({"check", table}).exit, 0); // no memo-missing for the double
}

// A number field full of '*' (shapelib's null, dBase's number too wide for its field) is shown
// as stored and has no value: null in JSON, an empty cell in plain CSV. Partly starred is no
// number.
TEST_F(Cli, StarredNumbersAreShownAsStoredAndHaveNoValue)
{
    const std::string table = m_dir.write(
            "sterne.dbf",
            DbfBuilder(0x03, {{"WATT", 'N', 4}, {"QRG", 'N', 6}}).record({"****", "**"}).bytes());
    EXPECT_EQ(runTool({"show", table, "--format", "csv"}).out, "WATT,QRG\r\n****,**\r\n");
    EXPECT_EQ(runTool({"show", table}).out, "Datensatz 1\nWATT : ****\nQRG  : **\n");
    EXPECT_EQ(runTool({"show", table, "--format", "csv", "--plain"}).out, "WATT,QRG\r\n,**\r\n");
    EXPECT_EQ(runTool({"show", table, "--format", "json"}).out,
              "{\"WATT\":null,\"QRG\":{\"$invalid\":\"**\",\"reason\":\"keine Zahl\"}}\n");
}

// dBase IV and 5 and FoxPro leave an empty number with decimals blank but for its point: no
// value, and nothing for check to find.
TEST_F(Cli, EmptyNumbersWithTheirPointAreNull)
{
    const std::string table = m_dir.write("leer.dbf",
                                          DbfBuilder(0x8B, {{"SSB", 'N', 5, 1}, {"QRG", 'F', 8, 3}})
                                                  .record({"  .  ", "    .   "})
                                                  .record({" 12.5", "  14.200"})
                                                  .bytes());
    EXPECT_EQ(runTool({"show", table, "--format", "json"}).out,
              "{\"SSB\":null,\"QRG\":null}\n{\"SSB\":12.5,\"QRG\":14.200}\n");
    EXPECT_EQ(runTool({"show", table, "--format", "csv"}).out,
              "SSB,QRG\r\n,\r\n\"12,5\",\"14,200\"\r\n");
    EXPECT_EQ(runTool({"show", table, "--format", "csv", "--plain"}).out,
              "SSB,QRG\r\n,\r\n12.5,14.200\r\n");
    const CliRun check = runTool({"check", table});
    EXPECT_EQ(check.exit, 0) << check.out;
}

// A NUL ends a text in text and CSV output; JSON keeps it, escaped, with the flag.
TEST_F(Cli, NulInsideATextEndsItInTextAndCsv)
{
    const std::string table = m_dir.write("nul.dbf",
                                          DbfBuilder(0x03, {{"CALL", 'C', 8}, {"SEIT", 'D', 8}})
                                                  .record({std::string("DL1\0reak", 8),
                                                           std::string("20\0\0"
                                                                       "0101",
                                                                       8)})
                                                  .bytes());
    const std::string csv = runTool({"show", table, "--format", "csv"}).out;
    EXPECT_EQ(csv, "CALL,SEIT\r\nDL1,20\r\n");
    EXPECT_EQ(runTool({"show", table, "--format", "csv", "--plain"}).out, csv);
    EXPECT_EQ(runTool({"show", table}).out, "Datensatz 1\nCALL : DL1\nSEIT : 20\n");
    const nlohmann::json json =
            nlohmann::json::parse(runTool({"show", table, "--format", "json"}).out);
    EXPECT_EQ(json["CALL"]["$invalid"], std::string("DL1\0reak", 8));
    EXPECT_EQ(json["SEIT"]["$invalid"],
              std::string("20\0\0"
                          "0101",
                          8));
}

TEST_F(Cli, EncodingOverride)
{
    const CliRun r = runTool({"show", m_table, "--format", "csv", "--encoding", "CP1252"});
    EXPECT_NE(r.out.find("OE3J™"), std::string::npos);
}

TEST_F(Cli, InfoNamesVersionCodePageCountsAndFields)
{
    const CliRun r = runTool({"info", m_table});
    EXPECT_EQ(r.exit, 0);
    for (const char *expected : {"0x03 (dBase III)", "CP850 (aus dem Sprachtreiber-Byte 0x02)",
                                 "3 laut Kopf, 3 vorhanden\n", "NOF_SSB     N      6   1",
                                 "Gelöscht:         1 von 3 Datensätzen"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

TEST_F(Cli, InfoShowsTheYearOfAVisualFoxProTableAndWhatIsMissing)
{
    // Visual FoxPro keeps the year as two digits; the last of three records is cut short.
    std::string bytes = DbfBuilder(0x30, {{"CALL", 'C', 10}}, dbfbuild::Layout::FoxPro)
                                .record({"DL1ABC"})
                                .record({"OE3XYZ"})
                                .record({"HB9AA"})
                                .bytes();
    bytes[1] = 15;
    bytes[2] = 6;
    bytes[3] = 30;
    bytes.resize(bytes.size() - 6);
    const CliRun r = runTool({"info", m_dir.write("vfp.dbf", bytes)});
    EXPECT_EQ(r.exit, 0);
    for (const char *expected :
         {"Letzte Änderung:  30.06.2015",
          "Der Dateikopf nennt 3 Datensätze, die Datei enthält nur 2 vollständige und einen "
          "unvollständigen."})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

// A last update that is no day is shown as its bytes, never as a date made up of them.
TEST_F(Cli, InfoShowsTheBytesOfALastUpdateThatIsNoDay)
{
    const std::string table = m_dir.write("datum.dbf",
                                          DbfBuilder(0x03, {{"CALL", 'C', 10}})
                                                  .lastUpdate(2022, 0, 0)
                                                  .record({"DL1ABC"})
                                                  .bytes());
    const CliRun r = runTool({"info", table});
    EXPECT_EQ(r.exit, 0);
    for (const char *expected :
         {"Letzte Änderung:  ungültig (Bytes 7A 00 00: Jahr, Monat, Tag)\n",
          "Das Datum der letzten Änderung im Dateikopf ist kein Tag des Kalenders (Bytes 7A 00 "
          "00: Jahr, Monat, Tag); es wird nicht als Datum gezeigt."})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;

    const nlohmann::json report =
            nlohmann::json::parse(runTool({"check", table, "--format", "json"}).out);
    const nlohmann::json &findings = report["tables"][0]["findings"];
    ASSERT_EQ(findings.size(), 1u) << findings.dump(1);
    EXPECT_EQ(findings[0]["kind"], "header-date");
    EXPECT_EQ(findings[0]["offset"], 1);
}

TEST_F(Cli, FailuresGoToStandardErrorWithNumber)
{
    const CliRun missing = runTool({"info", m_dir.file("fehlt.dbf")});
    EXPECT_EQ(missing.exit, 1);
    EXPECT_EQ(missing.err.rfind("talvo-dbf: 7001: Die Datei »" + m_dir.file("fehlt.dbf"), 0), 0u)
            << missing.err;
    // The system's reason in German too, whatever the machine's language.
    EXPECT_NE(missing.err.find("wurde nicht gefunden (Datei oder Verzeichnis nicht gefunden)."),
              std::string::npos)
            << missing.err;
    // Opened through the record set, the same file is reported with the reader's number too.
    EXPECT_EQ(runTool({"show", m_dir.file("fehlt.dbf")}).err, missing.err);

    const std::string notDbf = m_dir.write("text.dbf", "Dies ist keine Tabelle.");
    EXPECT_EQ(runTool({"info", notDbf}).err.rfind("talvo-dbf: 7010: ", 0), 0u);

    for (const std::vector<std::string> &args : {std::vector<std::string> {},
                                                 {"zeige", m_table},
                                                 {"show"},
                                                 {"show", m_table, "--format", "xml"},
                                                 {"show", m_table, "--limit", "viele"},
                                                 {"show", m_table, "--bunt"}}) {
        const CliRun usage = runTool(args);
        EXPECT_EQ(usage.exit, 2);
        EXPECT_EQ(usage.err.rfind("talvo-dbf: 7100: ", 0), 0u) << usage.err;
    }
}

// An output that shortens the table when the first line arrives, as another program might.
class ShorteningOutput : public std::stringbuf
{
public:
    ShorteningOutput(std::string path, uint64_t size) : m_path(std::move(path)), m_size(size) { }

protected:
    std::streamsize xsputn(const char *text, std::streamsize count) override
    {
        if (!std::exchange(m_shortened, true))
            std::filesystem::resize_file(m_path, m_size);
        return std::stringbuf::xsputn(text, count);
    }

private:
    std::string m_path;
    uint64_t m_size;
    bool m_shortened = false;
};

TEST_F(Cli, ShortenedWhileWritingSaysWhatIsGone)
{
    DbfBuilder builder(0x03, {{"CALL", 'C', 20}, {"NOTE", 'C', 79}});
    for (int i = 0; i < 2000; ++i) // copied when opened
        builder.record({"DL" + std::to_string(i), std::string(60, 'x')});
    const std::string path = m_dir.write("gross.dbf", builder.bytes());
    const uint64_t tenRecords = 32 * 3 + 1 + 10 * 100;

    ShorteningOutput output(path, tenRecords);
    std::ostream out(&output);
    std::ostringstream err;
    EXPECT_EQ(cli::run({"show", path, "--format", "csv"}, out, err), 1);
    EXPECT_EQ(err.str().rfind("talvo-dbf: 7030: ", 0), 0u) << err.str();
    EXPECT_NE(err.str().find("Datensatz 2000"), std::string::npos) << err.str();
    EXPECT_NE(output.str().find("\r\nDL9,"), std::string::npos);
}

TEST_F(Cli, QueryFilterSortCountAndFind)
{
    using Calls = std::vector<std::string>;
    auto calls = [](std::vector<std::string> args) {
        args.insert(args.end(), {"--format", "json"});
        Calls result;
        std::istringstream lines(runTool(args).out);
        for (std::string line; std::getline(lines, line);)
            result.push_back(nlohmann::json::parse(line)["CALL"]);
        return result;
    };

    EXPECT_EQ(calls({"show", m_table, "--query", "select * from funk Order by CALL"}),
              (Calls {"DL1ABC", "OE3JÖ"}));
    EXPECT_EQ(calls({"show", m_table, "--deleted", "--sort", "CALL DESC"}),
              (Calls {"OE3JÖ", "DL1ABC", "DK9XX"}));
    EXPECT_EQ(runTool({"show", m_table, "--query", "select RIG from funk", "--format", "csv",
                       "--limit", "1"})
                      .out,
              "RIG\r\n\"IC-7300, \"\"Dipol\"\"\"\r\n");
    EXPECT_EQ(runTool({"show", m_table, "--count", "--filter", "[NOF_SSB] >= 3"}).out, "2\n");
    EXPECT_EQ(runTool({"show", m_table, "--deleted", "--count"}).out, "3\n");

    const Calls find = {"show", m_table, "--deleted", "--find", "[CALL] LIKE 'D*'"};
    auto found = [&](Calls extra) {
        extra.insert(extra.begin(), find.begin(), find.end());
        return calls(extra);
    };
    EXPECT_EQ(found({}), (Calls {"DL1ABC", "DK9XX"}));
    EXPECT_EQ(found({"--backward"}), (Calls {"DK9XX", "DL1ABC"}));
    EXPECT_EQ(found({"--skip", "1"}), (Calls {"DK9XX"}));
    EXPECT_EQ(found({"--limit", "1"}), (Calls {"DL1ABC"}));

    const CliRun none = runTool({"show", m_table, "--find", "[CALL] = 'XX1XX'"});
    EXPECT_EQ(none.exit, 1);
    EXPECT_EQ(none.out, "");
    const CliRun badFilter = runTool({"show", m_table, "--filter", "[CALL] D 'L'"});
    EXPECT_EQ(badFilter.exit, 1);
    EXPECT_EQ(badFilter.err.rfind("talvo-dbf: 3001: Das Filterkriterium »[CALL] D 'L'«", 0), 0u);
    EXPECT_EQ(runTool({"show", m_table, "--backward"}).exit, 2);
}

TEST_F(Cli, SortNamingAFieldTwiceIsRefused)
{
    const CliRun twice = runTool({"show", m_table, "--sort", "CALL, NOF_SSB, call DESC"});
    EXPECT_EQ(twice.exit, 1);
    EXPECT_EQ(twice.out, "");
    EXPECT_EQ(twice.err,
              "talvo-dbf: 3001: Die Sortierangabe »CALL, NOF_SSB, call DESC« ist ungültig: das "
              "Feld »call« wird mehr als einmal genannt.\n");
    EXPECT_EQ(
            runTool({"show", m_table, "--sort", "NOF_SSB DESC, CALL, RIG", "--format", "csv"}).out,
            "CALL,RIG,NOF_SSB\r\n"
            "DL1ABC,\"IC-7300, \"\"Dipol\"\"\",\"12,5\"\r\n"
            "OE3JÖ,\"Yaesu\r\nFT-817\",3\r\n");
}

// A date field compares with a date and time as such, midnight starting a day; a text that is
// no date is an error in the criterion, never a comparison with the date's display text.
TEST_F(Cli, FilterComparesDatesWithATime)
{
    const std::string table = m_dir.write("datum.dbf",
                                          DbfBuilder(0x03, {{"CALL", 'C', 8}, {"UP_DATE", 'D', 8}})
                                                  .record({"A", "20030104"})
                                                  .record({"B", "20030105"})
                                                  .record({"C", "20030106"})
                                                  .record({"D", "20021231"})
                                                  .record({"E", "20040101"})
                                                  .bytes());
    auto calls = [&](const char *criterion) { // the first letters of the CSV lines
        std::string first;
        const std::string csv =
                runTool({"show", table, "--filter", criterion, "--format", "csv"}).out;
        for (size_t line = csv.find('\n'); line + 1 < csv.size(); line = csv.find('\n', line + 1))
            first += csv[line + 1];
        return first;
    };
    EXPECT_EQ(calls("[UP_DATE] > '05.01.2003 12:00'"), "CE");
    EXPECT_EQ(calls("[UP_DATE] >  #01-05-2003 12:00#"), "CE");
    EXPECT_EQ(calls("[UP_DATE] >= '05.01.2003 0:00'"), "BCE");
    EXPECT_EQ(calls("[UP_DATE] < '05.01.2003 12:00'"), "ABD");
    const CliRun noDate = runTool({"show", table, "--filter", "[UP_DATE] > 'Mai 2003'"});
    EXPECT_EQ(noDate.exit, 1);
    EXPECT_EQ(noDate.out, "");
    EXPECT_EQ(noDate.err.rfind("talvo-dbf: 3001: Das Filterkriterium »[UP_DATE] > 'Mai 2003'« "
                               "ist ungültig: das Feld »UP_DATE« ist ein Datumsfeld",
                               0),
              0u)
            << noDate.err;
}

// The path reaches the record set whatever it holds.
TEST_F(Cli, ShowOpensTablesInOddFolders)
{
    const std::string folder = m_dir.file(" DL;OE {alt}=neu");
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(m_table, folder + "/funk;2003.dbf");
    EXPECT_EQ(runTool({"show", folder + "/funk;2003.dbf", "--count"}).out, "2\n");
}

TEST(CliHelp, HelpAndVersion)
{
    EXPECT_NE(runTool({"--help"}).out.find("Aufruf: talvo-dbf"), std::string::npos);
    EXPECT_EQ(runTool({"--version"}).out, "talvo-dbf 1.0.2\n");
}

TEST(SampleStations, DlStationsInCallSignOrder)
{
    const CliRun r =
            runTool({"show", TALVO_SAMPLE_TABLE, "--query", "select * from stations Order by CALL",
                     "--filter", "[CALL] LIKE 'DL*'", "--format", "csv"});
    ASSERT_EQ(r.exit, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line, previous;
    std::getline(lines, line);
    int count = 0;
    while (std::getline(lines, line)) {
        const std::string call = line.substr(0, line.find(','));
        EXPECT_EQ(call.rfind("DL", 0), 0u) << call;
        EXPECT_LE(previous, call); // plain call signs: German order is byte order here
        previous = call;
        ++count;
    }
    EXPECT_GT(count, 50);
}

TEST(SampleStations, ShowUmlautsRight)
{
    const std::string sample = TALVO_SAMPLE_TABLE;
    const CliRun info = runTool({"info", sample});
    ASSERT_EQ(info.exit, 0) << info.err;
    EXPECT_NE(info.out.find("Codepage:         CP850"), std::string::npos);
    EXPECT_NE(info.out.find("AKTIVIT_TE"), std::string::npos);

    const CliRun show = runTool({"show", sample, "--format", "csv"});
    ASSERT_EQ(show.exit, 0);
    EXPECT_EQ(
            show.out.rfind("CALL,DXCC_WAE,LOCATOR,NEW_OLD_CA,PR_ADRESSE,PR_CLUSTER,E_MAIL,VORNAME,"
                           "AKTIVIT_TE,RIG,NOF_CW_LPM,NOF_SSB,UP_DATE\r\n",
                           0),
            0u);
    for (const char *umlaut : {"ä", "ö", "ü", "ß"})
        EXPECT_NE(show.out.find(umlaut), std::string::npos) << umlaut;
    EXPECT_EQ(show.out.find("\xEF\xBF\xBD"), std::string::npos); // no replacement characters
}

} // namespace
