// The command line of `talvo-dbf`: its commands and options.
#pragma once

#include "dbf/table.h"
#include "record_writer.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Options
{
    std::string command; // "info", "show" or "check"
    std::vector<std::string> files; // one for info and show, one or more for check
    Format format = Format::Text;
    std::optional<uint64_t> limit;
    dbf::OpenOptions open;
    std::string query; // "" for all columns in the file's order
    std::string filter;
    std::string sort;
    std::string find; // "" for no search
    bool backward = false;
    int64_t skip = 0;
    bool count = false;
    bool plain = false; // CSV for other locales: ISO dates, decimal point, true/false
    bool help = false;
    bool version = false;
};

// Reads `args` into `options`; the German reason when they do not form a command line.
std::optional<std::string> parseOptions(const std::vector<std::string> &args, Options &options);

extern const char kUsage[];

} // namespace cli
