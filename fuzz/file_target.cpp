// Fuzz target: any bytes as a table file read live, its layout settled and checked.
#include "dbf/table.h"
#include "table_check.h"
#include "targets.h"
#include "temp_folder.h"

#include <algorithm>

namespace fuzz {
namespace {

// What a reader of a file read live does besides reading values: checks whether another
// program changed it and whether it still holds each record.
void readLive(const dbf::Table &table)
{
    (void)table.change();
    (void)table.recordsHeld(table.bytesState());
    std::string record;
    const uint64_t records = std::min<uint64_t>(table.recordCount(), 2000);
    for (uint64_t index = 0; index < records; ++index) {
        (void)table.checkRecord(index);
        if (table.readRecord(index, record) && table.fieldCount() > 0)
            (void)table.text(record, index % table.fieldCount());
    }
}

} // namespace

void file(std::string_view input)
{
    input = input.substr(0, input.find(kMemoMarker)); // a memo file is the memo target's
    const std::filesystem::path folder = freshFolder("file");
    const std::string path = writeFile(folder, "fuzz.dbf", input);

    // First as it is, read live however small: opening settles the layout, check reads every
    // record. Then padded by a hole past the size up to which files are copied, as writers pad
    // to a block: read live with the default options, deleted records included.
    for (const bool padded : {false, true}) {
        if (padded && input.size() <= dbf::kSnapshotLimit)
            std::filesystem::resize_file(path, dbf::kSnapshotLimit + 1);
        const dbf::OpenOptions options {padded, "", padded ? dbf::kSnapshotLimit : 0};
        if (auto table = dbf::Table::open(path, options)) {
            (void)cli::checkTable(*table);
            readLive(*table);
        }
    }
}

} // namespace fuzz
