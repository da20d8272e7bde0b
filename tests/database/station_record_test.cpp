// The station record: thirteen columns in their fixed order with their captions.
#include "database/station_record.h"
#include "support/qstring_printer.h"

#include <gtest/gtest.h>

namespace {

struct ColumnCase
{
    const char16_t *name;
    const char16_t *caption;
};

constexpr ColumnCase kExpectedColumns[] = {
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
};

TEST(StationRecord, ThirteenColumnsInOrderWithCaptions)
{
    ASSERT_EQ(database::kStationColumnCount, 13);
    ASSERT_EQ(std::size(database::kStationRecord), std::size(kExpectedColumns));
    for (int index = 0; index < database::kStationColumnCount; ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(database::stationColumnName(index),
                  QString::fromUtf16(kExpectedColumns[index].name));
        EXPECT_EQ(database::stationColumnCaption(index),
                  QString::fromUtf16(kExpectedColumns[index].caption));
    }
}

} // namespace
