// The station record: the thirteen columns of a station table in their fixed order, with the
// captions the viewer shows beside their values.
#pragma once

#include <QString>
#include <QStringView>
#include <array>

namespace database {

struct StationColumn
{
    QStringView name; // the column name in the table and in queries
    QStringView caption; // the caption of the column's field in the viewer
};

inline constexpr int kStationColumnCount = 13;

// The index of a column is at once its field index in the record set, the index of its field and
// caption in the viewer, and its list position in the column dialog. Queries that select all
// columns rely on the table holding them in this order.
inline constexpr std::array<StationColumn, kStationColumnCount> kStationRecord = {{
        {u"CALL", u"CALL :"},
        {u"DXCC_WAE", u"DXCC / WAE :"},
        {u"LOCATOR", u"LOCATOR :"},
        {u"NEW_OLD_CA", u"NEW/OLD - CALL :"},
        {u"PR_ADRESSE", u"PR - ADRESSE :"},
        {u"PR_CLUSTER", u"PR - CLUSTER :"},
        {u"E_MAIL", u"EMAIL :"},
        {u"VORNAME", u"VORNAME :"},
        {u"AKTIVIT_TE", u"AKTIVITÄTEN :"},
        {u"RIG", u"RIG :"},
        {u"NOF_CW_LPM", u"NOF - CW/LPM :"},
        {u"NOF_SSB", u"NOF - SSB :"},
        {u"UP_DATE", u"UPDATE :"},
}};

// Returns the column name at `index`.
// REQUIRES: 0 <= index < kStationColumnCount
QString stationColumnName(int index);

// Returns the caption of the field at `index`.
// REQUIRES: 0 <= index < kStationColumnCount
QString stationColumnCaption(int index);

} // namespace database
