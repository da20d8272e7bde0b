// Accessors of the station record.
#include "database/station_record.h"

namespace database {

QString stationColumnName(int index)
{
    Q_ASSERT(index >= 0 && index < kStationColumnCount);
    return kStationRecord[index].name.toString();
}

QString stationColumnCaption(int index)
{
    Q_ASSERT(index >= 0 && index < kStationColumnCount);
    return kStationRecord[index].caption.toString();
}

} // namespace database
