// Connection texts, query texts and the table names derived from paths.
#include "recordset/query.h"
#include "support/case_name.h"

#include <gtest/gtest.h>

using recordset::Query;

namespace {

TEST(Connection, OnlyDatabaseNamesTheFile)
{
    const auto path = recordset::databasePath(
            "Provider=MSDASQL;Persist Security Info=False;Mode=Read;dsn=dBASE-Dateien;uid=;"
            "database=/home/funk/Meine Stationen.dbf");
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, "/home/funk/Meine Stationen.dbf");
    EXPECT_EQ(*recordset::databasePath("DATABASE=STATIONEN.DBF"), "STATIONEN.DBF");

    const auto none = recordset::databasePath("Provider=MSDASQL;Mode=Read");
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().number, recordset::kTableNotFound);
    const auto open = recordset::databasePath("database={/a;b/x.dbf"); // an unclosed brace
    ASSERT_FALSE(open);
    EXPECT_EQ(open.error().number, recordset::kTableNotFound);
    EXPECT_NE(open.error().description.find("schließt nicht"), std::string::npos);
}

// Any path of a Linux file system stands in a connection text and reads back unchanged; only
// paths that the text's syntax would break go in braces, "}" doubled (ODBC style).
TEST(Connection, EveryPathReadsBackUnchanged)
{
    for (const std::string path :
         {"/home/funk/Meine Stationen.dbf", "/srv/a;b/x.dbf", "/srv/key=value/x.dbf",
          "/srv/{x}/y.dbf", "/srv/}}/;{/x.dbf", "{", "}", " /srv/leading.dbf", "trailing.dbf ",
          "/srv/\"quoted\" and 'single'/x.dbf", "/srv/ä ö ü/Stationen (alt).dbf",
          "/srv/;database=/etc/x.dbf", "/srv/tab\there/x.dbf", ""}) {
        const std::string connection = "Provider=MSDASQL;Mode=Read;uid=;database="
                + recordset::connectionValue(path) + ";Extended Properties={a;b}";
        const auto read = recordset::databasePath(connection);
        ASSERT_TRUE(read) << read.error().description;
        EXPECT_EQ(*read, path) << connection;
    }
    EXPECT_EQ(recordset::connectionValue("/home/funk/Meine Stationen.dbf"),
              "/home/funk/Meine Stationen.dbf");
    EXPECT_EQ(recordset::connectionValue("/a;b/x}.dbf"), "{/a;b/x}}.dbf}");
    EXPECT_EQ(*recordset::databasePath("DRIVER={dBase (*.dbf)};database= {/a;b/x.dbf} ;uid="),
              "/a;b/x.dbf");
}

TEST(Connection, TableNameIsTheFileNameWithoutItsLastExtension)
{
    EXPECT_EQ(recordset::tableNameOf("D:\\Funk\\Stationen.dbf"), "Stationen");
    EXPECT_EQ(recordset::tableNameOf("/srv/funk/Liste.2003.dbf"), "Liste.2003");
    EXPECT_EQ(recordset::tableNameOf("STATIONEN"), "STATIONEN");
    EXPECT_EQ(recordset::tableNameOf("Meine Stationen.DBF"), "Meine Stationen");
    EXPECT_EQ(recordset::tableNameOf("/srv/funk/.dbf"), "");
}

struct QueryCase
{
    const char *name, *text;
    Query expected;
};

using Queries = ::testing::TestWithParam<QueryCase>;

TEST_P(Queries, AreParsed)
{
    const auto query = recordset::parseQuery(GetParam().text);
    ASSERT_TRUE(query) << query.error().description;
    EXPECT_EQ(query->columns, GetParam().expected.columns);
    EXPECT_EQ(query->table, GetParam().expected.table);
    EXPECT_EQ(query->orderBy, GetParam().expected.orderBy);
    EXPECT_EQ(query->descending, GetParam().expected.descending);
}

const std::vector<QueryCase> kQueries = {
        {"Plain", "select * from Stationen", {{}, "Stationen", "", false}},
        {"Ordered", "select * from Stationen Order by CALL", {{}, "Stationen", "CALL", false}},
        {"Columns",
         "select CALL,DXCC_WAE,LOCATOR from Stationen Order by CALL",
         {{"CALL", "DXCC_WAE", "LOCATOR"}, "Stationen", "CALL", false}},
        {"BlanksInTableName",
         "SELECT * FROM Meine Stationen ORDER BY call desc",
         {{}, "Meine Stationen", "call", true}},
        {"SpacedColumns", "Select CALL , RIG from t", {{"CALL", "RIG"}, "t", "", false}},
        // The queries the viewer makes for a file named ".dbf", whose table name is empty.
        {"EmptyTableName", "select * from ", {{}, "", "", false}},
        {"EmptyTableNameOrdered", "select * from  Order by CALL", {{}, "", "CALL", false}}};

INSTANTIATE_TEST_SUITE_P(RecordSet, Queries, ::testing::ValuesIn(kQueries), CaseName());

TEST(Queries, OutsideTheFormAreRejectedWithTheText)
{
    for (const char *text :
         {"", "delete from t", "select from t", "select * t", "select * fromt",
          "select * from t order by", "select * from t order by a b", "select a b from t"}) {
        const auto query = recordset::parseQuery(text);
        ASSERT_FALSE(query) << text;
        EXPECT_EQ(query.error().number, recordset::kErrorsInCommand);
        EXPECT_NE(query.error().description.find(std::string("»") + text + "«"), std::string::npos);
    }
}

} // namespace
