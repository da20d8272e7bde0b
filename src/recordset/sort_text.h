// Sort texts ("field [ASC|DESC], …"), parsed to the fields to sort by.
#pragma once

#include "error.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace recordset {

struct SortField
{
    size_t field; // in the table
    bool descending = false;
};

// Parses a sort text; "" gives no fields. `fieldOf` gives the table field of a name, or -1.
// Each field may be named once, so a sort has no more keys than the table has fields.
// Fails with kInvalidArgument, quoting the text and naming what is wrong.
Result<std::vector<SortField>> parseSort(const std::string &text,
                                         const std::function<int(const std::string &)> &fieldOf);

} // namespace recordset
