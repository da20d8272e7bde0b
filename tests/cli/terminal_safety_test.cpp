// talvo-dbf with hostile tables and odd names: text output shows control characters visibly,
// "--" ends the options, a file named just ".dbf" opens, numbers that overflow are refused.
#include "dbf_builder.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>

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

std::string contents(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// The built talvo-dbf as a process, its standard output and error in files: the bytes a
// terminal would get. No argument holds a single quote.
CliRun runProcess(const TempDir &dir, const std::vector<std::string> &args)
{
    std::string command = "'" TALVO_DBF_TOOL "'";
    for (const std::string &arg : args)
        command += " '" + arg + "'";
    command += " >'" + dir.file("out") + "' 2>'" + dir.file("err") + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(dir.file("out")),
            contents(dir.file("err"))};
}

class TextOutput : public ::testing::Test
{
protected:
    TempDir m_dir;
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
    const struct
    {
        std::vector<std::string> args;
        int exit;
        std::string number, error;
    } cases[] = {
            {{"show", m_table, "--encoding", "UTF-8"}, 0, "", ""},
            {{"info", m_table, "--encoding", "UTF-8"}, 0, "", ""},
            {{"check", m_table, m_dir.file("fehlt\x1b]0;x\x07.dbf")}, 2, "", "fehlt\\x1b]0;x\\x07"},
            {{"show", m_table, "--format", "json", "--encoding", "UTF-8"}, 0, "", ""},
            {{"show", m_table, "--\x1b[2J"}, 2, "7100", "»--\\x1b[2J«"},
            {{"show", m_dir.file("fehlt\r.dbf")}, 1, "7001", "fehlt\\r.dbf"},
    };
    for (const auto &c : cases) {
        const CliRun r = runProcess(m_dir, c.args);
        EXPECT_EQ(r.exit, c.exit) << c.args[0];
        EXPECT_FALSE(r.out.empty() && r.err.empty()) << c.args[0];
        EXPECT_TRUE(onlyLineBreaks(r.out)) << r.out;
        EXPECT_TRUE(onlyLineBreaks(r.err)) << r.err;
        EXPECT_TRUE(holds(r.err, {c.error}));
        EXPECT_TRUE(c.number.empty() || refused(r, c.exit, c.number));
    }
}

// A table named like an option and one named just ".dbf", and a folder to run in, restored
// afterwards.
class CommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"-x.dbf", ".dbf", "funk.dbf"})
            m_dir.write(name, DbfBuilder(0x03, {{"CALL", 'C', 8}}).record({"DL1ABC"}).bytes());
        std::filesystem::current_path(m_dir.file(""));
    }
    void TearDown() override { std::filesystem::current_path(m_previous); }

    const std::filesystem::path m_previous = std::filesystem::current_path();
    TempDir m_dir;
};

TEST_F(CommandLine, DoubleDashEndsTheOptions)
{
    const CliRun plain = runTool({"show", "--format", "csv", "--", "-x.dbf"});
    ASSERT_EQ(plain.exit, 0) << plain.err;
    EXPECT_EQ(plain.out, "CALL\r\nDL1ABC\r\n");
    EXPECT_EQ(runTool({"--", "info", "-x.dbf"}).exit, 0);
    EXPECT_EQ(runTool({"check", "--", "-x.dbf", "-x.dbf"}).exit, 0);
    expectRefusals({
            {{"show", "-x.dbf"}, 2, "7100", {"Unbekannte Option »-x.dbf«"}},
            // After "--" an option is a file name.
            {{"show", "--", "-x.dbf", "--limit"}, 2, "7100", {"Überzähliges Argument »--limit«"}},
            // Numbers that overflow are usage errors.
            {{"show", "--", "-x.dbf", "--limit", "99999999999999999999"}, 2, "7100"},
            {{"show", "--limit", "18446744073709551616", "--", "-x.dbf"}, 2, "7100"},
            {{"show", "--find", "[CALL] = 'DL1ABC'", "--skip", "9223372036854775808", "--",
              "-x.dbf"},
             2,
             "7100"},
            {{"show", "--limit", "-1", "--", "-x.dbf"}, 2, "7100"},
    });
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
