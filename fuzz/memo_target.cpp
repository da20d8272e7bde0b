// Fuzz target: any bytes as a table with its memo file, the memos read and checked.
#include "dbf/table.h"
#include "table_check.h"
#include "targets.h"
#include "temp_folder.h"

namespace fuzz {
namespace {

// How far the memo file is extended by a hole, by bits 2-3 of the format byte: not at all,
// past the size up to which files are copied (so that it is mapped), past the longest memo
// value read, past 4 GiB (offsets of 33 bits).
constexpr uint64_t kMemoSizes[] = {0, dbf::kSnapshotLimit + 1,
                                   dbf::kMemoValueLimit + dbf::kSnapshotLimit,
                                   (uint64_t {5} << 30) + 1};

} // namespace

void memo(std::string_view input)
{
    const size_t marker = input.find(kMemoMarker);
    if (marker == std::string_view::npos || marker + kMemoMarker.size() >= input.size())
        return;
    const std::string_view table = input.substr(0, marker);
    const auto format = static_cast<uint8_t>(input[marker + kMemoMarker.size()]);
    const std::string_view memo = input.substr(marker + kMemoMarker.size() + 1);

    // The table's version decides between the formats of a .dbt.
    const std::filesystem::path folder = freshFolder("memo");
    const std::string path = writeFile(folder, "fuzz.dbf", table);
    const std::string memoPath = writeFile(folder, format % 3 == 2 ? "fuzz.fpt" : "fuzz.dbt", memo);
    if (const uint64_t size = kMemoSizes[format >> 2 & 3]; size > memo.size())
        std::filesystem::resize_file(memoPath, size);

    auto opened = dbf::Table::open(path);
    if (!opened)
        return;
    // The first records show every path; each value may cost its 16 MiB (kMemoValueLimit).
    const uint64_t records = std::min<uint64_t>(opened->recordCount(), 100);
    for (uint64_t record = 0; record < records; ++record) {
        for (size_t field = 0; field < opened->fieldCount(); ++field) {
            if (opened->field(field).isMemo(opened->header().dialect))
                (void)opened->text(record, field);
        }
    }
    (void)cli::checkTable(*opened);
}

} // namespace fuzz
