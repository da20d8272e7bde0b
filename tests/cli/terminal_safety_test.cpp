// talvo-dbf with hostile tables and odd names: text output shows control characters visibly,
// "--" ends the options, a file named just ".dbf" opens, numbers that overflow are refused.
#include "dbf_builder.h"
#include "support/cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using dbfbuild::DbfBuilder, dbfbuild::Layout;

namespace {

// Values that would retitle the terminal (OSC), clear it (CSI, also as the C1 control U+009B)
// and forge a line, and a field name with ESC; read as UTF-8.
const std::string kRetitle = "DL1\x1b]0;x\x07";
const std::string kForged = "A\rB\nRUF : C\tD\x7f\xC2\x9B"
                            "2J\\x";
const std::string kClear = "1\x1b[2J";

std::string hostileTable()
{
    return DbfBuilder(0x03, {{"RUF\x1bX", 'C', 20}, {"TEXT", 'C', 40}, {"NR", 'N', 8}})
            .record({kRetitle, kForged, kClear})
            .bytes();
}

class TextOutput : public InTempFolder
{
protected:
    const std::string m_table = m_dir.write("feind.dbf", hostileTable());
};

// Text shows the control characters of values and names visibly; CSV and JSON stay exact.
TEST_F(TextOutput, ShowsControlCharactersVisiblyAndKeepsThemExactInCsvAndJson)
{
    EXPECT_EQ(runTool({"show", m_table, "--encoding", "UTF-8"}).out,
              "Datensatz 1\n"
              "RUF\\x1bX : DL1\\x1b]0;x\\x07\n"
              "TEXT     : A\\rB\\nRUF : C\\tD\\x7f\\u009b2J\\x\n"
              "NR       : 1\\x1b[2J\n");
    const CliRun csv = runTool({"show", m_table, "--encoding", "UTF-8", "--format", "csv"});
    EXPECT_EQ(csv.out,
              "RUF\x1bX,TEXT,NR\r\n" + kRetitle + ",\"" + kForged + "\"," + kClear + "\r\n");

    // JSON escapes every control character, DEL and C1 too, and reads back exactly.
    const CliRun json = runTool({"show", m_table, "--encoding", "UTF-8", "--format", "json"});
    EXPECT_TRUE(onlyLineBreaks(json.out)) << json.out;
    const nlohmann::json record = nlohmann::json::parse(json.out);
    EXPECT_EQ(record["RUF\x1bX"], kRetitle);
    EXPECT_EQ(record["TEXT"], kForged);
    EXPECT_EQ(record["NR"]["$invalid"], kClear);
    EXPECT_TRUE(holds(json.out, {"\\u007f\\u009b2J\\\\x"}));
}

TEST_F(TextOutput, InfoAndCheckShowControlCharactersVisibly)
{
    const std::string named = m_dir.write("a\x1b[2Jb.dbf", hostileTable());
    const CliRun info = runTool({"info", named, "--encoding", "UTF-8"});
    ASSERT_EQ(info.exit, 0) << info.err;
    EXPECT_TRUE(
            holds(info.out,
                  {"Datei:            " + m_dir.file("a\\x1b[2Jb.dbf") + "\n", "RUF\\x1bX    C"}));
    EXPECT_TRUE(onlyLineBreaks(info.out)) << info.out;

    // dBase 7 keeps the language driver's name in the header: the table's text as well.
    const std::string dbase7 = m_dir.write("sieben.dbf",
                                           DbfBuilder(0x04, {{"NR", 'N', 8}}, Layout::DBase7)
                                                   .languageDriverName("DB\x1b]0;x\x07")
                                                   .record({kClear})
                                                   .bytes());
    const CliRun check = runTool({"check", named, dbase7});
    EXPECT_EQ(check.exit, 1);
    EXPECT_TRUE(holds(check.out,
                      {"Der Wert »1\\x1b[2J« lässt sich nicht lesen",
                       "[Byte 190, Datensatz 1, Feld »NR«]",
                       "Sprachtreiber-Byte 0x00 »DB\\x1b]0;x\\x07«"}));
    EXPECT_TRUE(onlyLineBreaks(check.out)) << check.out;

    const nlohmann::json report =
            nlohmann::json::parse(runTool({"check", named, "--format", "json"}).out);
    EXPECT_EQ(report["tables"][0]["file"], named);
    EXPECT_EQ(report["tables"][0]["findings"][0]["text"],
              "Der Wert »" + kClear + "« lässt sich nicht lesen: keine Zahl.");
}

// What a terminal gets from the program itself: no byte it would obey, on either stream; errors
// show the control characters of options and names visibly.
TEST_F(TextOutput, NoControlCharacterReachesTheTerminal)
{
    // [exit code, error number or "", arguments, part of the error]
    for (const nlohmann::json &c : nlohmann::json::parse(R"([
            [0, "", ["show", "feind.dbf", "--encoding", "UTF-8"], ""],
            [0, "", ["info", "feind.dbf", "--encoding", "UTF-8"], ""],
            [2, "", ["check", "feind.dbf", "fehlt\u001b]0;x\u0007.dbf"], "fehlt\\x1b]0;x\\x07"],
            [0, "", ["show", "feind.dbf", "--format", "json", "--encoding", "UTF-8"], ""],
            [2, "7100", ["show", "feind.dbf", "--\u001b[2J"], "»--\\x1b[2J«"],
            [1, "7001", ["show", "fehlt\r.dbf"], "fehlt\\r.dbf"]])")) {
        SCOPED_TRACE(c.dump());
        const CliRun r = runProcess(c[2].get<std::vector<std::string>>(), m_dir.file("err"));
        EXPECT_EQ(r.exit, c[0]);
        EXPECT_FALSE(r.out.empty() && r.err.empty());
        EXPECT_TRUE(onlyLineBreaks(r.out)) << r.out;
        EXPECT_TRUE(onlyLineBreaks(r.err)) << r.err;
        EXPECT_TRUE(holds(r.err, {c[3].get<std::string>()}));
        EXPECT_TRUE(c[1] == "" || refused(r, c[0].get<int>(), c[1].get<std::string>()));
    }
}

// A table named like an option and one named just ".dbf" in the current folder.
class CommandLine : public InTempFolder
{
protected:
    CommandLine()
    {
        for (const char *name : {"-x.dbf", ".dbf", "funk.dbf"})
            m_dir.write(name, DbfBuilder(0x03, {{"CALL", 'C', 8}}).record({"DL1ABC"}).bytes());
    }
};

TEST_F(CommandLine, DoubleDashEndsTheOptions)
{
    const CliRun plain = runTool({"show", "--format", "csv", "--", "-x.dbf"});
    ASSERT_EQ(plain.exit, 0) << plain.err;
    EXPECT_EQ(plain.out, "CALL\r\nDL1ABC\r\n");
    EXPECT_EQ(runTool({"--", "info", "-x.dbf"}).exit, 0);
    EXPECT_EQ(runTool({"check", "--", "-x.dbf", "-x.dbf"}).exit, 0);
    expectRefusals(R"([
            [2, "7100", ["show", "-x.dbf"], ["Unbekannte Option »-x.dbf«"]],
            // After "--" an option is a file name.
            [2, "7100", ["show", "--", "-x.dbf", "--limit"], ["Überzähliges Argument »--limit«"]],
            // Numbers that overflow are usage errors.
            [2, "7100", ["show", "--", "-x.dbf", "--limit", "99999999999999999999"]],
            [2, "7100", ["show", "--limit", "18446744073709551616", "--", "-x.dbf"]],
            [2, "7100", ["show", "--find", "[CALL] = 'DL1ABC'", "--skip", "9223372036854775808",
                         "--", "-x.dbf"]],
            [2, "7100", ["show", "--limit", "-1", "--", "-x.dbf"]]])");
    EXPECT_EQ(runTool({"show", "--limit", "18446744073709551615", "--", "-x.dbf"}).out,
              "Datensatz 1\nCALL : DL1ABC\n");
    EXPECT_EQ(runTool({"show", "--find", "[CALL] = 'DL1ABC'", "--skip", "9223372036854775807", "--",
                       "-x.dbf"})
                      .exit,
              1); // skipped past the only match
}

// The table of a file named ".dbf" has the empty name: the query "select * from " reads it.
TEST_F(CommandLine, FileNamedJustDotDbfOpens)
{
    const CliRun shown = runTool({"show", ".dbf", "--format", "csv"});
    ASSERT_EQ(shown.exit, 0) << shown.err;
    EXPECT_EQ(shown.out, "CALL\r\nDL1ABC\r\n");
    EXPECT_EQ(runTool({"show", ".dbf", "--query", "select * from  Order by CALL", "--count"}).out,
              "1\n");
    EXPECT_EQ(runTool({"info", ".dbf"}).exit, 0);
    EXPECT_EQ(runTool({"check", ".dbf"}).exit, 0);

    // Other names stay as they were: the empty name is no other table's.
    const CliRun wrong = runTool({"show", "funk.dbf", "--query", "select * from "});
    EXPECT_EQ(wrong.exit, 1);
    EXPECT_TRUE(holds(wrong.err, {"Die Tabelle »« gibt es in der Datenbank"}));
    EXPECT_EQ(runTool({"show", "funk.dbf", "--query", "select * from funk", "--count"}).out, "1\n");
}

} // namespace
