// Replays the fuzz seeds and every input that once made a fuzz target fail.
#include "targets.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Target
{
    const char *name;
    void (*run)(std::string_view);
};

class FuzzRegression : public testing::TestWithParam<Target>
{ };

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST_P(FuzzRegression, EverySavedInputRunsThrough)
{
    int replayed = 0;
    for (const char *folder : {TALVO_FUZZ_SEEDS, TALVO_FUZZ_REGRESSIONS}) {
        const fs::path dir = fs::path(folder) / GetParam().name;
        if (!fs::exists(dir))
            continue;
        for (const auto &entry : fs::directory_iterator(dir)) {
            if (entry.path().filename().string().starts_with("."))
                continue;
            SCOPED_TRACE(entry.path().string());
            GetParam().run(readFile(entry.path()));
            ++replayed;
        }
    }
    RecordProperty("replayed", replayed);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression,
                         testing::Values(Target {"table", fuzz::table},
                                         Target {"criterion", fuzz::criterion},
                                         Target {"query", fuzz::query},
                                         Target {"number", fuzz::number}),
                         [](const auto &target) { return std::string(target.param.name); });

} // namespace
