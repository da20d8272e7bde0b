// talvo-dbf as a process on a table that another program changes while its output is read
// (change_scenarios.h): the output is one state of the table, and the tool ends with error 7030
// naming the change; the next run shows the file as it is.
#include "support/change_scenarios.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

namespace {

// 300 stations are copied when opened; 40000 (18 MB) are read live, in more chunks than the
// tool holds in flight and the pipe buffers, so that a change while writing comes while reading.
constexpr int kSmall = 300, kLarge = 40000;

struct ShowRun
{
    int exit;
    std::string err;
    std::vector<std::string> calls; // in the order written
};

// A word for the shell.
std::string quoted(const std::string &word)
{
    std::string result = "'";
    for (const char c : word)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

// `talvo-dbf show PATH ARGS` in text blocks: all of a copied table's output does not fit into
// the pipe, so that `change`, made once 2000 bytes have arrived, comes before the tool ends.
ShowRun show(
        const TempDir &dir, const std::string &path, const std::vector<std::string> &args = {},
        const std::function<void()> &change = [] {})
{
    std::string command = quoted(TALVO_DBF_TOOL) + " show " + quoted(path);
    for (const std::string &arg : args)
        command += " " + quoted(arg);
    FILE *pipe = ::popen((command + " 2>" + quoted(dir.file("err"))).c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        const bool first = out.size() <= 2000;
        out.append(buffer, got);
        if (first && out.size() > 2000)
            change();
    }
    const int status = ::pclose(pipe);
    EXPECT_EQ(out.find('\0'), std::string::npos);
    ShowRun run {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", {}};
    std::ostringstream err;
    err << std::ifstream(dir.file("err")).rdbuf();
    run.err = err.str();
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("CALL "))
            run.calls.push_back(line.substr(line.find(": ") + 2));
    }
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
                const ShowRun run = show(dir, path, view, [&] { scenario.make(dir, path); });
                EXPECT_EQ(run.exit, 1);
                EXPECT_EQ(run.err.rfind("talvo-dbf: 7030: Die Datei »" + path
                                                + "« wurde von einem anderen Programm "
                                                + scenario.says,
                                        0),
                          0u)
                        << run.err;
                const bool whole = !live || scenario.replaced;
                EXPECT_EQ(run.calls, firstCalls(whole ? count : run.calls.size()));
                EXPECT_GT(run.calls.size(), 20u);
                EXPECT_LT(run.calls.size(), whole ? size_t(count) + 1 : size_t(count));
                if (&view != &views.front())
                    continue;
                const ShowRun next = show(dir, path);
                EXPECT_EQ(next.exit, scenario.reopened < 0 ? 1 : 0) << next.err;
                EXPECT_EQ(next.calls.size(), size_t(std::max(scenario.reopened, 0)));
                if (!next.calls.empty()) {
                    EXPECT_EQ(next.calls.back(), scenario.lastReopened);
                }
            }
        }
    }
}

} // namespace
