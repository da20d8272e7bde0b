// File and table names derived from database paths, and the connection and query texts built
// from them.
#include "database/database_names.h"
#include "support/qstring_printer.h"

#include <gtest/gtest.h>

namespace {

// The name, or the error as "Fehler 6: Überlauf".
QString outcome(const database::Result<QString> &name)
{
    return name ? *name
                : QStringLiteral("Fehler %1: %2")
                          .arg(name.error().number)
                          .arg(name.error().description);
}

// File names follow the last separator of either kind; table names drop the last dot and what
// follows; a separator farther than 16 bits of places is an overflow.
TEST(DatabaseNames, FileAndTableNamesOfPaths)
{
    const auto file = database::fileNameFromPath, table = database::tableNameFromFileName,
               path = database::tableNameFromPath;
    const QString far(40000, u'x'), overflow = QStringLiteral("Fehler 6: Überlauf");
    const struct
    {
        database::Result<QString> (*naming)(const QString &);
        QString input, name;
    } cases[] = {
            {file, "D:\\Funk\\Stationen.dbf", "Stationen.dbf"},
            {file, "/home/funk/Stationen.dbf", "Stationen.dbf"},
            {file, "Stationen.dbf", "Stationen.dbf"},
            {file, "D:\\Funk\\", ""},
            {file, "/home/funk/", ""},
            {file, "/mnt/D:\\Funk\\Stationen.dbf", "Stationen.dbf"},
            {file, "D:\\Funk/Stationen.dbf", "Stationen.dbf"},
            {file, "/home/funk/Meine Stationen Ö.dbf", "Meine Stationen Ö.dbf"},
            {file, "", ""},
            {file, "/funk/" + far, overflow},
            {file, "D:\\" + far + "/Stationen.dbf", "Stationen.dbf"},
            {table, "Stationen.dbf", "Stationen"},
            {table, "Liste.2003.dbf", "Liste.2003"},
            {table, "Stationen", "Stationen"},
            {table, "Stationen.", "Stationen"},
            {table, ".dbf", ""},
            {table, "Meine Stationen.dbf", "Meine Stationen"},
            {table, "Liste." + far, overflow},
            {table, far, far},
            {path, "D:\\Funk\\Stationen.dbf", "Stationen"},
            {path, "/srv/Liste.2003.dbf", "Liste.2003"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(outcome(c.naming(c.input)), c.name) << c.input.left(40).toStdString();
}

// The path ends the connection text unchanged; one that the text's syntax would break goes in
// braces, "}" doubled, and the record source reads it back as it was.
TEST(DatabaseNames, ConnectionAndQueryTextsTakeThePathAndTheTableName)
{
    const QString prefix = QStringLiteral(
            "Provider=MSDASQL;Persist Security Info=False;Mode=Read;dsn=dBASE-Dateien;uid=;");
    const std::pair<QString, QString> cases[] = {
            {"Stationen.dbf", "database=Stationen.dbf"},
            {"/home/funk/Logbuch 2003/Stationen.dbf",
             "database=/home/funk/Logbuch 2003/Stationen.dbf"},
            {"/home/funk/DL;OE {alt}/Stationen.dbf",
             "database={/home/funk/DL;OE {alt}}/Stationen.dbf}"},
            {" Stationen.dbf", "database={ Stationen.dbf}"},
    };
    for (const auto &[path, end] : cases)
        EXPECT_EQ(database::connectionText(path), prefix + end);

    // The queries insert the table name unchanged.
    const QString columns = "select CALL,DXCC_WAE,LOCATOR,NEW_OLD_CA,PR_ADRESSE,PR_CLUSTER,E_MAIL,"
                            "VORNAME,AKTIVIT_TE,RIG,NOF_CW_LPM,NOF_SSB,UP_DATE from ";
    const struct
    {
        QString (*query)(const QString &tableName);
        QString tableName, text;
    } queries[] = {
            {database::columnQuery, "Stationen", columns + "Stationen Order by CALL"},
            {database::orderedFullQuery, "Stationen", "select * from Stationen Order by CALL"},
            {database::plainFullQuery, "Stationen", "select * from Stationen"},
            {database::columnQuery, "Meine Stationen", columns + "Meine Stationen Order by CALL"},
            {database::orderedFullQuery, "Meine Stationen",
             "select * from Meine Stationen Order by CALL"},
            {database::plainFullQuery, "Meine Stationen", "select * from Meine Stationen"},
            {database::plainFullQuery, "O'Brien", "select * from O'Brien"},
    };
    for (const auto &c : queries)
        EXPECT_EQ(c.query(c.tableName), c.text);
}

} // namespace
