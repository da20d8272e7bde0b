// talvo-dbf as a process on a table that another program changes while its output is read
// (change_scenarios.h): the output is one state of the table, and the tool ends with error 7030
// naming the change; the next run shows the file as it is.
#include "support/change_scenarios.h"
#include "support/cli_run.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// 300 stations are copied when opened; 40000 (18 MB) are read live, in more chunks than the
// tool holds in flight and the pipe buffers, so that a change while writing comes while reading.
constexpr int kSmall = 300, kLarge = 40000;

// The calls of `show` output in text blocks, in the order written.
std::vector<std::string> callsShown(const std::string &out)
{
    std::vector<std::string> calls;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("CALL "))
            calls.push_back(line.substr(line.find(": ") + 2));
    }
    return calls;
}

// `talvo-dbf show PATH ARGS` in text blocks: all of a copied table's output does not fit into
// the pipe, so that `change`, made once 2000 bytes have arrived, comes before the tool ends.
CliRun show(
        const TempDir &dir, const std::string &path, std::vector<std::string> args = {},
        const std::function<void()> &change = [] {})
{
    args.insert(args.begin(), {"show", path});
    bool changed = false;
    const CliRun run = runProcess(args, dir.file("err"), [&](const std::string &out) {
        if (out.size() > 2000 && !std::exchange(changed, true))
            change();
    });
    EXPECT_EQ(run.out.find('\0'), std::string::npos);
    return run;
}

std::vector<std::string> firstCalls(size_t count)
{
    std::vector<std::string> calls;
    for (size_t i = 1; i <= count; ++i)
        calls.push_back(callOf(int(i)));
    return calls;
}

TEST(ChangedTableCli, EachChangeEndsTheOutputOfOneStateWithError7030)
{
    // In file order, in call order (the same: the calls are zero-padded) and stepping through
    // matches; the changed call sorts last and matches too, so a mix would show it.
    const std::vector<std::vector<std::string>> views {
            {}, {"--query", "select * from funk Order by CALL"}, {"--find", "[CALL] LIKE 'DL*'"}};
    for (const int count : {kSmall, kLarge}) {
        const bool live = count == kLarge;
        for (const ChangeScenario &scenario : changeScenarios(count)) {
            for (const auto &view : views) {
                SCOPED_TRACE(scenario.name + (live ? " read live " : " copied ")
                             + std::to_string(view.size()));
                TempDir dir;
                const std::string path = writeOldTable(dir, "funk.dbf", count);
                const CliRun run = show(dir, path, view, [&] { scenario.make(dir, path); });
                const std::vector<std::string> calls = callsShown(run.out);
                EXPECT_EQ(run.exit, 1);
                EXPECT_EQ(run.err.rfind("talvo-dbf: 7030: Die Datei »" + path
                                                + "« wurde von einem anderen Programm "
                                                + scenario.says,
                                        0),
                          0u)
                        << run.err;
                const bool whole = !live || scenario.replaced;
                EXPECT_EQ(calls, firstCalls(whole ? count : calls.size()));
                EXPECT_GT(calls.size(), 20u);
                EXPECT_LT(calls.size(), whole ? size_t(count) + 1 : size_t(count));
                if (&view != &views.front())
                    continue;
                const CliRun next = show(dir, path);
                const std::vector<std::string> again = callsShown(next.out);
                EXPECT_EQ(next.exit, scenario.reopened < 0 ? 1 : 0) << next.err;
                EXPECT_EQ(again.size(), size_t(std::max(scenario.reopened, 0)));
                if (!again.empty()) {
                    EXPECT_EQ(again.back(), scenario.lastReopened);
                }
            }
        }
    }
}

} // namespace
