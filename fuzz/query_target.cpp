// Fuzz target: any text as the query of a record set.
#include "recordset/query.h"
#include "recordset/record_set.h"
#include "station_file.h"
#include "targets.h"

namespace fuzz {

void query(std::string_view input)
{
    const size_t end = std::min(input.find('\n'), input.size());
    const std::string connection(input.substr(0, end));
    const std::string text(input.substr(std::min(end + 1, input.size())));
    if (auto path = recordset::databasePath(connection))
        (void)recordset::tableNameOf(*path);
    (void)recordset::parseQuery(text);
    // The fuzzed query runs on the station table only: a fuzzed path could name any file.
    auto set = recordset::RecordSet::Open(stationConnection(), text);
    if (!set)
        return;
    for (int step = 0; step < 50 && (*set)->MoveNext().ok(); ++step) {
        for (size_t field = 0; field < 3; ++field)
            (void)(*set)->FieldText(field);
    }
}

} // namespace fuzz
