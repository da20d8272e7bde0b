// File and table names derived from database paths, and the connection and query texts built
// from them.
#include "database/database_names.h"
#include "support/case_name.h"
#include "support/qstring_printer.h"

#include <gtest/gtest.h>

namespace {

struct NameCase
{
    const char *name;
    const char16_t *input;
    const char16_t *expected;
};

class FileNames : public ::testing::TestWithParam<NameCase>
{ };

TEST_P(FileNames, FollowTheLastSeparator)
{
    const NameCase &c = GetParam();
    const auto fileName = database::fileNameFromPath(QString::fromUtf16(c.input));
    ASSERT_TRUE(fileName) << fileName.error().description.toStdString();
    EXPECT_EQ(*fileName, QString::fromUtf16(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
        Database, FileNames,
        ::testing::Values(
                NameCase {"WindowsPath", u"D:\\Funk\\Stationen.dbf", u"Stationen.dbf"},
                NameCase {"UnixPath", u"/home/funk/Stationen.dbf", u"Stationen.dbf"},
                NameCase {"BareFileName", u"Stationen.dbf", u"Stationen.dbf"},
                NameCase {"WindowsPathEndingInSeparator", u"D:\\Funk\\", u""},
                NameCase {"UnixPathEndingInSeparator", u"/home/funk/", u""},
                NameCase {"BackslashAfterSlash", u"/mnt/D:\\Funk\\Stationen.dbf", u"Stationen.dbf"},
                NameCase {"SlashAfterBackslash", u"D:\\Funk/Stationen.dbf", u"Stationen.dbf"},
                NameCase {"BlanksAndUmlauts", u"/home/funk/Meine Stationen Ö.dbf",
                          u"Meine Stationen Ö.dbf"},
                NameCase {"EmptyPath", u"", u""}),
        CaseName());

class TableNames : public ::testing::TestWithParam<NameCase>
{ };

TEST_P(TableNames, DropTheLastDotAndWhatFollows)
{
    const NameCase &c = GetParam();
    const auto tableName = database::tableNameFromFileName(QString::fromUtf16(c.input));
    ASSERT_TRUE(tableName) << tableName.error().description.toStdString();
    EXPECT_EQ(*tableName, QString::fromUtf16(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
        Database, TableNames,
        ::testing::Values(NameCase {"Extension", u"Stationen.dbf", u"Stationen"},
                          NameCase {"SeveralDots", u"Liste.2003.dbf", u"Liste.2003"},
                          NameCase {"NoDot", u"Stationen", u"Stationen"},
                          NameCase {"TrailingDot", u"Stationen.", u"Stationen"},
                          NameCase {"OnlyExtension", u".dbf", u""},
                          NameCase {"Blanks", u"Meine Stationen.dbf", u"Meine Stationen"}),
        CaseName());

TEST(DatabaseNames, PathGivesFileAndTableName)
{
    EXPECT_EQ(*database::tableNameFromPath(QStringLiteral("D:\\Funk\\Stationen.dbf")),
              QStringLiteral("Stationen"));
    EXPECT_EQ(*database::tableNameFromPath(QStringLiteral("/srv/Liste.2003.dbf")),
              QStringLiteral("Liste.2003"));
}

TEST(DatabaseNames, FarSeparatorIsOverflow)
{
    const QString farPart(40000, u'x');
    const auto fileName = database::fileNameFromPath(QStringLiteral("/funk/") + farPart);
    ASSERT_FALSE(fileName);
    EXPECT_EQ(fileName.error().number, 6);
    EXPECT_EQ(fileName.error().description, QStringLiteral("Überlauf"));

    const auto tableName = database::tableNameFromFileName(QStringLiteral("Liste.") + farPart);
    ASSERT_FALSE(tableName);
    EXPECT_EQ(tableName.error().number, 6);
}

TEST(DatabaseNames, LongNamesWithNearSeparatorFit)
{
    const QString farPart(40000, u'x');
    const auto fileName = database::fileNameFromPath(QStringLiteral("D:\\") + farPart
                                                     + QStringLiteral("/Stationen.dbf"));
    ASSERT_TRUE(fileName) << fileName.error().description.toStdString();
    EXPECT_EQ(*fileName, QStringLiteral("Stationen.dbf"));

    const auto tableName = database::tableNameFromFileName(farPart);
    ASSERT_TRUE(tableName) << tableName.error().description.toStdString();
    EXPECT_EQ(*tableName, farPart);
}

TEST(DatabaseNames, ConnectionTextEndsWithThePathUnchanged)
{
    EXPECT_EQ(database::connectionText(QStringLiteral("Stationen.dbf")),
              QStringLiteral("Provider=MSDASQL;Persist Security Info=False;Mode=Read;"
                             "dsn=dBASE-Dateien;uid=;database=Stationen.dbf"));
}

// A path that the connection text's syntax would break goes in braces, "}" doubled, and the
// record source reads it back as it was.
TEST(DatabaseNames, ConnectionTextQuotesPathsThatHoldItsSyntax)
{
    const QString prefix = QStringLiteral(
            "Provider=MSDASQL;Persist Security Info=False;Mode=Read;dsn=dBASE-Dateien;uid=;");
    EXPECT_EQ(database::connectionText(QStringLiteral("/home/funk/Logbuch 2003/Stationen.dbf")),
              prefix + QStringLiteral("database=/home/funk/Logbuch 2003/Stationen.dbf"));
    EXPECT_EQ(database::connectionText(QStringLiteral("/home/funk/DL;OE {alt}/Stationen.dbf")),
              prefix + QStringLiteral("database={/home/funk/DL;OE {alt}}/Stationen.dbf}"));
    EXPECT_EQ(database::connectionText(QStringLiteral(" Stationen.dbf")),
              prefix + QStringLiteral("database={ Stationen.dbf}"));
}

struct QueryCase
{
    const char *name;
    QString (*query)(const QString &tableName);
    const char16_t *tableName;
    const char16_t *expected;
};

class Queries : public ::testing::TestWithParam<QueryCase>
{ };

TEST_P(Queries, InsertTheTableNameUnchanged)
{
    const QueryCase &c = GetParam();
    EXPECT_EQ(c.query(QString::fromUtf16(c.tableName)), QString::fromUtf16(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
        Database, Queries,
        ::testing::Values(
                QueryCase {"Column", database::columnQuery, u"Stationen",
                           u"select CALL,DXCC_WAE,LOCATOR,NEW_OLD_CA,PR_ADRESSE,PR_CLUSTER,E_MAIL,"
                           u"VORNAME,AKTIVIT_TE,RIG,NOF_CW_LPM,NOF_SSB,UP_DATE from Stationen "
                           u"Order by CALL"},
                QueryCase {"OrderedFull", database::orderedFullQuery, u"Stationen",
                           u"select * from Stationen Order by CALL"},
                QueryCase {"PlainFull", database::plainFullQuery, u"Stationen",
                           u"select * from Stationen"},
                QueryCase {"ColumnWithBlanks", database::columnQuery, u"Meine Stationen",
                           u"select CALL,DXCC_WAE,LOCATOR,NEW_OLD_CA,PR_ADRESSE,PR_CLUSTER,E_MAIL,"
                           u"VORNAME,AKTIVIT_TE,RIG,NOF_CW_LPM,NOF_SSB,UP_DATE from Meine "
                           u"Stationen Order by CALL"},
                QueryCase {"OrderedFullWithBlanks", database::orderedFullQuery, u"Meine Stationen",
                           u"select * from Meine Stationen Order by CALL"},
                QueryCase {"PlainFullWithBlanks", database::plainFullQuery, u"Meine Stationen",
                           u"select * from Meine Stationen"},
                QueryCase {"PlainFullWithQuote", database::plainFullQuery, u"O'Brien",
                           u"select * from O'Brien"}),
        CaseName());

} // namespace
