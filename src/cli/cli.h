// The command-line tool `talvo-dbf`, callable in-process so that tests run it without a shell.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Runs the tool with `args` (without the program name). Returns the exit code: 0 on success,
// 1 when a table cannot be read, 2 for a wrong command line; for `check` 0 when the tables are
// healthy, 1 when one has findings, 2 when one cannot be read.
int run(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

} // namespace cli
