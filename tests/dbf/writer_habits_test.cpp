// Tables as particular writers leave them, rebuilt byte by byte from the files that showed the
// habit, and read as they should be.
#include "dbf/table.h"
#include "dbf_builder.h"

#include <gtest/gtest.h>

using dbfbuild::DbfBuilder;

namespace {

// mazovia.dbf of the Ruby dbf project: a Visual FoxPro table with the Mazovia driver 0x69 whose
// two records have the flag byte 0x00. Both are shown, the second in Mazovia's upper half, where
// it keeps CP437's box drawing.
TEST(WriterHabits, VisualFoxProTableWithTheMazoviaDriverAndNulFlags)
{
    std::string bytes =
            DbfBuilder(0x30, {{"A1", 'C', 10}, {"A2", 'C', 7}}, dbfbuild::Layout::FoxPro)
                    .languageDriver(0x69)
                    .record({"2020-01-04", "English"})
                    .record({"2020-01-04", "\x98\xD7\x88\x89\xE7\xF5\x9E"})
                    .bytes();
    const size_t firstRecord = 32 + 2 * 32 + 1 + 263, recordLength = 18;
    bytes[firstRecord] = bytes[firstRecord + recordLength] = '\0';
    auto table = dbf::Table::fromBytes("mazovia.dbf", bytes);
    ASSERT_TRUE(table) << table.error().description;
    EXPECT_EQ(table->encoding().name, "CP620");
    ASSERT_EQ(table->recordCount(), 2u);
    EXPECT_FALSE(table->isDeleted(0) || table->isDeleted(1));
    EXPECT_EQ(table->text(0, 1).text, "English");
    EXPECT_EQ(table->text(1, 1).text, "Ś╫êëτ⌡ś"); // the expectation of that project's tests
}

} // namespace
