// Replays the fuzz seeds and every input that once made a fuzz target fail.
#include "dbf_builder.h"
#include "targets.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

namespace fs = std::filesystem;

struct Target
{
    const char *name;
    void (*run)(std::string_view);
};

class FuzzRegression : public testing::TestWithParam<Target>
{ };

TEST_P(FuzzRegression, EverySavedInputRunsThrough)
{
    int replayed = 0;
    for (const char *folder : {TALVO_FUZZ_SEEDS, TALVO_FUZZ_REGRESSIONS}) {
        const fs::path dir = fs::path(folder) / GetParam().name;
        if (!fs::exists(dir))
            continue;
        for (const auto &entry : fs::directory_iterator(dir)) {
            if (entry.path().filename().string().starts_with("."))
                continue;
            SCOPED_TRACE(entry.path().string());
            std::ifstream in(entry.path(), std::ios::binary);
            GetParam().run(std::string(std::istreambuf_iterator<char>(in), {}));
            ++replayed;
        }
    }
    RecordProperty("replayed", replayed);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression,
                         testing::Values(Target {"table", fuzz::table}, Target {"file", fuzz::file},
                                         Target {"memo", fuzz::memo},
                                         Target {"recordset", fuzz::recordset},
                                         Target {"criterion", fuzz::criterion},
                                         Target {"query", fuzz::query},
                                         Target {"number", fuzz::number}),
                         [](const auto &target) { return std::string(target.param.name); });

// The targets over files run through a table built with memos: every memo format and extension
// of the memo file, and steps of every kind, reading and changing.
TEST(FuzzTargets, RunThroughABuiltTableWithMemosAndSteps)
{
    dbfbuild::MemoBuilder memo(dbfbuild::MemoKind::DBase3);
    const std::string first = dbfbuild::blockNumberText(memo.add("Dipol"));
    const std::string second = dbfbuild::blockNumberText(memo.add("Yagi"));
    const std::string table = dbfbuild::DbfBuilder(0x83, {{"CALL", 'C', 10}, {"NOTIZ", 'M', 10}})
                                      .record({"DL1ABC", first})
                                      .record({"OE3XYZ", second}, true)
                                      .record({"HB9AA", first})
                                      .bytes();
    std::string withMemo = table;
    withMemo += fuzz::kMemoMarker;
    for (const char format : {'\x00', '\x04', '\x08', '\x0E'})
        fuzz::memo(withMemo + format + memo.bytes());
    fuzz::file(withMemo + '\x00' + memo.bytes());

    std::string steps;
    for (int kind = 0; kind < 21; ++kind) // each kind, with arguments to spare, then a read
        steps += {char(kind), char(kind * 7 + 1), char(kind), '\x01', '\x02'};
    for (const char options : {'\x00', '\x01', '\x02'})
        fuzz::recordset(table + std::string(fuzz::kStepMarker) + options + steps);
}

} // namespace
