// A table saved whole in one write() while the record set opens and counts or sorts it: a
// state taken during the save looks the same as one taken after it, so every result must be
// of one whole state of the file or announce the change, never a silent mix.
#include "dbf_builder.h"
#include "recordset/record_set.h"
#include "support/change_scenarios.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

namespace {

using recordset::RecordSet;

constexpr uint64_t kRecords = 200000;
constexpr int kMoments = 60;

// State 'A' has every FLAG 'A' and the keys ascending in file order, state 'B' every FLAG 'B'
// and the keys descending.
std::string tableIn(char state)
{
    dbfbuild::DbfBuilder builder(0x03, {{"FLAG", 'C', 1}, {"KEY", 'C', 7}, {"PAD", 'C', 40}});
    for (uint64_t record = 0; record < kRecords; ++record) {
        char key[8];
        std::snprintf(
                key, sizeof key, "%07llu",
                static_cast<unsigned long long>(state == 'A' ? record : kRecords - 1 - record));
        builder.record({std::string(1, state), key, std::string(40, state)});
    }
    return builder.bytes();
}

TEST(SaveDuringPassTable, IsReadLive)
{
    EXPECT_GT(tableIn('A').size(), dbf::kSnapshotLimit);
}

// The record set counts the records of FLAG 'A' or sorts by KEY while the state not in the file
// now is saved over it; it opens from as the save starts to 6 ms after, in steps of 0.1 ms, so
// that it opens and reads before, during and after the save.
TEST(SaveDuringPass, ACountAndASortAreOfOneStateOrAnnounced)
{
    const std::string states[] {tableIn('A'), tableIn('B')};
    for (const bool sort : {false, true}) {
        TempDir dir;
        const std::string path = dir.write("stations.dbf", states[0]);
        for (int moment = 0; moment < kMoments; ++moment) {
            SCOPED_TRACE((sort ? "sort at moment " : "count at moment ") + std::to_string(moment));
            std::shared_ptr<RecordSet> set;
            recordset::Status done;
            {
                const SaveInOneWrite save(path, states[(moment + 1) % 2]);
                std::this_thread::sleep_for(std::chrono::microseconds(moment * 100));
                auto opened = RecordSet::Open("database=" + path, "select * from stations");
                ASSERT_TRUE(opened) << opened.error().description;
                set = *opened;
                done = sort ? set->SetSort("KEY") : set->SetFilter("FLAG = 'A'");
            }
            if (!done.ok() || set->FileChange())
                continue; // announced
            if (!sort) {
                const int64_t count = *set->RecordCount();
                EXPECT_TRUE(count == 0 || count == int64_t(kRecords)) << count;
                continue;
            }
            // In key order the records are in file order (state A) or reversed (state B); a mix
            // of both interleaves them.
            int ascending = 0, descending = 0;
            for (int64_t position = 1; position <= int64_t(kRecords); position += 997) {
                ASSERT_TRUE(set->SetAbsolutePosition(position).ok());
                const int64_t record = *set->Bookmark();
                ascending += record == position ? 1 : 0;
                descending += record == int64_t(kRecords) + 1 - position ? 1 : 0;
            }
            EXPECT_TRUE(ascending == 0 || descending == 0);
            EXPECT_EQ(ascending + descending, (int64_t(kRecords) + 996) / 997);
        }
    }
}

} // namespace
