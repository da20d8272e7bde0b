// Benchmarks of the viewer window on the generated table of 5,000,000 stations, offscreen: from
// the start procedure to the first record shown, and a reload in CALL order.
#include "database/program_state.h"
#include "operations/reload_command.h"
#include "platform/platform.h"
#include "startup/startmodul.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>

namespace {

std::string tablePath()
{
    const char *folder = std::getenv("TALVO_BENCH_DIR");
    const std::string path =
            std::string(folder ? folder : "/tmp/talvo-bench") + "/stations_5000000.dbf";
    if (!std::filesystem::exists(path)) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        const std::string command = std::string(TALVO_GENERATOR) + " --count 5000000 " + path;
        if (std::system(command.c_str()) != 0)
            std::abort();
    }
    return path;
}

void StartToFirstRecord(benchmark::State &state)
{
    const QString path = QString::fromStdString(tablePath());
    for (auto _ : state) {
        platform::writeSetting(database::kApplicationTitle, "Settings", "Datenbank", path);
        auto viewer = startup::Main();
        benchmark::DoNotOptimize(viewer->shownFieldText(0));
        state.PauseTiming();
        viewer->close();
        viewer.reset();
        startup::releaseSingleCopy();
        state.ResumeTiming();
    }
}

void ReloadInCallOrder(benchmark::State &state)
{
    platform::writeSetting(database::kApplicationTitle, "Settings", "Datenbank",
                           QString::fromStdString(tablePath()));
    auto viewer = startup::Main();
    for (auto _ : state) {
        operations::mnuSortCall_Click(*viewer);
        benchmark::DoNotOptimize(viewer->shownFieldText(0));
    }
    viewer->close();
    startup::releaseSingleCopy();
}

BENCHMARK(StartToFirstRecord)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(ReloadInCallOrder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    // Offscreen, with settings and runtime folders of its own.
    QTemporaryDir home;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8() + "/config");
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
