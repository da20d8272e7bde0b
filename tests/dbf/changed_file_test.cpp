// A table that another program shortens, rewrites or extends while it is open: reading goes on
// without a crash, the records that are gone are named, and reopening shows the file as it is.
#include "dbf/table.h"
#include "dbf_builder.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Records of 100 bytes: 5000 of them span many pages, so that shortening unmaps some.
std::string manyRecords(char letter, int count = 5000)
{
    dbfbuild::DbfBuilder builder(0x03, {{"CALL", 'C', 20}, {"NOTE", 'C', 79}});
    for (int i = 0; i < count; ++i) {
        // Appended rather than `std::string(1, letter) + …`, which GCC 12 at -O3 warns of
        // falsely (-Wrestrict, GCC bug 105329).
        std::string call(1, letter);
        call += std::to_string(i);
        builder.record({call, std::string(60, letter)});
    }
    return builder.bytes();
}

uint64_t recordOffset(const dbf::Table &table, uint64_t record)
{
    return table.header().headerLength + record * table.header().recordLength;
}

TEST(ChangedFile, ShortenedFileNamesTheRecordsThatAreGone)
{
    TempDir dir;
    const std::string path = dir.write("stations.dbf", manyRecords('A'));
    auto table = dbf::Table::open(path);
    ASSERT_TRUE(table);
    std::filesystem::resize_file(path, recordOffset(*table, 10));

    EXPECT_FALSE(table->checkRecord(0));
    EXPECT_FALSE(table->checkRecord(9));
    const auto gone = table->checkRecord(4999);
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->code, dbf::ErrorCode::FileChanged);
    EXPECT_NE(gone->description.find("Datensatz 5000"), std::string::npos) << gone->description;
    EXPECT_NE(gone->description.find(path), std::string::npos);

    // What is gone reads as zeros, by record and by scan, instead of ending the program.
    EXPECT_EQ(table->text(0, 0).text, "A0");
    EXPECT_EQ(table->text(4999, 0).text, "");
    uint64_t visited = 0;
    table->scan([&](uint64_t, std::string_view) { ++visited; });
    EXPECT_EQ(visited, 5000u);
    EXPECT_TRUE(table->checkRecord(20)) << "a read that met a missing page keeps the file changed";

    auto reopened = dbf::Table::open(path);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->recordCount(), 10u);
}

TEST(ChangedFile, RewrittenFileShowsItsNewBytes)
{
    TempDir dir;
    const std::string path = dir.write("stations.dbf", manyRecords('A'));
    auto table = dbf::Table::open(path);
    ASSERT_TRUE(table);
    dir.write("stations.dbf", manyRecords('B'));
    EXPECT_FALSE(table->checkRecord(4999));
    EXPECT_EQ(table->text(4999, 0).text, "B4999");
}

TEST(ChangedFile, AppendedRecordsShowAfterReopening)
{
    TempDir dir;
    const std::string path = dir.write("stations.dbf", manyRecords('A', 100));
    auto table = dbf::Table::open(path);
    ASSERT_TRUE(table);
    dir.write("stations.dbf", manyRecords('A', 200));
    EXPECT_EQ(table->recordCount(), 100u);
    EXPECT_FALSE(table->checkRecord(99));
    EXPECT_EQ(table->text(99, 0).text, "A99");
    EXPECT_EQ(dbf::Table::open(path)->recordCount(), 200u);
}

} // namespace
