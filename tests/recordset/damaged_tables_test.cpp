// Tables with one fault each open with a numbered German error naming the file, or show what is
// readable, through the reader and through the record set's filter, sort and find.
#include "damaged_tables.h"
#include "recordset/record_set.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

class DamagedTables : public ::testing::TestWithParam<damage::DamagedTable>
{
protected:
    void SetUp() override
    {
        const damage::DamagedTable &damaged = GetParam();
        path = dir.write(damaged.name + ".dbf", damaged.table);
        if (damaged.memo)
            dir.write(damaged.name + ".dbt", *damaged.memo);
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

INSTANTIATE_TEST_SUITE_P(OneFaultEach, DamagedTables, ::testing::ValuesIn(damage::damagedTables()),
                         [](const auto &damaged) {
                             std::string name = damaged.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
