// Whole-table output formatted on two threads is the output of one thread, byte for byte: on a
// generated table of many chunks and on the tables of the shared corpus.
#include "chunked_output.h"
#include "dbf_builder.h"
#include "record_writer.h"
#include "recordset/query.h"
#include "recordset/record_set.h"
#include "support/corpus_tables.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string output(recordset::RecordSet &set, cli::Format format, bool plain, unsigned threads)
{
    const auto writer = cli::RecordWriter::create(format, set, plain);
    std::ostringstream out;
    std::string begin;
    writer->appendBegin(begin);
    out << begin;
    cli::ChunkedOutput chunked(*writer, out, threads);
    int64_t position = 0;
    const auto status = set.ForEach([&](std::string_view record) {
        chunked.add(record, ++position);
        return true;
    });
    EXPECT_TRUE(status.ok());
    chunked.finish();
    return out.str();
}

// Every format, deleted records in and out.
void expectTwoThreadsWriteWhatOneWrites(const std::string &path)
{
    for (const bool deleted : {false, true}) {
        dbf::OpenOptions options;
        options.includeDeleted = deleted;
        auto set = recordset::RecordSet::Open(
                "database=" + path, "select * from " + recordset::tableNameOf(path), options);
        if (!set)
            continue; // a table the reader refuses has no output to compare
        for (const auto &[format, plain] : {std::pair {cli::Format::Text, false},
                                            {cli::Format::Csv, false},
                                            {cli::Format::Csv, true},
                                            {cli::Format::Json, false}}) {
            const std::string one = output(**set, format, plain, 0);
            EXPECT_EQ(output(**set, format, plain, 2), one)
                    << path << " format " << int(format) << (plain ? " plain" : "");
        }
    }
}

TEST(WholeTableOutput, TwoThreadsWriteAGeneratedTableAsOneDoes)
{
    dbfbuild::DbfBuilder builder(0x03,
                                 {{"CALL", 'C', 12},
                                  {"NOTE", 'C', 30},
                                  {"QSOS", 'N', 6},
                                  {"POWER", 'N', 7, 2},
                                  {"UP_DATE", 'D', 8},
                                  {"QSL", 'L', 1}});
    builder.languageDriver(0x02); // CP850
    // Texts that every format treats on its own: quotes, separators, line breaks, a control
    // character, an umlaut (0x81, ü in CP850), a NUL inside; numbers with and without digits.
    const std::vector<std::string> notes = {
            "Contest", "\"Zitat\", mit Komma", "Zeile\r\nzwei", "Esc\x1b[2J", "Gr\x81\xe1", "a\0b"s,
            ""};
    const std::vector<std::string> powers = {"100.00", "", "-0.50", "abc", "*******"};
    for (int i = 0; i < 30000; ++i)
        builder.record({"DL" + std::to_string(i), notes[i % notes.size()], std::to_string(i % 997),
                        powers[i % powers.size()],
                        i % 11 ? "2024" + std::to_string(1001 + i % 28) : "20241399",
                        i % 3 ? "T" : "?"},
                       i % 13 == 0);
    const TempDir dir;
    expectTwoThreadsWriteWhatOneWrites(dir.write("stationen.dbf", builder.bytes()));
}

TEST(WholeTableOutput, TwoThreadsWriteTheCorpusTablesAsOneDoes)
{
    const fs::path corpus = TALVO_CORPUS_DIR;
    if (!fs::exists(corpus))
        GTEST_SKIP() << "no shared corpus at " << corpus << ": this comparison is skipped";
    for (const std::string &table : corpusTables(corpus))
        expectTwoThreadsWriteWhatOneWrites((corpus / table).string());
}

} // namespace
