// The viewer window over small station tables, for the window tests.
#pragma once

#include "database/database_names.h"
#include "database/program_state.h"
#include "support/fake_platform.h"
#include "support/station_table.h"
#include "support/temp_dir.h"
#include "viewer/viewer.h"

#include <gtest/gtest.h>

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
