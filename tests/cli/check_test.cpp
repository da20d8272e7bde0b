// `talvo-dbf check`: the health report of tables built valid and then damaged byte by byte, its
// exit codes and its JSON document; the findings in `info` and the warnings of `show`.
#include "cli.h"
#include "damaged_tables.h"
#include "dbf/finding.h"
#include "dbf/memo_file.h"
#include "dbf_builder.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

using dbfbuild::DbfBuilder;
using nlohmann::json;

namespace {

// A station table with text, number, date and logical fields; header 32 + 4 * 32 + 1 bytes,
// records of 1 + 10 + 5 + 8 + 1 bytes.
constexpr size_t kFirstRecord = 161;

std::string stations()
{
    DbfBuilder builder(
            0x03, {{"CALL", 'C', 10}, {"NOF_SSB", 'N', 5}, {"UP_DATE", 'D', 8}, {"QSL", 'L', 1}});
    builder.languageDriver(0x02);
    for (const char *call : {"DL1ABC", "OE3XYZ", "HB9AA", "F5ABC", "DK9XX"})
        builder.record({call, "12", "20030501", "T"});
    return builder.bytes();
}

class Check : public ::testing::Test
{
protected:
    // The JSON report of one table, its exit code checked against the document's, its members
    // and those of each finding of the documented types.
    json report(const std::string &path, std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {"check", path, "--format", "json"};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun r = runTool(args);
        const json document = json::parse(r.out);
        EXPECT_EQ(document["exit"], r.exit);
        EXPECT_EQ(document["tables"].size(), 1u);
        const json table = document["tables"][0];
        for (const char *member : {"file", "status", "exit", "version", "records", "deleted",
                                   "codepage", "memo", "findings"})
            EXPECT_TRUE(table.contains(member)) << member;
        for (const char *member :
             {"languageDriver", "languageDriverName", "chosen", "source", "reason"})
            EXPECT_TRUE(table["codepage"][member].is_string()) << member;
        for (const json &f : table["findings"]) {
            EXPECT_TRUE(f["kind"].is_string() && f["text"].is_string() && f["file"].is_string()
                        && (f["offset"].is_null() || f["offset"].is_number_unsigned())
                        && f["count"].is_number_unsigned() && f["records"].is_array()
                        && (f["record"].is_null() || f["record"].is_number_unsigned())
                        && (f["field"].is_null() || f["field"].is_string()))
                    << f.dump(1);
        }
        return table;
    }

    // The one finding of `kind` in a report; fails when there is none or more than one.
    static json finding(const json &table, const std::string &kind)
    {
        json found;
        for (const json &f : table["findings"]) {
            if (f["kind"] == kind) {
                EXPECT_TRUE(found.is_null()) << kind << " twice";
                found = f;
            }
        }
        EXPECT_FALSE(found.is_null()) << kind << " not in " << table.dump(1);
        return found;
    }

    // A damaged table of tools/damage, written with its memo file.
    std::string write(const damage::DamagedTable &damaged)
    {
        if (damaged.memo)
            m_dir.write(damaged.name + damaged.memoExtension, *damaged.memo);
        return m_dir.write(damaged.name + ".dbf", damaged.table);
    }

    // Each member of `expected` as `actual` has it.
    static void expectMembers(const json &actual, const json &expected)
    {
        for (const auto &[key, value] : expected.items())
            EXPECT_EQ(actual.value(key, json()), value) << key << " in " << actual.dump(1);
    }

    TempDir m_dir;
};

// Each case: the station table with "edits" made (at a byte offset: record n starts at byte
// 161 + 25 n, its NOF_SSB at 11) and "end" after its records in place of the end marker; what
// check reports of it: members of the "table", the "findings" with their members in the order
// reported, parts of the findings' "texts" and of the text "report".
const json kStationCases = json::parse(R"([
{"name": "gesund", "findings": [], "report": ["Ergebnis:    in Ordnung, keine Befunde"],
 "table": {"status": "healthy", "exit": 0, "findings": [], "records": 5, "deleted": 0,
           "memo": null}},
{"name": "marke", "edits": [[186, "\u0000"], [236, "X"]],
 "findings": [{"kind": "bad-deletion-flag", "record": 2, "offset": 186, "count": 2,
               "records": [2, 4], "field": null, "level": "warning"}]},
// GDAL, shapelib and Visual FoxPro leave out the end marker: a note, the table is healthy.
{"name": "ohne", "end": "", "table": {"status": "healthy", "exit": 0},
 "findings": [{"kind": "end-marker-missing", "offset": 286, "level": "note"}],
 "report": ["  Hinweis end-marker-missing: ", "Ergebnis:    in Ordnung, 1 Hinweis\n"]},
{"name": "doppelt", "end": "\u001A\u001A\u001A", "texts": ["2 Bytes, nur 0x1A"],
 "findings": [{"kind": "end-marker-extra", "offset": 287}]},
// Warnings and notes together: the warnings decide.
{"name": "beides", "edits": [[186, "\u0000"], [236, "X"]], "end": "", "table": {"exit": 1},
 "findings": [{"kind": "bad-deletion-flag"}, {"kind": "end-marker-missing"}],
 "report": ["Ergebnis:    lesbar, 1 Warnung, 1 Hinweis\n"]},
// Values that do not decode are counted per field, with the first records.
{"name": "werte", "edits": [[172, "**x**"], [222, "**x**"], [247, "**x**"], [277, "20031399"]],
 "table": {"status": "findings"}, "texts": ["»**x**«"],
 "findings": [{"kind": "invalid-value", "field": "NOF_SSB", "count": 3, "records": [1, 3, 4],
               "offset": 172},
              {"field": "UP_DATE", "record": 5, "count": 1}]},
// Number fields full of '*' hold no value: their own kind, counted per field like invalid
// values, never an invalid value.
{"name": "sterne", "edits": [[197, "*****"], [222, "*****"], [272, "*****"]],
 "findings": [{"kind": "number-stars", "field": "NOF_SSB", "count": 3, "records": [2, 3, 5],
               "offset": 197, "text": "Das Zahlenfeld ist ganz mit »*« gefüllt und hat keinen Wert: so schreiben shapelib und verwandte Programme einen leeren Wert, dBase eine Zahl, die nicht ins Feld passte."}]}
])",
                                       nullptr, true, true); // with comments

TEST_F(Check, StationTablesHealthyAndDamaged)
{
    for (const json &c : kStationCases) {
        SCOPED_TRACE(c["name"]);
        std::string bytes = stations();
        bytes.pop_back(); // the end marker
        for (const json &edit : c.value("edits", json::array()))
            bytes.replace(edit[0].get<size_t>(), edit[1].get<std::string>().size(), edit[1]);
        const std::string path =
                m_dir.write(c["name"].get<std::string>() + ".dbf", bytes + c.value("end", "\x1A"));
        const json table = report(path);
        expectMembers(table, c.value("table", json::object()));
        expectMembers(
                table["codepage"],
                {{"languageDriver", "0x02"}, {"chosen", "CP850"}, {"source", "language-driver"}});
        ASSERT_EQ(table["findings"].size(), c["findings"].size()) << table.dump(1);
        std::string texts;
        for (size_t i = 0; i < c["findings"].size(); ++i) {
            expectMembers(table["findings"][i], c["findings"][i]);
            EXPECT_EQ(table["findings"][i]["file"], path);
            texts += table["findings"][i]["text"].get<std::string>();
        }
        EXPECT_TRUE(holds(texts, c.value("texts", std::vector<std::string>())));

        const CliRun text = runTool({"check", path});
        EXPECT_EQ(text.exit, table["exit"]);
        EXPECT_EQ(text.err, "");
        EXPECT_TRUE(holds(text.out, c.value("report", std::vector<std::string>())));
    }
}

// Every fault that tools/damage makes is a warning or makes the table unreadable; memo pointers
// past the end of the memo file, blocks with a length past the end or without end marker, each
// with its place.
TEST_F(Check, EveryDamagedTableEndsInWarningOrError)
{
    const std::map<std::string, std::tuple<std::string, json, std::string>> memoFaults = {
            {"memo-past-file",
             {"memo-past-end", {{"record", 1}, {"field", "NOTIZ"}}, "Memoblock 99999999"}},
            {"memo-length-4gb", {"memo-block-damaged", {{"record", 1}}, "über das Dateiende"}},
            {"memo-without-end", {"memo-no-end-marker", {{"count", 4}}, ""}}, // every record's
    };
    for (const damage::DamagedTable &damaged : damage::damagedTables()) {
        const std::string path = write(damaged);
        std::vector<std::string> args = {"check", path};
        if (!damaged.encoding.empty())
            args.insert(args.end(), {"--encoding", damaged.encoding});
        const CliRun checked = runTool(args);
        EXPECT_TRUE(checked.exit == 1 || checked.exit == 2)
                << damaged.name << " (" << damaged.fault << "): " << checked.out;
        if (const auto fault = memoFaults.find(damaged.name); fault != memoFaults.end()) {
            const auto &[kind, members, text] = fault->second;
            const json found = finding(report(path), kind);
            expectMembers(found, members);
            EXPECT_TRUE(holds(found["text"], {text}));
        }
    }
}

// Every kind a finding can have has a level, and the man page lists it with that level.
TEST_F(Check, EveryKindHasALevelAndIsDocumented)
{
    std::vector<std::string> names;
    for (int kind = 0; std::string(dbf::findingKindName(dbf::FindingKind(kind))) != "unknown";
         ++kind)
        names.push_back(dbf::findingKindName(dbf::FindingKind(kind)));
    for (int kind = 0; std::string(dbf::memoFaultName(dbf::MemoFault::Kind(kind))) != "unknown";
         ++kind)
        names.push_back(dbf::memoFaultName(dbf::MemoFault::Kind(kind)));
    std::vector<std::string> listed;
    for (const dbf::FindingLevel &level : dbf::findingLevels())
        listed.push_back(level.kind);
    for (const std::string &name : names)
        EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;

    std::ifstream file(TALVO_MAN_PAGE);
    const std::string manPage((std::istreambuf_iterator<char>(file)), {});
    ASSERT_FALSE(manPage.empty()) << TALVO_MAN_PAGE;
    for (const dbf::FindingLevel &level : dbf::findingLevels()) {
        const std::string entry = std::string(".BR ") + level.kind + " \" ("
                + (level.severity == dbf::Severity::Note ? "Hinweis" : "Warnung") + ")\"";
        EXPECT_NE(manPage.find(entry), std::string::npos) << entry;
    }
}

// Memo pointers to one block twice, a memo file without block size, and one that is not there.
TEST_F(Check, MemoPointersAndMemoFile)
{
    dbfbuild::MemoBuilder memo(dbfbuild::MemoKind::DBase3);
    const std::string block = dbfbuild::blockNumberText(memo.add("Dipol"));
    const std::string other = dbfbuild::blockNumberText(memo.add("Yagi"));
    const std::string table = DbfBuilder(0x83, {{"CALL", 'C', 10}, {"NOTIZ", 'M', 10}})
                                      .record({"DL1ABC", block})
                                      .record({"OE3XYZ", other})
                                      .record({"HB9AA", block})
                                      .bytes();
    m_dir.write("geteilt.dbt", memo.bytes());
    expectMembers(finding(report(m_dir.write("geteilt.dbf", table)), "memo-shared-block"),
                  {{"record", 3}, {"field", "NOTIZ"}, {"offset", 32 + 2 * 32 + 1 + 2 * 21 + 11}});

    dbfbuild::MemoBuilder fox(dbfbuild::MemoKind::FoxPro, 64);
    const std::string foxBlock = dbfbuild::blockNumberText(fox.add("Beam"));
    std::string foxMemo = fox.bytes();
    foxMemo[6] = foxMemo[7] = 0; // block size 0
    m_dir.write("block.fpt", foxMemo);
    const json blockSize = report(m_dir.write(
            "block.dbf", DbfBuilder(0xF5, {{"NOTIZ", 'M', 10}}).record({foxBlock}).bytes()));
    ASSERT_EQ(blockSize["findings"].size(), 1u) << blockSize.dump(1); // once, not per pointer
    expectMembers(blockSize["findings"][0],
                  {{"kind", "memo-block-size"}, {"offset", 6}, {"file", m_dir.file("block.fpt")}});

    const json missing = report(m_dir.write("ohnememo.dbf", table));
    EXPECT_EQ(finding(missing, "memo-missing")["kind"], "memo-missing");
    EXPECT_EQ(missing["exit"], 1);
}

// A memo longer than the limit, here a text without end marker in a sparse memo file of 3 GB,
// is reported for every pointer to it, and checking reads no more than the limit of it.
TEST_F(Check, MemosPastTheLimitAreReported)
{
    dbfbuild::MemoBuilder memo(dbfbuild::MemoKind::DBase3);
    const std::string block = dbfbuild::blockNumberText(memo.add("Dipol"));
    std::string bytes = memo.bytes();
    bytes.replace(512 + 5, 2, std::string(2, '\0')); // the 1A 1A
    bytes.replace(0, 4, std::string("\xFF\xFF\xFF\x00", 4)); // next free block behind the file
    std::filesystem::resize_file(m_dir.write("riesig.dbt", bytes), uint64_t {3} << 30);
    const std::string table = DbfBuilder(0x83, {{"CALL", 'C', 10}, {"NOTIZ", 'M', 10}})
                                      .record({"DL1ABC", block})
                                      .record({"OE3XYZ", block})
                                      .bytes();
    const json checked = report(m_dir.write("riesig.dbf", table));
    EXPECT_EQ(checked["exit"], 1);
    expectMembers(finding(checked, "memo-too-long"),
                  {{"count", 2},
                   {"field", "NOTIZ"},
                   {"text", "Memo gekürzt auf 16 MiB: keine Endmarke 0x1A bis dahin (Byte 512)."}});
}

// A .cpg file that contradicts the language driver, or agrees; a CP1252 header over CP850 text
// ("Äöü"), read as CP850 with a finding, and --encoding obeyed without it: 0x81, which CP1252
// leaves unassigned, is then a bad value.
TEST_F(Check, CodePagesThatContradictEachOther)
{
    const std::string welt = m_dir.write("welt.dbf", stations()); // language driver: CP850
    const std::string dos = m_dir.write("dos.dbf",
                                        DbfBuilder(0x03, {{"NAME", 'C', 10}})
                                                .languageDriver(0x57)
                                                .record({"\x8E\x94\x81"})
                                                .bytes());
    const struct
    {
        std::string cpg;
        std::vector<std::string> args;
        std::string findings, codepage, text = {};
    } cases[] = {
            {"1252\n",
             {welt},
             R"([{"kind": "codepage-contradiction", "offset": 29}])",
             R"({"chosen": "CP1252", "source": "cpg-file"})"},
            {"850\n", {welt}, "[]", "{}"},
            {"",
             {dos},
             R"([{"kind": "codepage-contradicted", "offset": 29}])",
             R"({"chosen": "CP850", "source": "detected"})",
             "gelesen wird als CP850"},
            {"",
             {dos, "--encoding", "CP1252"},
             R"([{"kind": "invalid-value"}])",
             R"({"chosen": "CP1252", "source": "override"})",
             "Bytes, die es in CP1252 nicht gibt"},
    };
    for (const auto &c : cases) {
        m_dir.write("welt.cpg", c.cpg);
        const json checked = report(c.args[0], {c.args.begin() + 1, c.args.end()});
        const json findings = json::parse(c.findings);
        ASSERT_EQ(checked["findings"].size(), findings.size()) << checked.dump(1);
        EXPECT_EQ(checked["exit"], findings.empty() ? 0 : 1);
        expectMembers(checked["codepage"], json::parse(c.codepage));
        for (size_t i = 0; i < findings.size(); ++i) {
            expectMembers(checked["findings"][i], findings[i]);
            EXPECT_TRUE(holds(checked["findings"][i]["text"], {c.text}));
        }
    }
}

TEST_F(Check, UnreadableTablesEndInTwoWithTheNumberedError)
{
    const std::string healthy = m_dir.write("gesund.dbf", stations());
    std::string damaged = stations();
    damaged[10] = damaged[11] = 0; // record length 0
    const std::string broken = m_dir.write("kaputt.dbf", damaged);

    const CliRun text = runTool({"check", healthy, broken});
    EXPECT_EQ(text.exit, 2);
    EXPECT_TRUE(startsWith(text.err, "talvo-dbf: 7014: Die Datei »" + broken));
    // The healthy one is still checked.
    EXPECT_TRUE(holds(text.out, {"Ergebnis:    nicht lesbar: 7014: ", "in Ordnung"}));

    const CliRun r = runTool({"check", healthy, broken, "--format", "json"});
    const json document = json::parse(r.out);
    EXPECT_EQ(document["exit"], 2);
    ASSERT_EQ(document["tables"].size(), 2u);
    EXPECT_EQ(document["tables"][0]["status"], "healthy");
    const json &unreadable = document["tables"][1];
    expectMembers(unreadable, {{"file", broken}, {"status", "unreadable"}});
    EXPECT_EQ(unreadable["error"]["number"], 7014);
    EXPECT_TRUE(unreadable["error"]["description"].is_string());

    EXPECT_EQ(runTool({"check", m_dir.file("fehlt.dbf")}).exit, 2);
    EXPECT_TRUE(refused(runTool({"check"}), 2, "7100"));
    EXPECT_TRUE(refused(runTool({"check", healthy, "--format", "csv"}), 2, "7100"));
}

// info lists the reader's findings with their level under "Befunde", and counts the deleted
// records, leaving the values to check; show warns of the reader's findings on standard error
// only.
TEST_F(Check, InfoAndShowTellTheFindings)
{
    std::string table = stations();
    table.replace(kFirstRecord + 11, 5, "**x**");
    table[4] = 9; // nine records in the header, five in the file
    const std::string path = m_dir.write("warnt.dbf", table);

    const CliRun info = runTool({"info", path});
    EXPECT_EQ(info.exit, 0);
    const std::string warnings = info.out.substr(info.out.find("Befunde:\n"));
    EXPECT_TRUE(holds(warnings, {"  Warnung: Der Dateikopf nennt 9 Datensätze"}));
    EXPECT_EQ(warnings.find("»**x**«"), std::string::npos) << warnings;
    EXPECT_TRUE(holds(runTool({"check", path}).out, {"Der Wert »**x**« lässt sich nicht lesen"}));
    EXPECT_TRUE(holds(info.out, {"Gelöscht:         0 von 5 Datensätzen"}));

    const CliRun show = runTool({"show", path, "--format", "csv"});
    EXPECT_EQ(show.exit, 0);
    EXPECT_EQ(show.err,
              "talvo-dbf: Warnung: Der Dateikopf nennt 9 Datensätze, die Datei enthält "
              "nur 5.\n");
    EXPECT_TRUE(startsWith(show.out, "CALL,NOF_SSB,UP_DATE,QSL\r\n"));
    EXPECT_EQ(show.out.find("Warnung"), std::string::npos);
}

// An output that keeps what it held when it was first flushed.
class FlushWatch : public std::stringbuf
{
public:
    std::string firstFlushed;

protected:
    int sync() override
    {
        if (firstFlushed.empty())
            firstFlushed = str();
        return 0;
    }
};

// info writes what the header tells before it reads the records.
TEST_F(Check, InfoWritesTheHeaderFirst)
{
    std::string table = stations();
    table[kFirstRecord] = '*';
    FlushWatch watch;
    std::ostream out(&watch);
    std::ostringstream err;
    ASSERT_EQ(cli::run({"info", m_dir.write("zuerst.dbf", table)}, out, err), 0);
    EXPECT_TRUE(holds(watch.firstFlushed, {"     4  QSL"}));
    EXPECT_EQ(watch.firstFlushed.find("Gelöscht"), std::string::npos) << watch.firstFlushed;
    EXPECT_TRUE(holds(watch.str(), {"Gelöscht:         1 von 5 Datensätzen"}));
}

} // namespace
