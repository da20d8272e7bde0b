// Tables with one fault each open with a numbered German error naming the file, or show what is
// readable, through the reader and through the record set's filter, sort and find. Faults of the
// header's numbers, in the station tables and in the shared corpus, are read right or reported.
#include "damaged_tables.h"
#include "recordset/record_set.h"
#include "support/corpus_tables.h"
#include "support/table_reading.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>

namespace {

// Whether `damaged` reports something that `undamaged` does not.
bool reportsMore(const dbf::Table &damaged, const dbf::Table &undamaged)
{
    std::set<std::string> before;
    for (const dbf::Finding &finding : undamaged.findings())
        before.insert(finding.text);
    return std::any_of(damaged.findings().begin(), damaged.findings().end(),
                       [&](const dbf::Finding &f) { return !before.count(f.text); });
}

// A damaged table opens with an error, or reads as the undamaged one, or says what is wrong:
// never shows other values silently.
void expectReadRightOrReported(const std::string &name, const std::string &damagedBytes,
                               const std::string &undamagedBytes, uint64_t most = UINT64_MAX)
{
    const dbf::Table undamaged = opened(dbf::Table::fromBytes(name, undamagedBytes));
    auto damaged = dbf::Table::fromBytes(name, damagedBytes);
    if (!damaged) {
        const int code = damaged.error().number;
        EXPECT_TRUE(code > 7000 && code < 7100) << code;
        return;
    }
    if (reading(*damaged, most) != reading(undamaged, most)) {
        EXPECT_TRUE(reportsMore(*damaged, undamaged))
                << "other values without a finding; findings:\n"
                << allFindings(*damaged);
    }
}

class DamagedTables : public ::testing::TestWithParam<damage::DamagedTable>
{
protected:
    void SetUp() override
    {
        const damage::DamagedTable &damaged = GetParam();
        path = dir.write(damaged.name + ".dbf", damaged.table);
        if (damaged.memo)
            dir.write(damaged.name + damaged.memoExtension, *damaged.memo);
        options.encoding = damaged.encoding;
    }

    TempDir dir;
    std::string path;
    dbf::OpenOptions options;
};

TEST_P(DamagedTables, OpenWithAClearErrorOrShowWhatIsReadable)
{
    SCOPED_TRACE(GetParam().fault);
    auto table = dbf::Table::open(path, options);
    if (!table) {
        const int code = static_cast<int>(table.error().number);
        EXPECT_TRUE(code > 7000 && code < 7100) << code;
        EXPECT_NE(table.error().description.find(path), std::string::npos)
                << table.error().description;
        return;
    }
    EXPECT_LE(table->recordCount(), GetParam().table.size());
    for (uint64_t record = 0; record < table->recordCount(); ++record) {
        for (size_t field = 0; field < table->fieldCount(); ++field)
            (void)table->text(record, field);
    }
}

TEST_P(DamagedTables, RecordSetFiltersSortsAndFindsOrSaysWhy)
{
    auto set = recordset::RecordSet::Open(
            "database=" + path, "select * from " + GetParam().name + " Order by CALL", options);
    if (!set) {
        EXPECT_FALSE(set.error().description.empty());
        return;
    }
    for (const char *filter : {"[CALL] LIKE 'D*'", "[UP_DATE] > #01-01-2003#", "[NOF_SSB] >= 1"}) {
        if (const auto filtered = (*set)->SetFilter(filter); !filtered.ok()) {
            const std::string &why = filtered.error().description;
            EXPECT_NE(why.find("Feld"), std::string::npos) << why;
        }
    }
    (void)(*set)->SetFilter("");
    for (const char *sort : {"NOTIZ", "UP_DATE DESC", "NOF_SSB, QSL"})
        (void)(*set)->SetSort(sort);
    (void)(*set)->MoveFirst();
    (void)(*set)->Find("[NOTIZ] LIKE '*a*'");
    (void)(*set)->ForEach([&](std::string_view record) {
        for (size_t field = 0; field < *(*set)->FieldCount(); ++field)
            (void)(*set)->FieldText(record, field);
        return true;
    });
}

TEST_P(DamagedTables, HeaderFaultsAreReadRightOrReported)
{
    const damage::DamagedTable &damaged = GetParam();
    if (!damaged.undamaged)
        return;
    SCOPED_TRACE(damaged.fault);
    expectReadRightOrReported(damaged.name + ".dbf", damaged.table, *damaged.undamaged);
}

INSTANTIATE_TEST_SUITE_P(OneFaultEach, DamagedTables, ::testing::ValuesIn(damage::damagedTables()),
                         [](const auto &damaged) {
                             std::string name = damaged.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// Every table of the shared corpus with each header fault: read right or reported, never a crash.
// Tables of many records are compared on their first records (the reader samples the others).
TEST(CorpusHeaderFaults, AreReadRightOrReported)
{
    namespace fs = std::filesystem;
    const fs::path corpus = TALVO_CORPUS_DIR;
    if (!fs::is_directory(corpus))
        GTEST_SKIP() << "no shared corpus at " << corpus << ": skipped";
    size_t tried = 0;
    for (const std::string &relative : corpusTables(corpus)) {
        const fs::path path = corpus / relative;
        std::ifstream in(path, std::ios::binary);
        const std::string bytes {std::istreambuf_iterator<char>(in), {}};
        if (!dbf::Table::fromBytes("x.dbf", bytes))
            continue; // refused as it stands (compressed): nothing to compare with
        for (const damage::HeaderFault &fault : damage::headerFaults()) {
            std::string damaged = bytes;
            if (!fault.apply(damaged))
                continue;
            SCOPED_TRACE(path.string() + ": " + fault.fault);
            expectReadRightOrReported(path.filename().string(), damaged, bytes, 500);
            ++tried;
        }
    }
    EXPECT_GT(tried, 0u);
}

} // namespace
