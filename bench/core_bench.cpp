// Benchmarks of the reader and the record set on generated station tables of 100,000,
// 1,000,000 and 5,000,000 records, made once by talvo-gen-stations into TALVO_BENCH_DIR.
#include "dbf/table.h"
#include "recordset/query.h"
#include "recordset/record_set.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string tablePath(int64_t records)
{
    const char *folder = std::getenv("TALVO_BENCH_DIR");
    const std::string dir = folder ? folder : "/tmp/talvo-bench";
    const std::string path = dir + "/stations_" + std::to_string(records) + ".dbf";
    if (!std::filesystem::exists(path)) {
        std::filesystem::create_directories(dir);
        const std::string command =
                std::string(TALVO_GENERATOR) + " --count " + std::to_string(records) + " " + path;
        if (std::system(command.c_str()) != 0)
            std::abort();
    }
    return path;
}

std::shared_ptr<recordset::RecordSet> openPlain(benchmark::State &state)
{
    const std::string path = tablePath(state.range(0));
    auto set = recordset::RecordSet::Open("database=" + path,
                                          "select * from " + recordset::tableNameOf(path));
    return set ? *set : nullptr;
}

void Open(benchmark::State &state)
{
    const std::string path = tablePath(state.range(0));
    for (auto _ : state) {
        auto set = recordset::RecordSet::Open("database=" + path,
                                              "select * from " + recordset::tableNameOf(path));
        benchmark::DoNotOptimize((*set)->FieldText(0));
    }
}

void DecodeEveryField(benchmark::State &state)
{
    const auto table = dbf::Table::open(tablePath(state.range(0)));
    for (auto _ : state) {
        size_t bytes = 0;
        for (auto r = table->nextRecord(0); r; r = table->nextRecord(*r + 1)) {
            for (size_t f = 0; f < table->fieldCount(); ++f)
                bytes += table->text(*r, f).text.size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}

void OrderByCall(benchmark::State &state)
{
    const std::string path = tablePath(state.range(0));
    const std::string query = "select * from " + recordset::tableNameOf(path) + " Order by CALL";
    for (auto _ : state) {
        auto set = recordset::RecordSet::Open("database=" + path, query);
        benchmark::DoNotOptimize((*set)->FieldText(0));
    }
}

void Filter(benchmark::State &state, const char *criterion)
{
    const auto set = openPlain(state);
    for (auto _ : state) {
        (void)set->SetFilter(criterion);
        benchmark::DoNotOptimize(set->RecordCount());
        state.PauseTiming();
        (void)set->SetFilter("");
        state.ResumeTiming();
    }
}

void SortVornameWithinFilter(benchmark::State &state)
{
    const auto set = openPlain(state);
    (void)set->SetFilter("[CALL] LIKE 'DL*'");
    for (auto _ : state) {
        (void)set->SetSort("VORNAME");
        benchmark::DoNotOptimize(set->FieldText(0));
        state.PauseTiming();
        (void)set->SetSort("");
        state.ResumeTiming();
    }
}

// A search that meets no match runs over the whole table, forward from the first record and
// backward from the last.
void FindNextAndPrevious(benchmark::State &state)
{
    const auto set = openPlain(state);
    for (auto _ : state) {
        (void)set->MoveFirst();
        (void)set->Find("[CALL] LIKE 'XX*'", 1, recordset::SearchDirection::Forward);
        (void)set->MoveLast();
        (void)set->Find("[CALL] LIKE 'XX*'", 1, recordset::SearchDirection::Backward);
        benchmark::DoNotOptimize(set->AtBOF());
    }
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(100000)->Arg(1000000)->Arg(5000000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(Open)->Apply(sizes);
BENCHMARK(DecodeEveryField)->Apply(sizes)->Iterations(1);
BENCHMARK(OrderByCall)->Apply(sizes)->Iterations(2);
BENCHMARK_CAPTURE(Filter, CallLikeDL, "[CALL] LIKE 'DL*'")->Apply(sizes);
BENCHMARK_CAPTURE(Filter, UpdateAfter2000, "[UP_DATE] > #12-31-2000#")->Apply(sizes);
BENCHMARK_CAPTURE(Filter, SsbAtLeast500, "[NOF_SSB] >= 500")->Apply(sizes);
BENCHMARK(SortVornameWithinFilter)->Apply(sizes)->Iterations(2);
BENCHMARK(FindNextAndPrevious)->Apply(sizes);

} // namespace

BENCHMARK_MAIN();
