// Single tables of the shared corpus whose reading once went wrong, read as they should be.
#include "dbf/table.h"
#include "support/corpus_tables.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = TALVO_CORPUS_DIR;

// The corpus table labelled `label` (corpusLabel), or a skip when the corpus is absent.
#define OPEN_CORPUS_TABLE(table, label) \
    if (!fs::exists(kCorpus)) \
        GTEST_SKIP() << "no shared corpus at " << kCorpus << ": this comparison is skipped"; \
    const std::string table##Path = corpusTableLabelled(kCorpus, label); \
    ASSERT_FALSE(table##Path.empty()) << label; \
    auto table = dbf::Table::open((kCorpus / table##Path).string()); \
    ASSERT_TRUE(table) << table.error().description

TEST(CorpusTables, DBase3PictureMemoIsReadWholeAsBinary)
{
    OPEN_CORPUS_TABLE(table, "luads__php-xbase … dBaseIII.dbf");
    const int image = table->fieldIndex("IMAGE");
    ASSERT_GE(image, 0);
    // A JPEG that ends FF D9 1A 1A, with single 0x1A bytes inside.
    EXPECT_EQ(table->text(0, static_cast<size_t>(image)).text, "(Binärdaten, 27297 Bytes)");
    EXPECT_FALSE(table->text(0, static_cast<size_t>(image)).raw);
}

TEST(CorpusTables, BlankDBase7NumbersAreEmpty)
{
    OPEN_CORPUS_TABLE(table, "albfernandez__javadbf … bug102.dbf");
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
    OPEN_CORPUS_TABLE(table, "infused__dbf … mazovia.dbf");
    EXPECT_EQ(table->encoding().name, "CP620");
    ASSERT_EQ(table->recordCount(), 2u);
    EXPECT_EQ(table->text(1, 1).text, "Ś╫êëτ⌡ś"); // the expectation of that project's tests
}

} // namespace
