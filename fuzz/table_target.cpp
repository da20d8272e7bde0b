// Fuzz target: any bytes as a table in memory, with a memo file when they hold one.
#include "dbf/table.h"
#include "targets.h"

namespace fuzz {

void table(std::string_view input)
{
    std::optional<std::string> memo;
    dbf::MemoFormat format = dbf::MemoFormat::DBase3;
    if (const size_t marker = input.find(kMemoMarker); marker != std::string_view::npos) {
        std::string_view rest = input.substr(marker + kMemoMarker.size());
        if (!rest.empty()) {
            format = static_cast<dbf::MemoFormat>(static_cast<uint8_t>(rest[0]) % 3);
            memo = std::string(rest.substr(1));
        }
        input = input.substr(0, marker);
    }
    for (bool includeDeleted : {false, true}) {
        auto table = dbf::Table::fromBytes("fuzz.dbf", std::string(input), memo, format,
                                           {includeDeleted, ""});
        if (!table)
            return;
        // A header may promise millions of records; the first ones show every path.
        const uint64_t records = std::min<uint64_t>(table->recordCount(), 2000);
        for (uint64_t record = 0; record < records; ++record) {
            for (size_t field = 0; field < table->fieldCount(); ++field)
                (void)table->text(record, field);
        }
        table->scan([&](uint64_t, std::string_view bytes) {
            if (table->fieldCount() > 0)
                (void)table->text(bytes, 0);
        });
    }
}

} // namespace fuzz
