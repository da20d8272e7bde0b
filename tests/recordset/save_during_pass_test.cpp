// A table saved whole in one write() while the record set opens and counts or sorts it: a
// state taken during the save looks the same as one taken after it, so every result must be
// of one whole state of the file or announce the change, never a silent mix.
#include "dbf_builder.h"
#include "recordset/record_set.h"
#include "support/change_scenarios.h"
#include "support/temp_dir.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

namespace {

using recordset::RecordSet;

constexpr uint64_t kRecords = 200000;
constexpr int kMoments = 30;

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

// The record set on the file; kept on failure, so that the test sees what it announced.
std::shared_ptr<RecordSet> opened(const std::string &path)
{
    auto set = RecordSet::Open("database=" + path, "select * from stations");
    EXPECT_TRUE(set) << set.error().description;
    return set ? *set : nullptr;
}

class SaveDuringPass : public ::testing::TestWithParam<int>
{
protected:
    static void SetUpTestSuite() { states = {tableIn('A'), tableIn('B')}; }
    // Starts the save of the state not in the file now and waits until `moment` has come: the
    // moments are 0.2 ms apart, those of the second parameter halfway between, so that the
    // record set opens and reads before, during and after the save.
    SaveInOneWrite saveOther(const std::string &path, int moment)
    {
        SaveInOneWrite save(path, states[static_cast<size_t>((moment + 1) % 2)]);
        std::this_thread::sleep_for(std::chrono::microseconds(moment * 200 + GetParam() * 100));
        return save;
    }
    static std::array<std::string, 2> states;
};
std::array<std::string, 2> SaveDuringPass::states;

TEST(SaveDuringPassTable, IsReadLive)
{
    EXPECT_GT(tableIn('A').size(), dbf::kSnapshotLimit);
}

// A pass run on the record set while the save goes on, and the check of its result.
struct Pass
{
    const char *name;
    recordset::Status (*run)(RecordSet &set);
    void (*check)(RecordSet &set);
};

const Pass kPasses[] {
        {"count", [](RecordSet &set) { return set.SetFilter("FLAG = 'A'"); },
         [](RecordSet &set) {
             const int64_t count = *set.RecordCount();
             EXPECT_TRUE(count == 0 || count == int64_t(kRecords)) << count;
         }},
        {"sort", [](RecordSet &set) { return set.SetSort("KEY"); },
         [](RecordSet &set) {
             // In key order the records are in file order (state A) or reversed (state B); a
             // mix of both interleaves them.
             int ascending = 0, descending = 0;
             for (int64_t position = 1; position <= int64_t(kRecords); position += 997) {
                 ASSERT_TRUE(set.SetAbsolutePosition(position).ok());
                 const int64_t record = *set.Bookmark();
                 ascending += record == position ? 1 : 0;
                 descending += record == int64_t(kRecords) + 1 - position ? 1 : 0;
             }
             EXPECT_TRUE(ascending == 0 || descending == 0);
             EXPECT_EQ(ascending + descending, (int64_t(kRecords) + 996) / 997);
         }},
};

TEST_P(SaveDuringPass, ACountAndASortAreOfOneStateOrAnnounced)
{
    for (const Pass &pass : kPasses) {
        TempDir dir;
        const std::string path = dir.write("stations.dbf", states[0]);
        for (int moment = 0; moment < kMoments; ++moment) {
            SCOPED_TRACE(std::string(pass.name) + " at moment " + std::to_string(moment));
            std::shared_ptr<RecordSet> set;
            recordset::Status done;
            {
                const SaveInOneWrite save = saveOther(path, moment);
                set = opened(path);
                ASSERT_TRUE(set);
                done = pass.run(*set);
            }
            if (done.ok() && !set->FileChange()) // else announced
                pass.check(*set);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Moments, SaveDuringPass, ::testing::Values(0, 1));

} // namespace
