// `talvo-dbf check`: the health report of tables, as text or as one JSON document.
#pragma once

#include "options.h"
#include "table_check.h"

#include <ostream>

namespace cli {

// Checks every table of `options.files` and writes the report to `out`, the errors of
// unreadable tables to `err` as well; text with control characters visible (visible_text.h).
// Returns 0 when all are healthy (notes at most), 1 when one has warnings, 2 when one cannot be
// read.
int check(const Options &options, std::ostream &out, std::ostream &err);

// A finding of `table` in one line, for `info`: its level, its text, its first place, and how
// often when more than once; control characters visible (visible_text.h).
std::string shortForm(const CheckFinding &finding, const dbf::Table &table);

} // namespace cli
