// Single tables of the shared corpus whose reading once went wrong, read as they should be.
#include "dbf/table.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = TALVO_CORPUS_DIR;

// The corpus table at `path`, or a skip when the corpus is absent.
#define OPEN_CORPUS_TABLE(table, path) \
    if (!fs::exists(kCorpus / (path))) \
        GTEST_SKIP() << "no shared corpus at " << kCorpus << ": this comparison is skipped"; \
    auto table = dbf::Table::open((kCorpus / (path)).string()); \
    ASSERT_TRUE(table) << table.error().description

TEST(CorpusTables, DBase3PictureMemoIsReadWholeAsBinary)
{
    OPEN_CORPUS_TABLE(table, "luads__php-xbase/tests/Resources/dBase/dBaseIII.dbf");
    const int image = table->fieldIndex("IMAGE");
    ASSERT_GE(image, 0);
    // A JPEG that ends FF D9 1A 1A, with single 0x1A bytes inside.
    EXPECT_EQ(table->text(0, static_cast<size_t>(image)).text, "(Binärdaten, 27297 Bytes)");
    EXPECT_FALSE(table->text(0, static_cast<size_t>(image)).raw);
}

TEST(CorpusTables, BlankDBase7NumbersAreEmpty)
{
    OPEN_CORPUS_TABLE(table, "albfernandez__javadbf/src/test/resources/bug-102/bug102.dbf");
    for (uint64_t record = 0; record < table->recordCount(); ++record) {
        for (size_t field = 0; field < table->fieldCount(); ++field) {
            const std::string text = table->text(record, field).text;
            EXPECT_TRUE(text != "NaN" && text != "-2147483648")
                    << "record " << record << " field " << table->fieldName(field);
        }
    }
}

TEST(CorpusTables, MazoviaReadsAsItsProjectExpects)
{
    OPEN_CORPUS_TABLE(table, "infused__dbf/spec/fixtures/mazovia.dbf");
    EXPECT_EQ(table->encoding().name, "CP620");
    ASSERT_EQ(table->recordCount(), 2u);
    EXPECT_EQ(table->text(1, 1).text, "Ś╫êëτ⌡ś"); // the expectation of that project's tests
}

} // namespace
