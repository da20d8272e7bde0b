// A table that another program shortens, rewrites, extends, replaces or deletes while it is
// open: a copy keeps what it read, a table read live notices, and reopening shows the file as it
// is now.
#include "dbf/table.h"
#include "dbf_builder.h"
#include "support/save_in_one_write.h"
#include "support/temp_dir.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <set>

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

constexpr uint64_t kHeader = 32 * 3 + 1, kRecord = 100;

// Written an hour ago, as a table another program keeps: a change now has another time.
std::string writeOld(const TempDir &dir, const std::string &bytes)
{
    const std::string path = dir.write("stations.dbf", bytes);
    std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    return path;
}

void overwrite(const std::string &path, uint64_t offset, const std::string &bytes)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file << bytes;
}

dbf::OpenOptions copied()
{
    dbf::OpenOptions options;
    options.snapshotLimit = 1 << 30;
    return options;
}

dbf::OpenOptions live()
{
    dbf::OpenOptions options;
    options.snapshotLimit = 0;
    return options;
}

std::string changeOf(const dbf::Table &table)
{
    const auto change = table.change();
    if (!change)
        return "";
    EXPECT_EQ(change->number, dbf::ErrorCode::FileChanged);
    EXPECT_NE(change->description.find("»" + table.path() + "«"), std::string::npos);
    return change->description;
}

uint64_t visited(const dbf::Table &table)
{
    uint64_t count = 0;
    table.scan([&](uint64_t, std::string_view) { ++count; });
    return count;
}

TEST(ChangedFile, SmallTablesAreCopiedAndLargeOnesReadLive)
{
    TempDir dir;
    const std::string path = writeOld(dir, manyRecords('A'));
    EXPECT_FALSE(dbf::Table::open(path)->holdsSnapshot());
    EXPECT_TRUE(dbf::Table::open(path, copied())->holdsSnapshot());
    const std::string small = dir.write("small.dbf", manyRecords('A', 2000));
    EXPECT_TRUE(dbf::Table::open(small)->holdsSnapshot());
    const std::string huge = dir.write("huge.dbf", manyRecords('A', 12000));
    EXPECT_FALSE(dbf::Table::open(huge)->holdsSnapshot());
}

TEST(ChangedFile, ACopyKeepsTheShortenedRecordsAndSaysWhatIsGone)
{
    TempDir dir;
    const std::string path = writeOld(dir, manyRecords('A'));
    auto table = dbf::Table::open(path, copied());
    ASSERT_TRUE(table);
    EXPECT_EQ(changeOf(*table), "");
    std::filesystem::resize_file(path, kHeader + 10 * kRecord);

    EXPECT_FALSE(table->checkRecord(4999));
    EXPECT_EQ(table->text(4999, 0).text, "A4999");
    EXPECT_EQ(visited(*table), 5000u);
    EXPECT_TRUE(table->keepsOpenedBytes());
    EXPECT_NE(changeOf(*table).find("verkürzt (von 500098 Bytes auf 1097 Bytes): Datensatz 11 "
                                    "bis Datensatz 5000 gibt es nicht mehr."),
              std::string::npos)
            << changeOf(*table);
    EXPECT_EQ(dbf::Table::open(path)->recordCount(), 10u);
}

TEST(ChangedFile, ReadLiveOnlyTheRecordsThatAreGoneAreGone)
{
    TempDir dir;
    const std::string path = writeOld(dir, manyRecords('A'));
    auto table = dbf::Table::open(path, live());
    ASSERT_TRUE(table);
    std::filesystem::resize_file(path, kHeader + 10 * kRecord + 50); // into record 11

    EXPECT_FALSE(table->checkRecord(0));
    EXPECT_FALSE(table->checkRecord(9));
    const auto gone = table->checkRecord(4999);
    ASSERT_TRUE(gone);
    EXPECT_NE(gone->description.find("Datensatz 5000"), std::string::npos) << gone->description;
    EXPECT_TRUE(table->checkRecord(10)) << "a record cut in two is gone";

    // A page beyond the new end touched through the mapping reads as zeros instead of ending
    // the program; the records before it still read as they are.
    EXPECT_EQ(table->text(4999, 0).text, "");
    std::string bytes;
    EXPECT_TRUE(table->readRecord(1, bytes));
    EXPECT_EQ(table->text(bytes, 0).text, "A1");
    EXPECT_FALSE(table->checkRecord(1));
    EXPECT_FALSE(table->readRecord(4999, bytes));
    EXPECT_EQ(bytes, std::string(kRecord, ' '));

    EXPECT_EQ(visited(*table), 10u) << "whole-table work leaves out what is gone";
    EXPECT_NE(changeOf(*table).find("Datensatz 11 bis Datensatz 5000"), std::string::npos);
}

TEST(ChangedFile, AnInPlaceChangeIsNamed)
{
    for (const bool copy : {true, false}) {
        TempDir dir;
        const std::string path = writeOld(dir, manyRecords('A'));
        auto table = dbf::Table::open(path, copy ? copied() : live());
        ASSERT_TRUE(table);
        overwrite(path, kHeader + 4999 * kRecord + 1, "CHANGED1");
        std::string bytes;
        ASSERT_TRUE(table->readRecord(4999, bytes));
        EXPECT_EQ(table->text(bytes, 0).text, copy ? "A4999" : "CHANGED1");
        EXPECT_EQ(table->keepsOpenedBytes(), copy);
        EXPECT_NE(changeOf(*table).find("wurde von einem anderen Programm überschrieben."),
                  std::string::npos)
                << changeOf(*table);
    }
}

TEST(ChangedFile, ReadLiveAScanStopsAtTheFirstChunkReadAfterAChange)
{
    TempDir dir;
    const std::string path = writeOld(dir, manyRecords('A'));
    auto table = dbf::Table::open(path, live());
    ASSERT_TRUE(table);
    const dbf::FileState before = table->bytesState();
    uint64_t count = 0;
    bool allOld = true;
    table->scan([&](uint64_t record, std::string_view bytes) {
        if (count++ == 0)
            overwrite(path, kHeader + 4999 * kRecord + 1, "CHANGED1");
        // Compared in two pieces: `"A" + std::to_string(…)` makes GCC 12 at -O3 warn falsely
        // (-Wrestrict, GCC bug 105329).
        const std::string call = table->text(bytes, 0).text;
        allOld = allOld && call.starts_with('A') && call.substr(1) == std::to_string(record);
    });
    EXPECT_TRUE(allOld);
    EXPECT_LT(count, 5000u);
    EXPECT_NE(table->bytesState(), before);
}

TEST(ChangedFile, AppendedRecordsShowAfterReopening)
{
    for (const bool copy : {true, false}) {
        TempDir dir;
        const std::string path = writeOld(dir, manyRecords('A', 100));
        auto table = dbf::Table::open(path, copy ? copied() : live());
        ASSERT_TRUE(table);
        {
            const std::string longer = manyRecords('A', 200);
            std::ofstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file << longer; // written over the same file, as a logging program appends
        }
        EXPECT_EQ(table->recordCount(), 100u);
        EXPECT_FALSE(table->checkRecord(99));
        EXPECT_EQ(table->text(99, 0).text, "A99");
        EXPECT_NE(changeOf(*table).find("verlängert (von 10098 Bytes auf 20098 Bytes); der "
                                        "Dateikopf nennt jetzt 200 statt 100 Datensätze."),
                  std::string::npos)
                << changeOf(*table);
        EXPECT_EQ(dbf::Table::open(path)->recordCount(), 200u);
    }
}

TEST(ChangedFile, AReplacedOrDeletedFileKeepsWhatWasOpened)
{
    for (const bool copy : {true, false}) {
        TempDir dir;
        const std::string path = writeOld(dir, manyRecords('A'));
        auto table = dbf::Table::open(path, copy ? copied() : live());
        ASSERT_TRUE(table);
        const std::string other = dir.write("other.dbf", manyRecords('B', 20));
        std::filesystem::rename(other, path);
        EXPECT_TRUE(table->keepsOpenedBytes());
        EXPECT_EQ(table->text(4999, 0).text, "A4999");
        EXPECT_NE(changeOf(*table).find("durch eine andere Datei ersetzt"), std::string::npos)
                << changeOf(*table);
        EXPECT_EQ(dbf::Table::open(path)->recordCount(), 20u);

        std::filesystem::remove(path);
        EXPECT_EQ(visited(*table), 5000u);
        EXPECT_NE(changeOf(*table).find("gelöscht oder umbenannt"), std::string::npos);
        EXPECT_FALSE(dbf::Table::open(path));
    }
}

// A small table is copied when opened; a save in one write() while it is copied (which sets the
// modification time once, as it begins) gives a copy of either state or an error, never a mix.
TEST(ChangedFile, ASmallTableOpenedDuringASaveIsCopiedInOneState)
{
    TempDir dir;
    const std::array<std::string, 2> states {manyRecords('A', 2000), manyRecords('B', 2000)};
    const std::string path = dir.write("stations.dbf", states[0]);
    for (int moment = 0; moment < 1000; ++moment) {
        std::optional<dbf::Table> table;
        std::optional<dbf::Error> failed;
        {
            // Opened from as the save starts to 100 µs after, in steps of 0.1 µs.
            const SaveInOneWrite save(path, states[static_cast<size_t>((moment + 1) % 2)]);
            const auto until =
                    std::chrono::steady_clock::now() + std::chrono::nanoseconds(moment * 100);
            while (std::chrono::steady_clock::now() < until) { }
            auto opened = dbf::Table::open(path);
            if (opened)
                table = std::move(*opened);
            else
                failed = opened.error();
        }
        if (failed) {
            EXPECT_NE(failed->description.find("ein anderes Programm schreibt sie gerade"),
                      std::string::npos)
                    << failed->description;
            continue;
        }
        ASSERT_TRUE(table->holdsSnapshot());
        std::set<char> letters;
        table->scan([&](uint64_t, std::string_view bytes) { letters.insert(bytes[1]); });
        EXPECT_EQ(letters.size(), 1u) << "at moment " << moment;
    }
}

} // namespace
