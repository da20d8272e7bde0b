// Where the records start, how long they are and where the fields lie in them, settled from the
// header and from what the file's bytes confirm when the header's numbers disagree.
#pragma once

#include "error.h"
#include "finding.h"
#include "header.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dbf {

// Sets the header length, the record length and the fields' offsets and lengths of `header` to
// the layout the bytes of `file` confirm, and tells in findings what was corrected and why, or
// that the values may be shifted where no layout is confirmed unambiguously. Looks at a sample
// of record starts only (sampledRecords). Fails with FieldsOverrunRecord when the fields do not
// fit into any record length the file allows, CompressedTable for a compressed table.
Result<std::vector<Finding>> settleLayout(TableHeader &header, std::string_view file,
                                          const std::string &path);

// The records among [0, count) whose starts are looked at to confirm a layout: all of a small
// table, the first, the last and some spread between them of a large one, in ascending order.
std::vector<uint64_t> sampledRecords(uint64_t count);

// Whether `flag` is a deletion flag: ' ' for a record in use, '*' for a deleted one.
inline bool isRecordFlag(char flag)
{
    return flag == ' ' || flag == '*';
}

// Whether the bytes are padding after the records: only end markers (0x1A) and zeros.
bool isTailPadding(std::string_view bytes);

// Padding after the records is looked for over this many bytes at most, so that a file of
// zeros costs no more than one with a short tail: writers pad to a block boundary.
constexpr uint64_t kMostPaddingBytes = 1 << 20;

} // namespace dbf
