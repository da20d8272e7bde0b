// talvo-dbf on a table that another program changes while it is written out: the output is one
// state of the table, and the tool ends with error 7030 naming the change; the next run shows
// the file as it is.
#include "cli.h"
#include "dbf_builder.h"
#include "support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace {

constexpr uint64_t kHeader = 32 * 3 + 1, kRecord = 100;
// 2000 records (200 KB) are copied when opened; 60000 (6 MB) are read live, in more chunks than
// the output holds in flight before it writes (ChunkedOutput), so that a change while writing
// comes while reading.
constexpr int kSmall = 2000, kLarge = 60000;

std::string table(int count, const std::string &prefix = "DL")
{
    dbfbuild::DbfBuilder builder(0x03, {{"CALL", 'C', 20}, {"NOTE", 'C', 79}});
    for (int i = 0; i < count; ++i)
        builder.record({prefix + std::to_string(i), std::string(60, 'x')});
    return builder.bytes();
}

void overwrite(const std::string &path, uint64_t offset, const std::string &bytes)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file << bytes;
}

// An output that lets another program act once some records have arrived.
class ChangingOutput : public std::stringbuf
{
public:
    explicit ChangingOutput(std::function<void()> change) : m_change(std::move(change)) { }

protected:
    std::streamsize xsputn(const char *text, std::streamsize count) override
    {
        if (str().size() > 2000 && !std::exchange(m_changed, true))
            m_change();
        return std::stringbuf::xsputn(text, count);
    }

private:
    std::function<void()> m_change;
    bool m_changed = false;
};

struct Outcome
{
    int exit;
    std::string out;
    std::string err;
};

class ChangedTableCli : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        count = GetParam();
        path = dir.write("funk.dbf", table(count));
        // Written an hour ago, as a table another program keeps: a change now has another time.
        std::filesystem::last_write_time(
                path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    }

    Outcome show(const std::function<void()> &change, std::vector<std::string> more = {})
    {
        std::vector<std::string> args {"show", path, "--format", "csv"};
        args.insert(args.end(), more.begin(), more.end());
        ChangingOutput output(change);
        std::ostream out(&output);
        std::ostringstream err;
        const int exit = cli::run(args, out, err);
        return {exit, output.str(), err.str()};
    }

    // The calls written, in order.
    static std::vector<std::string> calls(const std::string &csv)
    {
        std::vector<std::string> result;
        std::istringstream lines(csv);
        std::string line;
        std::getline(lines, line); // the column names
        while (std::getline(lines, line))
            result.push_back(line.substr(0, line.find(',')));
        return result;
    }

    void expectChange(const Outcome &run, const std::string &what)
    {
        EXPECT_EQ(run.exit, 1);
        EXPECT_EQ(run.err.rfind("talvo-dbf: 7030: Die Datei »" + path
                                        + "« wurde von einem "
                                          "anderen Programm ",
                                0),
                  0u)
                << run.err;
        EXPECT_NE(run.err.find(what), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find('\0'), std::string::npos);
    }

    // The first `n` calls of the table as it was opened, in file order.
    static std::vector<std::string> firstCalls(size_t n)
    {
        std::vector<std::string> result;
        for (size_t i = 0; i < n; ++i)
            result.push_back("DL" + std::to_string(i));
        return result;
    }

    bool live() const { return count == kLarge; }

    TempDir dir;
    std::string path;
    int count = 0;
};

TEST_P(ChangedTableCli, AnInPlaceChangeEndsTheOutputOfOneState)
{
    const Outcome run =
            show([&] { overwrite(path, kHeader + (count - 1) * kRecord + 1, "CHANGED1"); });
    expectChange(run, "überschrieben");
    const auto written = calls(run.out);
    EXPECT_EQ(written, firstCalls(live() ? written.size() : count));
    EXPECT_GT(written.size(), 20u);
    EXPECT_LT(written.size(), live() ? size_t(count) : size_t(count) + 1);

    const Outcome next = show([] {});
    EXPECT_EQ(next.exit, 0) << next.err;
    EXPECT_EQ(calls(next.out).back(), "CHANGED1");
}

TEST_P(ChangedTableCli, AnInPlaceChangeOfARecordWrittenAlready)
{
    const Outcome run = show([&] { overwrite(path, kHeader + 1, "CHANGED1"); });
    expectChange(run, "überschrieben");
    ASSERT_GT(calls(run.out).size(), 20u);
    EXPECT_EQ(calls(run.out), firstCalls(calls(run.out).size()));
}

TEST_P(ChangedTableCli, AChangeWhileWritingInCallOrder)
{
    const Outcome run = show([&] { overwrite(path, kHeader + (count - 1) * kRecord + 1, "A"); },
                             {"--query", "select * from funk Order by CALL"});
    expectChange(run, "überschrieben");
    for (const std::string &call : calls(run.out))
        EXPECT_EQ(call.rfind("DL", 0), 0u) << call;
}

TEST_P(ChangedTableCli, AChangeWhileSteppingThroughMatches)
{
    const Outcome run = show([&] { overwrite(path, kHeader + (count - 1) * kRecord + 1, "DLX"); },
                             {"--find", "[CALL] LIKE 'DL*'"});
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.err.find("7030"), std::string::npos) << run.err;
    const auto written = calls(run.out);
    EXPECT_EQ(written, firstCalls(written.size()));
}

TEST_P(ChangedTableCli, AnAppend)
{
    const Outcome run = show([&] {
        std::ofstream(path, std::ios::in | std::ios::out | std::ios::binary) << table(count + 1);
    });
    expectChange(run, "verlängert");
    const auto written = calls(run.out);
    EXPECT_EQ(written, firstCalls(live() ? written.size() : count));
    EXPECT_EQ(calls(show([] {}).out).size(), size_t(count) + 1);
}

TEST_P(ChangedTableCli, AShortening)
{
    for (const uint64_t extra : {uint64_t(0), uint64_t(50)}) {
        SetUp();
        const Outcome run =
                show([&] { std::filesystem::resize_file(path, kHeader + 10 * kRecord + extra); });
        expectChange(run,
                     "Datensatz 11 bis Datensatz " + std::to_string(count) + " gibt es nicht mehr");
        const auto written = calls(run.out);
        EXPECT_EQ(written, firstCalls(live() ? written.size() : count));
        const Outcome next = show([] {});
        EXPECT_EQ(calls(next.out).size(), extra ? 11u : 10u);
    }
}

TEST_P(ChangedTableCli, AReplacementAndADeletion)
{
    const Outcome replaced =
            show([&] { std::filesystem::rename(dir.write("neu.dbf", table(3, "X")), path); });
    expectChange(replaced, "durch eine andere Datei ersetzt");
    EXPECT_EQ(calls(replaced.out), firstCalls(count));
    EXPECT_EQ(calls(show([] {}).out), std::vector<std::string>({"X0", "X1", "X2"}));

    SetUp();
    const Outcome deleted = show([&] { std::filesystem::remove(path); });
    expectChange(deleted, "gelöscht oder umbenannt");
    EXPECT_EQ(calls(deleted.out), firstCalls(count));
    EXPECT_EQ(show([] {}).exit, 1);
}

INSTANTIATE_TEST_SUITE_P(CopiedAndReadLive, ChangedTableCli, ::testing::Values(kSmall, kLarge),
                         [](const auto &param) {
                             return std::string(param.param == kSmall ? "Copied" : "ReadLive");
                         });

} // namespace
