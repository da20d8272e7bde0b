// `talvo-dbf check` on every table of the shared corpus, compared with the listing kept in
// check_golden.txt: one line per table with its label (corpusLabel), the exit code and the kinds
// of its findings in the order reported.
//
// The listing changes whenever the reader learns to find something new. To write it anew:
//   TALVO_CHECK_GOLDEN_WRITE=1 build/tests/talvo_cli_tests --gtest_filter='CheckGolden.*'
// then read the difference (git diff tests/cli/check_golden.txt) before committing it.
#include "cli.h"
#include "support/corpus_tables.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = TALVO_CORPUS_DIR;
const fs::path kListing = TALVO_CHECK_GOLDEN;

// The line of one table: "LABEL<TAB>EXIT<TAB>KIND KIND …".
std::string checkLine(const std::string &table)
{
    std::ostringstream out, err;
    const int exit = cli::run({"check", (kCorpus / table).string(), "--format", "json"}, out, err);
    std::string kinds;
    const nlohmann::json report = nlohmann::json::parse(out.str());
    // An unreadable table has an error and no findings.
    for (const auto &finding : report["tables"][0].value("findings", nlohmann::json::array())) {
        if (!kinds.empty())
            kinds += ' ';
        kinds += finding["kind"].get<std::string>();
    }
    return corpusLabel(table) + '\t' + std::to_string(exit) + '\t' + kinds;
}

// The listing's lines by table; lines starting with '#' are comments.
std::map<std::string, std::string> readListing()
{
    std::map<std::string, std::string> lines;
    std::ifstream file(kListing);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line[0] != '#')
            lines[line.substr(0, line.find('\t'))] = line;
    }
    return lines;
}

TEST(CheckGolden, EveryCorpusTableAsListed)
{
    if (!fs::exists(kCorpus))
        GTEST_SKIP() << "no shared corpus at " << kCorpus << ": the check listing is not compared";
    const std::vector<std::string> tables = corpusTables(kCorpus);
    ASSERT_FALSE(tables.empty());

    if (std::getenv("TALVO_CHECK_GOLDEN_WRITE")) {
        std::ofstream file(kListing);
        file << "# talvo-dbf check on the shared corpus: table, exit code, kinds of the findings.\n"
             << "# Written by check_golden_test.cpp (see there how to write it anew).\n";
        for (const std::string &table : tables)
            file << checkLine(table) << '\n';
        GTEST_SKIP() << "listing written to " << kListing;
    }

    std::map<std::string, std::string> listed = readListing();
    ASSERT_FALSE(listed.empty()) << "no listing at " << kListing;
    for (const std::string &table : tables) {
        const auto it = listed.find(corpusLabel(table));
        if (it == listed.end()) {
            ADD_FAILURE() << "not in the listing: " << checkLine(table);
            continue;
        }
        EXPECT_EQ(checkLine(table), it->second);
        listed.erase(it);
    }
    for (const auto &[table, line] : listed)
        ADD_FAILURE() << "listed, but not in the corpus: " << line;
}

} // namespace
