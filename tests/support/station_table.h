// Small station tables for the tests: the thirteen columns of the station record.
#pragma once

#include "dbf_builder.h"

#include <array>
#include <string>
#include <vector>

using StationRow = std::array<std::string, 13>;

// CALL, VORNAME, NOF_SSB and UP_DATE given; the rest filled in. Text in CP850.
inline StationRow station(const std::string &call, const std::string &name = "",
                          const std::string &ssb = "", const std::string &date = "")
{
    return {call, "Deutschland", "JO31NF", "", "", "", "", name, "DX", "IC-7300", "5", ssb, date};
}

inline std::string stationTable(const std::vector<StationRow> &rows)
{
    dbfbuild::DbfBuilder builder(0x03,
                                 {{"CALL", 'C', 15},
                                  {"DXCC_WAE", 'C', 30},
                                  {"LOCATOR", 'C', 8},
                                  {"NEW_OLD_CA", 'C', 15},
                                  {"PR_ADRESSE", 'C', 40},
                                  {"PR_CLUSTER", 'C', 40},
                                  {"E_MAIL", 'C', 50},
                                  {"VORNAME", 'C', 30},
                                  {"AKTIVIT_TE", 'C', 110},
                                  {"RIG", 'C', 100},
                                  {"NOF_CW_LPM", 'N', 5},
                                  {"NOF_SSB", 'N', 5},
                                  {"UP_DATE", 'D', 8}});
    builder.languageDriver(0x02);
    for (const StationRow &row : rows)
        builder.record(std::vector<std::string>(row.begin(), row.end()));
    return builder.bytes();
}

// Ten stations, not in CALL order; "J\x81rgen" is Jürgen in CP850.
inline std::string tenStations()
{
    return stationTable({station("DL1ABC", "J\x81rgen", "12", "20030105"),
                         station("OE3XYZ", "Bj\x94rn", "3", "19991231"),
                         station("DK2XX", "Anna", "7", "20010101"), station("HB9AA", "Hans", "1"),
                         station("9A1AA", "Ivo", "0"), station("DL9ZZ", "Zoe", "5"),
                         station("F5ABC", "Andr\x82", "2"), station("G3XYZ", "Tom", "9"),
                         station("PA0AA", "Piet", "4"), station("JA1AA", "Taro", "8")});
}
