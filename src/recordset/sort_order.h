// The stable sort of records by the fields of a sort text.
#pragma once

#include "byte_sort_keys.h"
#include "collator.h"
#include "dbf/table.h"
#include "sort_text.h"

#include <functional>
#include <string>
#include <vector>

namespace recordset {

// Orders `records` by `fields`: text in German dictionary order, numbers by value, dates by
// date, empty values first (last when descending). Records that compare equal keep their order.
// `byteKeys`, when given, builds the keys of C fields from their bytes.
void sortRecords(std::vector<uint32_t> &records, const std::vector<SortField> &fields,
                 const dbf::Table &table, const Collator &collator,
                 const ByteSortKeys *byteKeys = nullptr);

// The table's records that `keep` lets through, sorted as sortRecords() sorts, in one pass over
// the file; records that compare equal keep their file order. The two halves of the file are
// worked on by two threads at once, so `keep` must be safe to call from both.
std::vector<uint32_t> sortedRecords(const std::vector<SortField> &fields, const dbf::Table &table,
                                    const Collator &collator, const ByteSortKeys *byteKeys,
                                    const std::function<bool(std::string_view)> &keep);

} // namespace recordset
