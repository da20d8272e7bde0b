// Choosing the code page of a table, and decoding text to UTF-8.
#include "dbf/codepage.h"
#include "dbf/table.h"
#include "dbf_builder.h"
#include "support/case_name.h"
#include "support/table_reading.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <tuple>

using dbfbuild::DbfBuilder;

namespace {

dbf::Result<dbf::Table> tableWith(const std::vector<std::string> &names, uint8_t driver,
                                  const std::string &encoding = {})
{
    DbfBuilder builder(0x03, {{"VORNAME", 'C', 20}});
    builder.languageDriver(driver);
    for (const std::string &name : names)
        builder.record({name});
    dbf::OpenOptions options;
    options.encoding = encoding;
    return dbf::Table::fromBytes("c.dbf", builder.bytes(), {}, dbf::MemoFormat::DBase3, options);
}

// Texts separated by '|', one each.
std::vector<std::string> split(const std::string &texts)
{
    std::vector<std::string> parts(1);
    for (const char c : texts) {
        if (c == '|')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// The tables of the choice test: record texts, language driver, override ("" for none), and what
// the reader makes of them: the texts of the records, the reason's start and a part of it after
// that, and the finding where the bytes contradict the header.
struct ChoiceCase
{
    const char *texts;
    uint8_t driver;
    const char *override;
    const char *codePage;
    dbf::EncodingChoice::Source source;
    const char *shown;
    const char *reason = "";
    const char *contradiction = nullptr;
};

// The language driver names the code page, an override beats it, and bytes that the named page
// cannot hold (or valid UTF-8) overrule the header.
TEST(CodePage, ComesFromTheDriverTheOverrideOrTheBytes)
{
    using enum dbf::EncodingChoice::Source;
    for (const ChoiceCase &c : std::vector<ChoiceCase> {
                 {"J\x94rg", 0x02, "", "CP850", LanguageDriver, "Jörg"},
                 {"J\xF6rg", 0x57, "", "CP1252", LanguageDriver, "Jörg"},
                 // ICU has no converter for these two DOS code pages; their drivers name them.
                 {"Za\xA7\xA2\x92\x8D g\x91\x9El\x86 ja\xA6\xA4|ZA\xA1\xA3\x9C\x95", 0x69, "",
                  "CP620", LanguageDriver, "Zażółć gęślą jaźń|ZAŻÓŁĆ"},
                 {"P\xA9\xA1li\xA8 \x91lu\x9Fou\x87k\x98 k\x96\xA4", 0x68, "", "CP895",
                  LanguageDriver, "Příliš žluťoučký kůň"},
                 // The box drawing half is CP437's; the names work as overrides as well.
                 {"\xC9\xCD\xBB", 0x00, "CP620", "CP620", Override, "╔═╗"},
                 {"J\x81rgen", 0x03, "CP850", "CP850", Override, "Jürgen"},
                 // 8E 94 81 is "Äöü" in CP850; in CP1252 0x81 is unassigned.
                 {"\x8E\x94\x81|M\x81ller", 0x57, "", "CP850", Detected, "Äöü|Müller",
                  "Sprachtreiber-Byte 0x57 nennt CP1252, doch das Byte 0x81 ist in CP1252 nicht "
                  "belegt; CP850|, sicher (",
                  "Der Dateikopf nennt CP1252 (Sprachtreiber-Byte 0x57), doch das Byte 0x81 ist "
                  "in CP1252 nicht belegt; gelesen wird als CP850."},
                 {"\x8E\x94\x81", 0x57, "CP1252", "CP1252", Override, "Ž”\u0081"},
                 // C3 B1 is "ñ" in UTF-8 and "Ã±" in CP1252.
                 {"Espa\xC3\261a", 0x57, "", "UTF-8", Detected, "España", "",
                  "Der Dateikopf nennt CP1252 (Sprachtreiber-Byte 0x57), doch die Texte sind "
                  "gültiges UTF-8, das als CP1252 gelesen Zeichensalat ergäbe (»ñ« statt »Ã±«); "
                  "gelesen wird als UTF-8."},
                 // Bytes the named page assigns leave it standing, however odd their reading.
                 {"J\xE4ger", 0x57, "", "CP1252", LanguageDriver, "Jäger"},
                 {"J\xE4ger", 0x02, "", "CP850", LanguageDriver, "Jõger"}}) {
        SCOPED_TRACE(c.shown);
        const dbf::Table table = opened(tableWith(split(c.texts), c.driver, c.override));
        EXPECT_EQ(table.encoding().name, c.codePage);
        EXPECT_EQ(table.encoding().source, c.source);
        const std::vector<std::string> reason = split(c.reason);
        EXPECT_EQ(table.encoding().reason.rfind(reason[0], 0), 0u) << table.encoding().reason;
        EXPECT_TRUE(reason.size() == 1
                    || table.encoding().reason.find(reason[1]) != std::string::npos)
                << table.encoding().reason;
        const std::vector<std::string> shown = split(c.shown);
        for (size_t record = 0; record < shown.size(); ++record)
            EXPECT_EQ(table.text(record, 0).text, shown[record]);
        if (!c.contradiction) {
            EXPECT_EQ(allFindings(table).find("codepage-contradicted"), std::string::npos);
            continue;
        }
        const dbf::Finding &finding = findingOf(table, dbf::FindingKind::CodePageContradicted);
        EXPECT_STREQ(dbf::findingKindName(finding.kind), "codepage-contradicted");
        EXPECT_EQ(finding.text, c.contradiction);
        EXPECT_EQ(finding.offset, 29u);
    }
}

struct DetectionCase
{
    const char *name;
    std::vector<std::string> texts;
    const char *codePage;
    const char *first;
    const char *sureness = "sicher"; // null where there is nothing to guess
};

class Detection : public ::testing::TestWithParam<DetectionCase>
{ };

TEST_P(Detection, ChoosesByTheBytesWhenTheFileSaysNothing)
{
    const dbf::Table table = opened(tableWith(GetParam().texts, 0x00));
    EXPECT_EQ(table.encoding().name, GetParam().codePage);
    EXPECT_EQ(table.encoding().source, dbf::EncodingChoice::Source::Detected);
    EXPECT_EQ(table.text(0, 0).text, GetParam().first);
    // The reason says how sure the guess is; valid UTF-8 and plain ASCII are no guess.
    if (GetParam().sureness) {
        EXPECT_NE(table.encoding().reason.find(std::string(", ") + GetParam().sureness + " ("),
                  std::string::npos)
                << table.encoding().reason;
    }
}

const std::vector<DetectionCase> kDetections = {
        {"GermanDos", {"J\x81rgen", "B\x84rbel", "Gro\xE1", "\x99tzi"}, "CP850", "Jürgen"},
        {"GermanDosCapitals", {"M\x9ALLER", "\216RGER", "\x99ZTAL"}, "CP850", "MÜLLER"},
        {"GermanWindows", {"J\xFCrgen", "B\xE4rbel", "Gro\xDF", "\xD6tzi"}, "CP1252", "Jürgen"},
        // One kind of umlaut only, in each encoding: the likelier letter
        // decides, not the order of the candidates. One letter once is thin evidence:
        // sure only where no other page reads a likely letter.
        {"WindowsSmallAOnly", {"J\xE4ger", "B\xE4r", "K\xE4se"}, "CP1252", "Jäger"},
        {"WindowsSmallOOnly", {"K\xF6nig"}, "CP1252", "König", "wahrscheinlich"},
        {"WindowsSmallUOnly", {"M\xFCller"}, "CP1252", "Müller", "wahrscheinlich"},
        {"WindowsSharpSOnly", {"Gro\xDF"}, "CP1252", "Groß", "wahrscheinlich"},
        {"WindowsCapitalAOnly", {"\xC4rger"}, "CP1252", "Ärger", "wahrscheinlich"},
        {"WindowsCapitalOOnly", {"\xD6tzi"}, "CP1252", "Ötzi", "unsicher"},
        {"WindowsCapitalUOnly", {"\334bel"}, "CP1252", "Übel", "wahrscheinlich"},
        {"DosSmallAOnly", {"J\x84ger", "B\x84r", "K\x84se"}, "CP850", "Jäger"},
        {"DosSmallOOnly", {"K\x94nig"}, "CP850", "König"},
        {"DosSmallUOnly", {"M\x81ller"}, "CP850", "Müller"},
        {"DosSharpSOnly", {"Gro\xE1"}, "CP850", "Groß", "unsicher"},
        {"DosCapitalAOnly", {"\x8Erger"}, "CP850", "Ärger", "wahrscheinlich"},
        {"DosCapitalOOnly", {"\x99tzi"}, "CP850", "Ötzi", "wahrscheinlich"},
        {"DosCapitalUOnly", {"\232bel"}, "CP850", "Übel", "unsicher"},
        {"CzechDos",
         {"Dvo\xFD\xA0k", "P\xFD\xA1li\xE7 \xA7lu\x9Cou\x9Fk\xEC k\x85\xE5", "\254apek"},
         "CP852",
         "Dvořák"},
        {"CzechWindows",
         {"Dvo\xF8\xE1k", "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2", "\310apek"},
         "CP1250",
         "Dvořák"},
        {"RussianDos",
         {"\x88\xA2\xA0\xAD\xAE\xA2", "\x8F\xF1\xE2\xE0 \x91\xAC\xA8\xE0\xAD\xAE\xA2",
          "\x8C\xAE\xE1\xAA\xA2\xA0"},
         "CP866",
         "Иванов"},
        {"RussianWindows",
         {"\xC8\xE2\xE0\xED\xEE\xE2", "\xCF\xB8\xF2\xF0 \xD1\xEC\xE8\xF0\xED\xEE\xE2",
          "\xCC\xEE\xF1\xEA\xE2\xE0"},
         "CP1251",
         "Иванов"},
        {"GreekDos",
         {"\x8F\x98\xA7\x98\x9B\xE6\xA7\xA6\xAC\xA2\xA6\xAA", "\x80\x9F\xE3\xA4\x98",
          "\x87\x9C\xA9\xA9\x98\xA2\xA6\xA4\xE5\xA1\x9E"},
         "CP737",
         "Παπαδόπουλος"},
        {"Thai",
         {"\xCA\xC1\xAA\xD2\xC2", "\xA1\xC3\xD8\xA7\xE0\xB7\xBE",
          "\xE0\xAA\xD5\xC2\xA7\xE3\xCB\xC1\xE8"},
         "CP874",
         "สมชาย"},
        // Two letters only: likeliest Spanish in CP1252, but Greek in CP1253 is not
        // out of the question.
        {"SpanishWindowsTwoLetters", {"\321and\xFA"}, "CP1252", "Ñandú", "unsicher"},
        {"Utf8", {"J\xC3\xBCrgen", "S\xC3\xB8ren"}, "UTF-8", "Jürgen", nullptr},
        {"PlainAscii", {"Hans", "Uwe"}, "CP850", "Hans", nullptr}};

INSTANTIATE_TEST_SUITE_P(Dbf, Detection, ::testing::ValuesIn(kDetections), CaseName());

// The reason says which code page was chosen from which letters, how sure, and what the
// runner-up would have read.
TEST(CodePage, DetectionReasonNamesLettersAndCertainty)
{
    const dbf::Table table = opened(tableWith({"J\xE4ger", "B\xE4r", "K\xE4se", "Gro\xDF"}, 0x00));
    EXPECT_EQ(table.encoding().reason,
              "keine Angabe in der Datei; CP1252 (ebenso CP1250, CP1254, CP1257) nach den "
              "Zeichen ä, ß der Stichprobe, sicher (über 99,9 %; CP1253 läse δ, ί)");
}

TEST(CodePage, UnknownOverrideFails)
{
    EXPECT_TRUE(refusedWith(tableWith({"x"}, 0x03, "CP99999"), dbf::UnknownEncoding));
}

TEST(CodePage, CpgFileBeatsLanguageDriver)
{
    TempDir dir;
    dir.write("welt.dbf",
              DbfBuilder(0x03, {{"NAME", 'C', 10}})
                      .languageDriver(0x02)
                      .record({"K\xC3\xB6ln"})
                      .bytes());
    dir.write("welt.cpg", "UTF-8\n");
    const dbf::Table table = opened(dbf::Table::open(dir.file("welt.dbf")));
    EXPECT_EQ(table.encoding().source, dbf::EncodingChoice::Source::CpgFile);
    EXPECT_EQ(table.text(0, 0).text, "Köln");
}

TEST(CodePage, CpgNames)
{
    EXPECT_EQ(dbf::codePageOfCpg("UTF-8"), "UTF-8");
    EXPECT_EQ(dbf::codePageOfCpg(" 1252\r\n"), "CP1252");
    EXPECT_EQ(dbf::codePageOfCpg("ANSI 1251"), "CP1251");
    EXPECT_EQ(dbf::codePageOfCpg("88591"), "ISO-8859-1");
    EXPECT_EQ(dbf::codePageOfCpg("ISO-8859-15"), "ISO-8859-15");
    EXPECT_EQ(dbf::codePageOfCpg("OEM 866"), "CP866");
    EXPECT_EQ(dbf::codePageOfCpg("Klingonisch"), "");
}

TEST(CodePage, DriverNamesOfDBase7)
{
    EXPECT_EQ(dbf::codePageOfDriverName("DB866RU0"), "CP866");
    EXPECT_EQ(dbf::codePageOfDriverName("DBWINWE0"), "CP1252");
    EXPECT_EQ(dbf::codePageOfDriverName(""), "");
}

TEST(CodePage, DecodersKeepAsciiAndControlCharacters)
{
    for (const char *name : {"CP437", "CP850", "CP866", "CP1252", "CP1251", "CP852"}) {
        auto decoder = dbf::TextDecoder::create(name);
        ASSERT_TRUE(decoder) << name;
        EXPECT_EQ(decoder->decode(std::string("a\x1A\x1C\x7F", 4)), std::string("a\x1A\x1C\x7F", 4))
                << name;
    }
    auto gbk = dbf::TextDecoder::create("CP936");
    ASSERT_TRUE(gbk);
    EXPECT_EQ(gbk->decode("\xD6\xD0\xCE\xC4"), "中文");
}

// Whether a page lacks a byte is told alike by defines() and by decoding, which learns it in the
// same pass: pages with few unassigned bytes (CP1252), with many (ISO-8859-1: the C1 range),
// none (CP850's letters), UTF-8 and a multi-byte page.
TEST(CodePage, DecodingTellsWhatDefinesTells)
{
    const struct
    {
        const char *page;
        std::string bytes;
        bool defined;
    } cases[] = {
            {"CP1252", "Gro\xDF", true},         {"CP1252", "z\x81", false},
            {"CP1252", "\x9D", false},           {"ISO-8859-1", "Gr\xFC\xDF", true},
            {"ISO-8859-1", "a\x85", false},      {"CP850", "M\x81ller", true},
            {"UTF-8", "M\xC3\xBCller", true},    {"UTF-8", "M\xC3ller", false},
            {"CP936", "\xD6\xD0\xCE\xC4", true}, {"CP1252", "", true},
    };
    for (const auto &c : cases) {
        auto decoder = dbf::TextDecoder::create(c.page);
        ASSERT_TRUE(decoder) << c.page;
        EXPECT_EQ(decoder->defines(c.bytes), c.defined) << c.page << " " << c.bytes;
        std::string out = "x";
        EXPECT_EQ(decoder->decodeAppend(c.bytes, out), c.defined) << c.page << " " << c.bytes;
        EXPECT_EQ(out, std::string("x").append(decoder->decode(c.bytes)))
                << c.page << " " << c.bytes;
    }
}

} // namespace
