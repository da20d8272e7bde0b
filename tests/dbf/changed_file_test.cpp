// A table that another program changes while it is open (change_scenarios.h): a copy keeps what
// it read, a table read live notices, and reopening shows the file as it is now.
#include "dbf/table.h"
#include "support/change_scenarios.h"

#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace {

// 300 stations (137 KB) are copied when opened; 2400 (1.1 MB, many pages) are read live.
constexpr int kSmall = 300, kLarge = 2400;

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

// Small tables are copied, large ones read live unless the limit is raised.
TEST(ChangedFile, EachChangeIsNamedAndOnlyRecordsGoneAreGone)
{
    for (const int count : {kSmall, kLarge}) {
        const bool live = count == kLarge;
        for (const ChangeScenario &scenario : changeScenarios(count)) {
            SCOPED_TRACE(scenario.name + (live ? " read live" : " copied"));
            TempDir dir;
            const std::string path = writeOldTable(dir, "stations.dbf", count);
            auto table = dbf::Table::open(path);
            ASSERT_TRUE(table);
            EXPECT_EQ(table->holdsSnapshot(), !live);
            dbf::OpenOptions copied;
            copied.snapshotLimit = 1 << 30;
            EXPECT_TRUE(dbf::Table::open(path, copied)->holdsSnapshot());
            EXPECT_EQ(changeOf(*table), "");
            scenario.make(dir, path);

            for (const int record : {1, 2, scenario.held, scenario.held + 1, count}) {
                if (record > count)
                    continue;
                const std::string shown = scenario.shown(record, live);
                const bool gone = live && !scenario.replaced && record > scenario.held;
                const auto check = table->checkRecord(uint64_t(record - 1));
                ASSERT_EQ(check.has_value(), gone) << "record " << record;
                // The last record read live lies on a page beyond the new end: touched through the
                // mapping it reads as zeros instead of ending the program.
                if (!gone || record == count) {
                    EXPECT_EQ(table->text(uint64_t(record - 1), 0).text, shown);
                }
                std::string bytes;
                EXPECT_EQ(table->readRecord(uint64_t(record - 1), bytes), !gone);
                if (gone) { // a record cut in two is gone too
                    EXPECT_NE(check->description.find("Datensatz " + std::to_string(record)),
                              std::string::npos)
                            << check->description;
                    EXPECT_EQ(bytes, std::string(kStationRecord, ' '));
                }
                EXPECT_EQ(table->text(bytes, 0).text, shown);
            }
            EXPECT_EQ(table->recordCount(), uint64_t(count));
            EXPECT_EQ(table->keepsOpenedBytes(), !live || scenario.replaced);
            // Whole-table work read live leaves out what is gone.
            EXPECT_EQ(visited(*table),
                      uint64_t(live && !scenario.replaced ? scenario.held : count));
            EXPECT_NE(changeOf(*table).find("wurde von einem anderen Programm " + scenario.says),
                      std::string::npos)
                    << changeOf(*table);
            const auto again = dbf::Table::open(path);
            EXPECT_EQ(again ? int(again->recordCount()) : -1, scenario.reopened);
        }
    }
}

TEST(ChangedFile, ReadLiveAScanStopsAtTheFirstChunkReadAfterAChange)
{
    TempDir dir;
    const std::string path = writeOldTable(dir, "stations.dbf", kLarge);
    auto table = dbf::Table::open(path);
    ASSERT_TRUE(table);
    const dbf::FileState before = table->bytesState();
    uint64_t count = 0;
    bool allOld = true;
    table->scan([&](uint64_t record, std::string_view bytes) {
        if (count++ == 0)
            changeScenarios(kLarge)[0].make(dir, path);
        allOld = allOld && table->text(bytes, 0).text == callOf(int(record) + 1);
    });
    EXPECT_TRUE(allOld);
    EXPECT_LT(count, uint64_t(kLarge));
    EXPECT_NE(table->bytesState(), before);
}

// A small table is copied when opened; a save in one write() while it is copied (which sets the
// modification time once, as it begins) gives a copy of either state or an error, never a mix.
TEST(ChangedFile, ASmallTableOpenedDuringASaveIsCopiedInOneState)
{
    TempDir dir;
    const std::string states[] {changeTable(500), changeTable(500, "X")};
    const std::string path = dir.write("stations.dbf", states[0]);
    for (int moment = 0; moment < 1000; ++moment) {
        std::optional<dbf::Result<dbf::Table>> table;
        {
            // Opened from as the save starts to 100 µs after, in steps of 0.1 µs.
            const SaveInOneWrite save(path, states[(moment + 1) % 2]);
            const auto until =
                    std::chrono::steady_clock::now() + std::chrono::nanoseconds(moment * 100);
            while (std::chrono::steady_clock::now() < until) { }
            table = dbf::Table::open(path);
        }
        if (!*table) {
            EXPECT_NE(table->error().description.find("ein anderes Programm schreibt sie gerade"),
                      std::string::npos)
                    << table->error().description;
            continue;
        }
        ASSERT_TRUE((*table)->holdsSnapshot());
        std::set<char> letters;
        (*table)->scan([&](uint64_t, std::string_view bytes) { letters.insert(bytes[1]); });
        EXPECT_EQ(letters.size(), 1u) << "at moment " << moment;
    }
}

} // namespace
