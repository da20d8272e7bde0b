// The start procedure on each of its paths, a read-only session, the start screen, the open
// dialog function and the info screen.
#include "database/program_state.h"
#include "operations/frm_eingabe.h"
#include "operations/frm_suchweiter.h"
#include "operations/program_commands.h"
#include "platform/message_dialog.h"
#include "startup/startmodul.h"
#include "startup/vorbild.h"
#include "support/fake_platform.h"
#include "support/qstring_printer.h"
#include "support/station_table.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/file.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

long startScreens()
{
    return std::ranges::count_if(QApplication::topLevelWidgets(), [](QWidget *widget) {
        return qobject_cast<startup::Vorbild *>(widget) != nullptr;
    });
}

class StartUp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        database::program() = {};
        operations::FrmEingabe::unload();
        operations::FrmSuchweiter::unload();
        previousFolder = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.file("")));
    }

    void TearDown() override
    {
        window.reset();
        startup::releaseSingleCopy();
        QDir::setCurrent(previousFolder);
    }

    // Starts with `stored` as the path kept from the session before and `file` on the command
    // line.
    void start(const QString &stored = {}, const QString &file = {})
    {
        platform::writeSetting("Talvo-dBase-Viewer", "Settings", "Datenbank", stored);
        window = startup::Main(file);
        ASSERT_TRUE(window);
    }

    FakePlatform fake;
    TempDir dir;
    QString previousFolder;
    std::unique_ptr<viewer::Viewer> window;
};

TEST_F(StartUp, StoredPathOpensTheTableInFileOrder)
{
    const QString path = QString::fromStdString(dir.write("Funk.dbf", tenStations()));
    start(path);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(database::program().databasePath, path);
    EXPECT_EQ(database::program().lineBreak, "\r\n");
    EXPECT_TRUE(database::program().viewerVisible);
    EXPECT_EQ(window->datPrimaryRS().RecordSource(), "select * from Funk");
    EXPECT_EQ(window->shownFieldText(0), "DL1ABC");
    EXPECT_EQ(window->datPrimaryRS().Caption(), " DS: 1");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(startScreens(), 0);
    EXPECT_EQ(platform::mousePointer(), platform::kArrow);

    const QListWidget *list = operations::FrmEingabe::instance().List1;
    ASSERT_EQ(list->count(), 13);
    EXPECT_EQ(list->item(0)->text(), "0 CALL :");
    EXPECT_EQ(list->item(12)->text(), "12 UPDATE :");
}

TEST_F(StartUp, AFileGivenOnTheCommandLineIsOpenedInsteadOfTheStoredOne)
{
    const QString stored = QString::fromStdString(dir.write("Funk.dbf", tenStations()));
    dir.write("Andere.dbf", stationTable({station("OE1XA", "Eva")}));
    start(stored, "Andere.dbf"); // relative to the current folder
    EXPECT_EQ(database::program().databasePath, QString::fromStdString(dir.file("Andere.dbf")));
    EXPECT_EQ(window->shownFieldText(0), "OE1XA");
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(StartUp, StoredPathOfAVanishedFileSaysSoAndKeepsThePath)
{
    start("/weg/Funk.dbf");
    ASSERT_EQ(fake.boxes(), std::vector {boxes::noDatabase});
    EXPECT_EQ(fake.messages[0].pointer, platform::kArrow);
    EXPECT_EQ(database::program().databasePath, "/weg/Funk.dbf");
    EXPECT_EQ(window->shownFieldText(0), "");
    EXPECT_EQ(operations::FrmEingabe::instance().List1->count(), 0);
}

TEST_F(StartUp, WithoutAStoredPathTheFirstDbfOfTheFolderIsTaken)
{
    dir.write("b_liste.DBF", tenStations());
    dir.write("c_liste.dbf", stationTable({station("OE1AA")}));
    QDir(QString::fromStdString(dir.file(""))).mkdir("a_ordner.dbf"); // no regular file
    start();
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(database::program().databasePath, "b_liste.DBF"); // bare, as found
    EXPECT_TRUE(window->datPrimaryRS().ConnectionString().endsWith(";database=b_liste.DBF"));
    EXPECT_EQ(window->datPrimaryRS().RecordSource(), "select * from b_liste");
    EXPECT_EQ(window->shownFieldText(0), "DL1ABC");
}

// Windows and dialogs carry the program's icon.
TEST_F(StartUp, NothingFoundShowsTheEmptyWindow)
{
    start();
    EXPECT_EQ(fake.boxes(), std::vector {boxes::noDatabase});
    EXPECT_EQ(database::program().databasePath, "");
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->datPrimaryRS().Recordset());
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_FALSE(operations::FrmEingabe::instance().windowIcon().isNull());
    EXPECT_EQ(window->windowIcon().availableSizes().size(), 6);
}

TEST_F(StartUp, AnUnreadableTableIsReportedAndTheWindowShown)
{
    dir.write("kaputt.dbf", "Dies ist keine Tabelle.");
    start();
    ASSERT_EQ(fake.messages.size(), 1u); // by the data control, as no command reports it
    EXPECT_TRUE(fake.messages[0].text.contains("kaputt.dbf"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(database::program().lastRecordSourceError, 0);
}

TEST_F(StartUp, ASecondCopyEndsAfterItsMessage)
{
    start();
    fake.messages.clear();
    EXPECT_FALSE(startup::Main());
    EXPECT_EQ(fake.boxes(), std::vector {boxes::secondCopy});
    EXPECT_TRUE(window->isVisible()); // the first copy is not touched
}

// The bytes and modification time of each file in `folder`, by name.
using FolderState = std::map<std::string, std::pair<std::string, fs::file_time_type>>;

FolderState folderState(const fs::path &folder)
{
    FolderState state;
    for (const auto &entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        state[entry.path().filename().string()] = {bytes, fs::last_write_time(entry.path())};
    }
    return state;
}

// A whole session on a table in a folder that nobody may write to: afterwards every file there
// has the bytes and modification time it had before, and no file was added.
TEST_F(StartUp, AReadOnlySessionLeavesEveryFileAsItWas)
{
    const fs::path folder = dir.file("");
    const std::string table = dir.write("Funk.dbf", tenStations());
    const std::string other = dir.write("Andere.dbf", tenStations());
    dir.write("Notizen.txt", "73 de DL1ABC");
    for (const auto &entry : fs::directory_iterator(folder))
        fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const auto before = folderState(folder);

    start(QString::fromStdString(table));
    EXPECT_EQ(window->shownFieldText(0), "DL1ABC");
    // Not locked against other programs while open.
    const int fd = ::open(table.c_str(), O_RDONLY);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    auto set = [&] { return window->datPrimaryRS().Recordset(); };
    (void)set()->MoveNext();
    (void)set()->MoveLast();
    (void)set()->MovePrevious();

    // Filter, sort, search (its step dialog cancelled), restore and reload.
    fake.modalAnswers = {choose(0, "LIKE D*"), choose(7), choose(7, "A*")};
    using operations::Item;
    for (Item item : {Item::mnuFiltern, Item::mnuSortieren, Item::mnuSearch,
                      Item::mnuWiederherstellen, Item::mnuSortCall})
        window->menuItem(item)->trigger();
    EXPECT_EQ(window->shownFieldText(0), "9A1AA");

    fake.openAnswers = {QString::fromStdString(other)};
    window->menuItem(operations::Item::mnuOpen)->trigger();
    EXPECT_EQ(database::program().databasePath, QString::fromStdString(other));
    window->close();
    window.reset();

    EXPECT_TRUE(folderState(folder) == before);
    fs::permissions(folder, fs::perms::owner_all);
}

TEST(StartScreen, ShowsProductPlatformAndVersionInAFixedDialog)
{
    startup::Vorbild screen;
    EXPECT_EQ(screen.minimumSize(), screen.maximumSize());
    EXPECT_FALSE(screen.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(screen.lblVersion->text(), "Version 1.0.2");
    EXPECT_EQ(screen.lblProductName->text(), "dBase - Viewer");
    EXPECT_EQ(screen.lblPlatform->text(), "für Linux");
    EXPECT_EQ(screen.windowTitle(), QString(46, ' ') + "moment please ! loading");
}

TEST(OpenDialog, TurnsTheBarFilterIntoQtsFormAndKeepsThePresets)
{
    FakePlatform fake;
    fake.openAnswers.push_back("/daten/Funk.dbf");
    EXPECT_EQ(startup::ShowOpenDialog("Talvo-Datenbank öffnen", "Funk.dbf",
                                      "Datenbank (*.DBF)|*.DBF|Alle (*.*)|*.*", "/daten", 0, 0),
              "/daten/Funk.dbf");
    ASSERT_EQ(fake.openRequests.size(), 1u);
    const platform::OpenDialogRequest &request = fake.openRequests[0];
    EXPECT_EQ(request.nameFilters, QStringList({"Datenbank (*.DBF)", "Alle (*.*)"}));
    EXPECT_EQ(request.filterIndex, 0);
    EXPECT_EQ(request.folder, "/daten/");
    EXPECT_EQ(request.fileName, "Funk.dbf");
    EXPECT_TRUE(request.fileMustExist);

    EXPECT_EQ(startup::ShowOpenDialog("", "", "", "/daten/", 0, 0), ""); // cancelled
    EXPECT_EQ(fake.openRequests[1].folder, "/daten/");
    EXPECT_EQ(fake.openRequests[1].nameFilters, QStringList({"Alle (*.*)"}));
}

// Message boxes are fixed-size dialogs; one without an icon starts its text at the margin. The
// window manager shows the title whole only where the box is at least as wide as it.
TEST(MessageBox, IsAFixedDialogWithAnIconOnlyWhereItsStyleHasOne)
{
    const QString title = boxes::secondCopy.title;
    for (const int style : {platform::kNoIcon, platform::kExclamation, platform::kInformation}) {
        platform::MessageDialog box(nullptr, "Zeile 1\nZeile 2", style, title);
        EXPECT_EQ(box.icon != nullptr, style != platform::kNoIcon);
        EXPECT_EQ(box.windowTitle(), title);
        QFont bold = box.font();
        bold.setBold(true);
        EXPECT_GE(box.width(), QFontMetrics(bold).horizontalAdvance(title) + 100); // and buttons
        EXPECT_EQ(box.text->text(), "Zeile 1\nZeile 2");
        EXPECT_EQ(box.ok->text(), "OK");
        EXPECT_EQ(box.minimumSize(), box.maximumSize());
        EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);
        if (!box.icon) {
            box.show();
            EXPECT_LE(box.text->geometry().left(), 24);
        }
    }
}

TEST(InfoScreen, ShowsTheStartScreenForMoreThanSixSeconds)
{
    FakePlatform fake;
    fake.clockStep = 0.25;
    database::program().databasePath = QStringLiteral("/daten/Funk.dbf");
    viewer::Viewer window;
    window.show();
    window.setWindowCaption("dBase-Viewer: Funk"); // as the open command leaves it
    operations::mnuInfo_Click(window, startup::startModule().loadStartScreen);
    EXPECT_EQ(window.windowTitle(), "  dBase-Viewer: Funk") << "the viewer is active again";
    EXPECT_GT(fake.clock, 6.0);
    EXPECT_LT(fake.clock, 6.6);
    EXPECT_EQ(startScreens(), 0) << "the start screen is unloaded";
    EXPECT_EQ(platform::mousePointer(), platform::kArrow);
}

TEST(DirectorySearch, MatchesAnyCaseInNameOrder)
{
    TempDir dir;
    const QString folder = QString::fromStdString(dir.file(""));
    EXPECT_EQ(startup::firstDbfFile(folder), "");
    dir.write("zulu.dbf", "");
    dir.write("Alpha.DbF", "");
    dir.write("notiz.txt", "");
    EXPECT_EQ(startup::firstDbfFile(folder), "Alpha.DbF");
}

} // namespace
