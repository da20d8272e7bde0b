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
using Args = std::vector<std::string>;

namespace {

// A station table: quotes, a comma and a line break in texts, a deleted record, an umlaut
// (0x99, Ö in CP850).
std::string funk()
{
    return DbfBuilder(0x03, {{"CALL", 'C', 10}, {"RIG", 'C', 30}, {"NOF_SSB", 'N', 6, 1}})
            .languageDriver(0x02)
            .record({"DL1ABC", "IC-7300, \"Dipol\"", "12.5"})
            .record({"DK9XX", "alt", ""}, true)
            .record({"OE3J\x99", "Yaesu\r\nFT-817", "3"})
            .bytes();
}

std::string mazovia()
{
    std::string bytes =
            DbfBuilder(0x30, {{"A1", 'C', 10}, {"A2", 'C', 7}}, dbfbuild::Layout::FoxPro)
                    .languageDriver(0x69)
                    .record({"2020-01-04", "English"})
                    .record({"2020-01-04", "\x98\xD7\x88\x89\xE7\xF5\x9E"})
                    .bytes();
    const size_t firstRecord = 32 + 2 * 32 + 1 + 263, recordLength = 18;
    bytes[firstRecord] = bytes[firstRecord + recordLength] = '\0';
    return bytes;
}

const std::string kFunkCsv = "CALL,RIG,NOF_SSB\r\n"
                             "DL1ABC,\"IC-7300, \"\"Dipol\"\"\",\"12,5\"\r\n"
                             "OE3JÖ,\"Yaesu\r\nFT-817\",3\r\n";

// A table and what each output format makes of it: text blocks, CSV as shown (RFC 4180),
// plain CSV, typed JSON; and the exit code of check.
struct OutputCase
{
    const char *name;
    std::string table;
    std::string text, csv, plain, json;
    int check;
    std::vector<std::string> info = {};
};

using dbfbuild::littleEndian32, dbfbuild::littleEndian64;

const std::vector<OutputCase> kOutputCases = {
        {"funk",
         funk(),
         "Datensatz 1\nCALL    : DL1ABC\nRIG     : IC-7300, \"Dipol\"\nNOF_SSB : 12,5\n\n"
         "Datensatz 2\nCALL    : OE3JÖ\nRIG     : Yaesu\\r\\nFT-817\nNOF_SSB : 3\n",
         kFunkCsv,
         "CALL,RIG,NOF_SSB\r\n"
         "DL1ABC,\"IC-7300, \"\"Dipol\"\"\",12.5\r\n"
         "OE3JÖ,\"Yaesu\r\nFT-817\",3\r\n",
         "{\"CALL\":\"DL1ABC\",\"RIG\":\"IC-7300, \\\"Dipol\\\"\",\"NOF_SSB\":12.5}\n"
         "{\"CALL\":\"OE3JÖ\",\"RIG\":\"Yaesu\\r\\nFT-817\",\"NOF_SSB\":3}\n",
         0,
         {"0x03 (dBase III)", "CP850 (aus dem Sprachtreiber-Byte 0x02)",
          "3 laut Kopf, 3 vorhanden\n", "NOF_SSB     N      6   1",
          "Gelöscht:         1 von 3 Datensätzen"}},
        // Numbers with their stored digits, ISO dates, booleans, null for empty values, and
        // values that do not decode as stored with the reason.
        {"typen",
         DbfBuilder(0x03, {{"CALL", 'C', 8}, {"SSB", 'N', 7, 2}, {"SEIT", 'D', 8}, {"QSL", 'L', 1}})
                 .record({"DL1ABC", "+012.50", "20030501", "T"})
                 .record({"", "", "", " "})
                 .record({"X", "**", "20031332", "X"})
                 .bytes(),
         "Datensatz 1\nCALL : DL1ABC\nSSB  : +012,50\nSEIT : 01.05.2003\nQSL  : Wahr\n\n"
         "Datensatz 2\nCALL : \nSSB  : \nSEIT : \nQSL  : \n\n"
         "Datensatz 3\nCALL : X\nSSB  : **\nSEIT : 20031332\nQSL  : X\n",
         "CALL,SSB,SEIT,QSL\r\nDL1ABC,\"+012,50\",01.05.2003,Wahr\r\n,,,\r\nX,**,20031332,"
         "X\r\n",
         "CALL,SSB,SEIT,QSL\r\nDL1ABC,12.50,2003-05-01,true\r\n,,,\r\nX,**,20031332,X\r\n",
         "{\"CALL\":\"DL1ABC\",\"SSB\":12.50,\"SEIT\":\"2003-05-01\",\"QSL\":true}\n"
         "{\"CALL\":\"\",\"SSB\":null,\"SEIT\":null,\"QSL\":null}\n"
         "{\"CALL\":\"X\",\"SSB\":{\"$invalid\":\"**\",\"reason\":\"keine Zahl\"},"
         "\"SEIT\":{\"$invalid\":\"20031332\",\"reason\":\"kein Tag des Kalenders\"},"
         "\"QSL\":{\"$invalid\":\"X\",\"reason\":\"kein Wahrheitswert\"}}\n",
         1},
        // Harbour's own field types in a dBase III table: integers scaled by their decimals,
        // a double that is no memo pointer (check looks for no memo file), times of day and
        // Julian timestamps.
        {"harbour",
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
                          littleEndian32(2451545) + littleEndian32(3723000), "", littleEndian64(2)})
                 .bytes(),
         "Datensatz 1\nQRG       : 7100,00\nNR        : -3\nWATT      : 2,5\nUHRZEIT   : "
         "01:02:03\n"
         "SEIT      : 01.01.2000 01:02:03\nGEAENDERT : \nVERSION   : 2\n",
         "QRG,NR,WATT,UHRZEIT,SEIT,GEAENDERT,VERSION\r\n"
         "\"7100,00\",-3,\"2,5\",01:02:03,01.01.2000 01:02:03,,2\r\n",
         "QRG,NR,WATT,UHRZEIT,SEIT,GEAENDERT,VERSION\r\n"
         "7100.00,-3,2.5,01:02:03.004,2000-01-01 01:02:03,,2\r\n",
         "{\"QRG\":7100.00,\"NR\":-3,\"WATT\":2.5,\"UHRZEIT\":\"01:02:03.004\","
         "\"SEIT\":\"2000-01-01T01:02:03\",\"GEAENDERT\":null,\"VERSION\":2}\n",
         0},
        // A number field full of '*' (shapelib's null, dBase's number too wide for its
        // field) is shown as stored and has no value. Partly starred is no number.
        {"sterne",
         DbfBuilder(0x03, {{"WATT", 'N', 4}, {"QRG", 'N', 6}}).record({"****", "**"}).bytes(),
         "Datensatz 1\nWATT : ****\nQRG  : **\n", "WATT,QRG\r\n****,**\r\n", "WATT,QRG\r\n,**\r\n",
         "{\"WATT\":null,\"QRG\":{\"$invalid\":\"**\",\"reason\":\"keine Zahl\"}}\n", 1},
        // dBase IV and 5 and FoxPro leave an empty number with decimals blank but for its
        // point: no value, and nothing for check to find.
        {"leer",
         DbfBuilder(0x8B, {{"SSB", 'N', 5, 1}, {"QRG", 'F', 8, 3}})
                 .record({"  .  ", "    .   "})
                 .record({" 12.5", "  14.200"})
                 .bytes(),
         "Datensatz 1\nSSB : \nQRG : \n\nDatensatz 2\nSSB : 12,5\nQRG : 14,200\n",
         "SSB,QRG\r\n,\r\n\"12,5\",\"14,200\"\r\n", "SSB,QRG\r\n,\r\n12.5,14.200\r\n",
         "{\"SSB\":null,\"QRG\":null}\n{\"SSB\":12.5,\"QRG\":14.200}\n", 0},
        // A NUL ends a text in text and CSV output; JSON keeps it, escaped, with the flag.
        {"nul",
         DbfBuilder(0x03, {{"CALL", 'C', 8}, {"SEIT", 'D', 8}})
                 .record({std::string("DL1\0reak", 8), "20" + std::string(2, '\0') + "0101"})
                 .bytes(),
         "Datensatz 1\nCALL : DL1\nSEIT : 20\n", "CALL,SEIT\r\nDL1,20\r\n",
         "CALL,SEIT\r\nDL1,20\r\n",
         "{\"CALL\":{\"$invalid\":\"DL1\\u0000reak\",\"reason\":\"NUL-Byte im Text\"},"
         "\"SEIT\":{\"$invalid\":\"20\\u0000\\u00000101\",\"reason\":\"kein Datum der Form "
         "JJJJMMTT\"}}\n",
         1},
        // mazovia.dbf of the Ruby dbf project: a Visual FoxPro table with the Mazovia driver
        // 0x69 whose two records have the flag byte 0x00. Both are shown, the second in
        // Mazovia's upper half, where it keeps CP437's box drawing.
        {"mazovia",
         mazovia(),
         "Datensatz 1\nA1 : 2020-01-04\nA2 : English\n\n"
         "Datensatz 2\nA1 : 2020-01-04\nA2 : Ś╫êëτ⌡ś\n",
         "A1,A2\r\n2020-01-04,English\r\n2020-01-04,Ś╫êëτ⌡ś\r\n",
         "A1,A2\r\n2020-01-04,English\r\n2020-01-04,Ś╫êëτ⌡ś\r\n",
         "{\"A1\":\"2020-01-04\",\"A2\":\"English\"}\n"
         "{\"A1\":\"2020-01-04\",\"A2\":\"Ś╫êëτ⌡ś\"}\n",
         1, // the flag bytes 0x00
         {"Codepage:         CP620"}},
};

TEST(Show, EveryFormatOfEveryKindOfValue)
{
    const TempDir dir;
    for (const OutputCase &c : kOutputCases) {
        SCOPED_TRACE(c.name);
        const std::string table = dir.write(std::string(c.name) + ".dbf", c.table);
        EXPECT_EQ(runTool({"show", table}).out, c.text);
        EXPECT_EQ(runTool({"show", table, "--format", "csv"}).out, c.csv);
        EXPECT_EQ(runTool({"show", table, "--format", "csv", "--plain"}).out, c.plain);
        EXPECT_EQ(runTool({"show", table, "--format", "json"}).out, c.json);
        EXPECT_EQ(runTool({"check", table}).exit, c.check);
        const CliRun info = runTool({"info", table});
        EXPECT_EQ(info.exit, 0);
        EXPECT_TRUE(holds(info.out, c.info));
    }
}

class Cli : public InTempFolder
{
protected:
    const std::string m_table = m_dir.write("funk.dbf", funk());
};

TEST_F(Cli, JsonFlagsDeletedRecordsAndCsvHonoursTheEncoding)
{
    std::istringstream lines(
            runTool({"show", m_table, "--format", "json", "--deleted", "--limit", "2"}).out);
    std::vector<nlohmann::json> records;
    for (std::string line; std::getline(lines, line);)
        records.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["_deleted"], false);
    EXPECT_EQ(records[1]["CALL"], "DK9XX");
    EXPECT_EQ(records[1]["_deleted"], true);

    EXPECT_TRUE(holds(runTool({"show", m_table, "--format", "csv", "--encoding", "CP1252"}).out,
                      {"OE3J™"}));
}

// info names a Visual FoxPro table's two-digit year and what is missing; a last update that is no
// day as its bytes, never as a date made of them.
TEST_F(Cli, InfoTellsWhatTheHeaderHolds)
{
    std::string vfp = DbfBuilder(0x30, {{"CALL", 'C', 10}}, dbfbuild::Layout::FoxPro)
                              .record({"DL1ABC"})
                              .record({"OE3XYZ"})
                              .record({"HB9AA"})
                              .bytes();
    vfp.replace(1, 3, "\x0F\x06\x1E"); // 15-06-30
    vfp.resize(vfp.size() - 6); // the last record cut short
    const std::string noDay = m_dir.write(
            "datum.dbf",
            DbfBuilder(0x03, {{"CALL", 'C', 10}}).lastUpdate(2022, 0, 0).record({"DL1"}).bytes());
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
            {m_dir.write("vfp.dbf", vfp),
             {"Letzte Änderung:  30.06.2015",
              "Der Dateikopf nennt 3 Datensätze, die Datei enthält nur 2 vollständige und einen "
              "unvollständigen."}},
            {noDay,
             {"Letzte Änderung:  ungültig (Bytes 7A 00 00: Jahr, Monat, Tag)\n",
              "Das Datum der letzten Änderung im Dateikopf ist kein Tag des Kalenders (Bytes 7A 00 "
              "00: Jahr, Monat, Tag); es wird nicht als Datum gezeigt."}}};
    for (const auto &[table, parts] : cases) {
        const CliRun r = runTool({"info", table});
        EXPECT_EQ(r.exit, 0) << table;
        EXPECT_TRUE(holds(r.out, parts));
    }

    const nlohmann::json report =
            nlohmann::json::parse(runTool({"check", noDay, "--format", "json"}).out);
    const nlohmann::json &findings = report["tables"][0]["findings"];
    ASSERT_EQ(findings.size(), 1u) << findings.dump(1);
    EXPECT_EQ(findings[0]["kind"], "header-date");
    EXPECT_EQ(findings[0]["offset"], 1);
}

TEST_F(Cli, FailuresGoToStandardErrorWithNumber)
{
    // Opened through the record set, a missing file is reported with the reader's number too.
    EXPECT_EQ(runTool({"show", "fehlt.dbf"}).err, runTool({"info", "fehlt.dbf"}).err);
    m_dir.write("text.dbf", "Keine Tabelle.");
    expectRefusals(R"([
            // The system's reason in German too, whatever the machine's language.
            [1, "7001", ["info", "fehlt.dbf"],
             ["Die Datei »fehlt.dbf« wurde nicht gefunden",
              "wurde nicht gefunden (Datei oder Verzeichnis nicht gefunden)."]],
            [1, "7010", ["info", "text.dbf"]], [2, "7100", []], [2, "7100", ["show"]],
            [2, "7100", ["zeige", "funk.dbf"]], [2, "7100", ["show", "funk.dbf", "--bunt"]],
            [2, "7100", ["show", "funk.dbf", "--format", "xml"]],
            [2, "7100", ["show", "funk.dbf", "--limit", "viele"]],
            [2, "7100", ["show", "funk.dbf", "--plain"]], // --plain belongs to csv
            [2, "7100", ["show", "funk.dbf", "--backward"]], // --backward to --find
            [1, "3001", ["show", "funk.dbf", "--filter", "[CALL] D 'L'"],
             ["Das Filterkriterium »[CALL] D 'L'«"]],
            [1, "3001", ["show", "funk.dbf", "--sort", "CALL, NOF_SSB, call DESC"],
             ["3001: Die Sortierangabe »CALL, NOF_SSB, call DESC« ist ungültig: das Feld »call«",
              "das Feld »call« wird mehr als einmal genannt.\n"]]])");
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
    EXPECT_TRUE(startsWith(err.str(), "talvo-dbf: 7030: "));
    EXPECT_TRUE(holds(err.str(), {"Datensatz 2000"}));
    EXPECT_TRUE(holds(output.str(), {"\r\nDL9,"}));
}

// The call signs a `show` of `table` with `args` lists, each followed by a blank.
std::string calls(const std::string &table, Args args)
{
    args.insert(args.begin(), {"show", table});
    args.insert(args.end(), {"--format", "json"});
    std::istringstream lines(runTool(args).out);
    std::string result;
    for (std::string line; std::getline(lines, line);)
        result += nlohmann::json::parse(line)["CALL"].get<std::string>() + ' ';
    return result;
}

TEST_F(Cli, QueryFilterSortCountAndFind)
{
    const std::string find = "[CALL] LIKE 'D*'";
    for (const auto &[args, expected] : std::vector<std::pair<Args, std::string>> {
                 {{"--query", "select * from funk Order by CALL"}, "DL1ABC OE3JÖ "},
                 {{"--deleted", "--sort", "CALL DESC"}, "OE3JÖ DL1ABC DK9XX "},
                 {{"--deleted", "--find", find}, "DL1ABC DK9XX "},
                 {{"--deleted", "--find", find, "--backward"}, "DK9XX DL1ABC "},
                 {{"--deleted", "--find", find, "--skip", "1"}, "DK9XX "},
                 {{"--deleted", "--find", find, "--limit", "1"}, "DL1ABC "}})
        EXPECT_EQ(calls(m_table, args), expected);
    EXPECT_EQ(runTool({"show", m_table, "--query", "select RIG from funk", "--format", "csv",
                       "--limit", "1"})
                      .out,
              "RIG\r\n\"IC-7300, \"\"Dipol\"\"\"\r\n");
    EXPECT_EQ(
            runTool({"show", m_table, "--sort", "NOF_SSB DESC, CALL, RIG", "--format", "csv"}).out,
            kFunkCsv);
    EXPECT_EQ(runTool({"show", m_table, "--count", "--filter", "[NOF_SSB] >= 3"}).out, "2\n");
    EXPECT_EQ(runTool({"show", m_table, "--deleted", "--count"}).out, "3\n");

    const CliRun none = runTool({"show", m_table, "--find", "[CALL] = 'XX1XX'"});
    EXPECT_EQ(none.exit, 1);
    EXPECT_EQ(none.out, "");
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
    for (const auto &[criterion, expected] : std::vector<std::pair<std::string, std::string>> {
                 {"[UP_DATE] > '05.01.2003 12:00'", "C E "},
                 {"[UP_DATE] >  #01-05-2003 12:00#", "C E "},
                 {"[UP_DATE] >= '05.01.2003 0:00'", "B C E "},
                 {"[UP_DATE] < '05.01.2003 12:00'", "A B D "}})
        EXPECT_EQ(calls(table, {"--filter", criterion}), expected) << criterion;
    expectRefusals(R"([[1, "3001", ["show", "datum.dbf", "--filter", "[UP_DATE] > 'Mai 2003'"],
            ["Das Filterkriterium »[UP_DATE] > 'Mai 2003'« ist ungültig: das Feld »UP_DATE«",
             "das Feld »UP_DATE« ist ein Datumsfeld"]]])");
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
    EXPECT_TRUE(holds(runTool({"--help"}).out, {"Aufruf: talvo-dbf", "  --  "}));
    EXPECT_EQ(runTool({"--version"}).out, "talvo-dbf 1.0.2\n");
}

// The bundled sample: CP850 umlauts, the DL stations in call-sign order.
TEST(SampleStations, DlStationsInCallSignOrderWithUmlauts)
{
    const std::string sample = TALVO_SAMPLE_TABLE;
    EXPECT_TRUE(holds(runTool({"info", sample}).out, {"Codepage:         CP850", "AKTIVIT_TE"}));
    const CliRun show = runTool({"show", sample, "--format", "csv"});
    ASSERT_EQ(show.exit, 0) << show.err;
    EXPECT_TRUE(startsWith(show.out,
                           "CALL,DXCC_WAE,LOCATOR,NEW_OLD_CA,PR_ADRESSE,PR_CLUSTER,"
                           "E_MAIL,VORNAME,AKTIVIT_TE,RIG,NOF_CW_LPM,NOF_SSB,UP_DATE\r\n"));
    EXPECT_TRUE(holds(show.out, {"ä", "ö", "ü", "ß"}));
    EXPECT_EQ(show.out.find("\xEF\xBF\xBD"), std::string::npos); // no replacement characters

    std::istringstream dl(calls(
            sample,
            {"--query", "select * from stations Order by CALL", "--filter", "[CALL] LIKE 'DL*'"}));
    std::string call, previous;
    int count = 0;
    for (; dl >> call; ++count) {
        EXPECT_TRUE(startsWith(call, "DL"));
        EXPECT_LE(previous, call); // plain call signs: German order is byte order here
        previous = call;
    }
    EXPECT_GT(count, 50);
}

} // namespace
