// Running talvo-dbf in the test process: its exit code and what it wrote to each stream.
#pragma once

#include "cli.h"

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
