// Running talvo-dbf in the test process or as a process of its own: its exit code and what it
// wrote to each stream, and checks of the texts it writes.
#pragma once

#include "cli.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

struct CliRun
{
    int exit;
    std::string out;
    std::string err;
};

inline CliRun runTool(const std::vector<std::string> &args)
{
    std::ostringstream out, err;
    const int exit = cli::run(args, out, err);
    return {exit, out.str(), err.str()};
}

// Whether `text` holds each of `parts`; the failure names the missing part and shows the text.
inline ::testing::AssertionResult holds(const std::string &text,
                                        const std::vector<std::string> &parts)
{
    for (const std::string &part : parts) {
        if (text.find(part) == std::string::npos)
            return ::testing::AssertionFailure() << "»" << part << "« not in:\n" << text;
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult startsWith(const std::string &text, const std::string &start)
{
    if (text.rfind(start, 0) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "does not start with »" << start << "«:\n" << text;
}

// A run refused with `exit` and the error `number` first on standard error, nothing written.
inline ::testing::AssertionResult refused(const CliRun &run, int exit, const std::string &number)
{
    if (run.exit != exit || !run.out.empty())
        return ::testing::AssertionFailure() << "exit " << run.exit << ", out:\n" << run.out;
    return startsWith(run.err, "talvo-dbf: " + number + ": ");
}

// Whether `bytes` hold no control character but line breaks: nothing a terminal would obey.
inline bool onlyLineBreaks(const std::string &bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F
            || (byte == 0xC2 && next >= 0x80 && next <= 0x9F))
            return false;
    }
    return true;
}

// Each run of `rows` refused as `refused` says, its error holding its parts and no control
// character. Rows in JSON, comments allowed: [exit code, error number, [arguments], [parts of the
// error]].
inline void expectRefusals(const std::string &rows)
{
    for (const nlohmann::json &row : nlohmann::json::parse(rows, nullptr, true, true)) {
        SCOPED_TRACE(row.dump());
        const CliRun run = runTool(row[2].get<std::vector<std::string>>());
        EXPECT_TRUE(refused(run, row[0].get<int>(), row[1].get<std::string>())) << run.err;
        EXPECT_TRUE(holds(run.err, row.size() > 3 ? row[3] : nlohmann::json::array()));
        EXPECT_TRUE(onlyLineBreaks(run.err)) << run.err;
    }
}

// The built talvo-dbf as a process: the bytes a terminal would get. Its standard output comes
// through a pipe, each time more has arrived passed whole to `arrived`; its standard error
// through the file `errFile`.
inline CliRun runProcess(const std::vector<std::string> &args, const std::string &errFile,
                         const std::function<void(const std::string &)> &arrived = {})
{
    const auto word = [](const std::string &text) { // for the shell
        std::string quoted = "'";
        for (const char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    };
    std::string command = word(TALVO_DBF_TOOL);
    // Appended piece by piece: `" " + word(…)` makes GCC 12 at -O3 warn falsely (-Wrestrict,
    // GCC bug 105329).
    for (const std::string &arg : args)
        command.append(" ").append(word(arg));
    command.append(" 2>").append(word(errFile));
    FILE *pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, got);
        if (arrived)
            arrived(out);
    }
    const int status = ::pclose(pipe);
    std::ostringstream err;
    err << std::ifstream(errFile, std::ios::binary).rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, err.str()};
}

// A test with a temporary folder of its own as the current folder; the previous one is the
// current folder again afterwards.
class InTempFolder : public ::testing::Test
{
protected:
    InTempFolder() { std::filesystem::current_path(m_dir.file("")); }
    ~InTempFolder() override { std::filesystem::current_path(m_previous); }

    const std::filesystem::path m_previous = std::filesystem::current_path();
    TempDir m_dir;
};
