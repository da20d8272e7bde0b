// Small station tables for the window tests: the thirteen columns of the station record; and
// the viewer window that shows them.
#pragma once

#include "database/database_names.h"
#include "database/program_state.h"
#include "dbf_builder.h"
#include "support/fake_platform.h"
#include "support/temp_dir.h"
#include "viewer/viewer.h"

#include <array>
#include <gtest/gtest.h>
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

// The viewer window over tables in a folder of the test's own, with the test's platform and the
// program's state as at its start.
class StationWindow : public ::testing::Test
{
protected:
    StationWindow()
    {
        database::program() = {};
        database::program().lineBreak = QStringLiteral("\r\n");
    }

    // Binds the window's data control to the table at `path` with `query`, as the database; the
    // refresh's error.
    auto bind(const QString &path, const QString &query)
    {
        database::program().databasePath = path;
        window.datPrimaryRS().setConnectionString(database::connectionText(path));
        window.datPrimaryRS().setRecordSource(query);
        return window.datPrimaryRS().Refresh();
    }

    // Writes table `name`.dbf and shows it in file order; its path.
    QString open(const std::string &name, const std::string &bytes)
    {
        const QString path = QString::fromStdString(dir.write(name + ".dbf", bytes));
        EXPECT_FALSE(bind(path, database::plainFullQuery(QString::fromStdString(name))));
        return path;
    }

    std::shared_ptr<recordset::RecordSet> set() { return window.datPrimaryRS().Recordset(); }
    QString call() const { return window.shownFieldText(0); }
    QString counter() { return window.datPrimaryRS().Caption(); }

    FakePlatform fake;
    TempDir dir;
    viewer::Viewer window;
};
