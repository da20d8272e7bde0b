// Running talvo-dbf in the test process: its exit code and what it wrote to each stream, and
// checks of the texts it writes.
#pragma once

#include "cli.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
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

// A run to be refused: its arguments, exit code, error number and parts of the error text.
struct Refusal
{
    std::vector<std::string> args;
    int exit;
    std::string number;
    std::vector<std::string> parts = {};
};

// Each run refused as `refused` says, its error holding its parts and no control character.
inline void expectRefusals(const std::vector<Refusal> &refusals)
{
    for (const Refusal &refusal : refusals) {
        std::string call;
        for (const std::string &arg : refusal.args)
            call += arg + ' ';
        SCOPED_TRACE(call);
        const CliRun run = runTool(refusal.args);
        EXPECT_TRUE(refused(run, refusal.exit, refusal.number)) << run.err;
        EXPECT_TRUE(holds(run.err, refusal.parts));
        EXPECT_TRUE(onlyLineBreaks(run.err)) << run.err;
    }
}
