// Fuzz target: any texts as a filter, a sort and a find over a small station table.
#include "recordset/criterion.h"
#include "recordset/record_set.h"
#include "recordset/sort_order.h"
#include "station_file.h"
#include "targets.h"

namespace fuzz {
namespace {

std::string_view nextLine(std::string_view &input)
{
    const size_t end = std::min(input.find('\n'), input.size());
    const std::string_view line = input.substr(0, end);
    input.remove_prefix(std::min(end + 1, input.size()));
    return line;
}

} // namespace

void criterion(std::string_view input)
{
    const std::string filter(nextLine(input)), sort(nextLine(input)), find(nextLine(input));
    (void)recordset::parseCriterion(filter, "Filterkriterium");

    // One record set for every run: opening and loading the collation each time would cost
    // most of the time.
    static const auto set = recordset::RecordSet::Open(stationConnection(), stationQuery());
    if (!set)
        return;
    recordset::RecordSet &records = **set;
    (void)records.SetFilter("");
    (void)records.SetSort("");
    (void)records.SetFilter(filter);
    (void)records.SetSort(sort);
    (void)records.RecordCount();
    for (auto direction :
         {recordset::SearchDirection::Forward, recordset::SearchDirection::Backward}) {
        (void)(direction == recordset::SearchDirection::Forward ? records.MoveFirst()
                                                                : records.MoveLast());
        for (int step = 0; step < 3; ++step)
            (void)records.Find(find, step == 0 ? 0 : 1, direction);
    }
    (void)records.ForEach([&](std::string_view bytes) {
        (void)records.FieldText(bytes, 0);
        return true;
    });
}

} // namespace fuzz
