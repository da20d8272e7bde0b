// A whole session on a table in a folder that nobody may write to: afterwards every file there
// has the bytes and modification time it had before, and no file was added.
#include "database/program_state.h"
#include "operations/frm_eingabe.h"
#include "operations/frm_suchweiter.h"
#include "startup/startmodul.h"
#include "support/fake_platform.h"
#include "support/station_table.h"
#include "support/temp_dir.h"

#include <QDir>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/file.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct FileState
{
    std::string bytes;
    fs::file_time_type modified;
    bool operator==(const FileState &) const = default;
};

std::map<std::string, FileState> folderState(const fs::path &folder)
{
    std::map<std::string, FileState> state;
    for (const auto &entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        state[entry.path().filename().string()] = {bytes, fs::last_write_time(entry.path())};
    }
    return state;
}

TEST(ReadOnlySession, LeavesEveryFileAsItWas)
{
    database::program() = {};
    operations::FrmEingabe::unload();
    operations::FrmSuchweiter::unload();
    TempDir dir;
    const fs::path folder = dir.file("");
    const std::string table = dir.write("Funk.dbf", tenStations());
    const std::string other = dir.write("Andere.dbf", tenStations());
    dir.write("Notizen.txt", "73 de DL1ABC");
    for (const auto &entry : fs::directory_iterator(folder))
        fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const auto before = folderState(folder);

    FakePlatform fake;
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.string()));
    platform::writeSetting("Talvo-dBase-Viewer", "Settings", "Datenbank",
                           QString::fromStdString(table));
    {
        std::unique_ptr<viewer::Viewer> window = startup::Main();
        ASSERT_TRUE(window);
        EXPECT_EQ(window->shownFieldText(0), "DL1ABC");
        // Not locked against other programs while open.
        const int fd = ::open(table.c_str(), O_RDONLY);
        EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
        ::close(fd);
        auto set = [&] { return window->datPrimaryRS().Recordset(); };
        (void)set()->MoveNext();
        (void)set()->MoveLast();
        (void)set()->MovePrevious();

        fake.modalAnswers = {choose(0, "LIKE D*")};
        window->menuItem(operations::Item::mnuFiltern)->trigger();
        fake.modalAnswers = {choose(7)};
        window->menuItem(operations::Item::mnuSortieren)->trigger();
        fake.modalAnswers = {choose(7, "A*")};
        window->menuItem(operations::Item::mnuSearch)->trigger();
        window->menuItem(operations::Item::mnuWiederherstellen)->trigger();
        window->menuItem(operations::Item::mnuSortCall)->trigger();
        EXPECT_EQ(window->shownFieldText(0), "9A1AA");

        fake.openAnswers = {QString::fromStdString(other)};
        window->menuItem(operations::Item::mnuOpen)->trigger();
        EXPECT_EQ(database::program().databasePath, QString::fromStdString(other));
        window->close();
    }
    startup::releaseSingleCopy();
    QDir::setCurrent(previousFolder);

    EXPECT_TRUE(folderState(folder) == before);
    fs::permissions(folder, fs::perms::owner_all);
}

} // namespace
