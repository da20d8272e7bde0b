// Opening another file and reloading, through the viewer window's menu items.
#include "support/expect_ok.h"
#include "support/qstring_printer.h"
#include "support/station_window.h"

#include <QCoreApplication>
#include <QDir>

namespace {

using operations::Item;

// The open-file dialog function as the start module passes it: answers come from the fake.
QString fakeOpenDialog(const QString &title, const QString &fileName, const QString &,
                       const QString &folder, qint32, qint32)
{
    return platform::services().openFile(
            {.title = title, .folder = folder, .fileName = fileName, .nameFilters = {}});
}

// Erste.dbf shown, "Zweite Liste.dbf" beside it; the open dialog answered by the test.
class DatabaseCommands : public StationWindow
{
protected:
    void SetUp() override
    {
        database::program().viewerVisible = true;
        second = QString::fromStdString(
                dir.write("Zweite Liste.dbf", stationTable({station("OE1AA"), station("DA0XX")})));
        window.setStartModule({fakeOpenDialog, {}});
        first = open("Erste", tenStations());
    }

    QString first, second;
};

TEST_F(DatabaseCommands, OpenShowsTheChosenFileInCallOrder)
{
    fake.openAnswers.push_back(second);
    window.menuItem(Item::mnuOpen)->trigger();
    ASSERT_EQ(fake.openRequests.size(), 1u);
    EXPECT_EQ(fake.openRequests[0].title, "Talvo-Datenbank öffnen");
    EXPECT_EQ(fake.openRequests[0].fileName, "Erste.dbf");
    EXPECT_EQ(fake.openRequests[0].folder, QString::fromStdString(dir.file("")).chopped(1));
    EXPECT_EQ(database::program().databasePath, second);
    EXPECT_EQ(window.windowTitle(), "dBase-Viewer: Zweite Liste");
    EXPECT_EQ(window.datPrimaryRS().ConnectionString(), database::connectionText(second));
    EXPECT_EQ(window.datPrimaryRS().RecordSource(), database::columnQuery("Zweite Liste"));
    EXPECT_EQ(call(), "DA0XX");
    EXPECT_EQ(window.datPrimaryRS().Caption(), " DS: 1");
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(platform::mousePointer(), platform::kArrow);
}

TEST_F(DatabaseCommands, CancelOrANameWithoutDbfKeepsTheCurrentSet)
{
    fake.openAnswers = {"", QString::fromStdString(dir.write("notiz.txt", "Text"))};
    window.menuItem(Item::mnuOpen)->trigger();
    window.menuItem(Item::mnuOpen)->trigger();
    EXPECT_EQ(database::program().databasePath, first);
    // The record set stays open and usable.
    const auto set = window.datPrimaryRS().Recordset();
    ASSERT_TRUE(set && set->isOpen());
    ASSERT_OK(set->MoveNext());
    EXPECT_EQ(call(), "OE3XYZ");
    EXPECT_TRUE(fake.messages.empty());
}

// The open dialog's presets follow the path; without one, reload does nothing.
TEST_F(DatabaseCommands, PresetsFollowTheDatabasePathAndReloadNeedsOne)
{
    database::program().databasePath = QStringLiteral("STATIONEN.DBF");
    window.menuItem(Item::mnuOpen)->trigger();
    EXPECT_EQ(fake.openRequests.back().fileName, "STATIONEN.DBF");
    EXPECT_EQ(fake.openRequests.back().folder, QDir::currentPath());
    database::program().databasePath.clear();
    window.menuItem(Item::mnuOpen)->trigger();
    EXPECT_EQ(fake.openRequests.back().fileName, "");
    EXPECT_EQ(fake.openRequests.back().folder, "");
    platform::setMousePointer(platform::kDefaultPointer);
    window.menuItem(Item::mnuSortCall)->trigger();
    EXPECT_EQ(platform::mousePointer(), platform::kDefaultPointer);
    EXPECT_EQ(call(), "DL1ABC");
}

TEST_F(DatabaseCommands, OpenFallsBackToReloadWhenTheFirstCallIsEmpty)
{
    const QString blanks = QString::fromStdString(
            dir.write("leer.DBF.bak", stationTable({station(""), station("DL1AA")})));
    fake.openAnswers.push_back(blanks); // ".DBF" occurs in the name, so it passes
    window.menuItem(Item::mnuOpen)->trigger();
    EXPECT_EQ(window.datPrimaryRS().RecordSource(), database::orderedFullQuery("leer.DBF"));
}

TEST_F(DatabaseCommands, OpenOfAnotherKindOfTableReportsAndGoesOn)
{
    const QString other = QString::fromStdString(
            dir.write("kunden.dbf",
                      dbfbuild::DbfBuilder(0x03, {{"NAME", 'C', 10}}).record({"Meier"}).bytes()));
    fake.openAnswers.push_back(other);
    window.menuItem(Item::mnuOpen)->trigger();
    // The column query fails, the field stays empty, so the reload runs and fails as well; both
    // name the first column the table lacks, in the same words.
    const Box lacking {"Die Spalte »CALL« gibt es in der Tabelle »kunden« nicht.",
                       platform::kNoIcon, "Talvo-dBase-Viewer"};
    EXPECT_EQ(fake.boxes(), std::vector(2, lacking));
    for (const RecordedMessage &message : fake.messages)
        EXPECT_EQ(message.pointer, platform::kArrow);
    EXPECT_EQ(window.windowTitle(), "dBase-Viewer: kunden");
    EXPECT_EQ(platform::mousePointer(), platform::kArrow);
}

TEST_F(DatabaseCommands, ReloadDropsFilterAndSortAndOrdersByCall)
{
    ASSERT_OK(window.datPrimaryRS().Recordset()->SetFilter("[CALL] LIKE 'O*'"));
    EXPECT_EQ(call(), "OE3XYZ");
    window.menuItem(Item::mnuSortCall)->trigger();
    EXPECT_EQ(window.datPrimaryRS().RecordSource(), "select * from Erste Order by CALL");
    EXPECT_EQ(call(), "9A1AA");
    EXPECT_EQ(*window.datPrimaryRS().Recordset()->RecordCount(), 10);
    EXPECT_EQ(window.datPrimaryRS().Caption(), " DS: 1");
}

TEST_F(DatabaseCommands, ReloadOfAVanishedFileReportsOnce)
{
    QFile::remove(first);
    window.menuItem(Item::mnuSortCall)->trigger();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_TRUE(fake.messages[0].text.contains("Erste.dbf"));
    EXPECT_EQ(fake.messages[0].style, 0);
    EXPECT_EQ(database::program().databasePath, first);
    EXPECT_EQ(platform::mousePointer(), platform::kArrow);
}

// A table the reader finds damaged is reported once, after the window shows its first record;
// a harmless departure (no end marker) is not.
TEST_F(DatabaseCommands, DamageIsSaidOnceAfterTheFirstRecordShowsAndNotesStaySilent)
{
    std::string unmarked = tenStations();
    unmarked.pop_back(); // no 0x1A after the records
    std::string cut = tenStations();
    cut.resize(cut.size() - 200); // ends inside record 9
    open("Ohne", unmarked);
    const QString cutPath = open("Kurz", cut);
    QCoreApplication::processEvents();
    EXPECT_TRUE(fake.messages.empty()); // not before the window shows

    window.show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    ASSERT_EQ(fake.messages.size(), 1u);
    const RecordedMessage &message = fake.messages[0];
    EXPECT_EQ(message.style, platform::kExclamation);
    EXPECT_EQ(message.title, "Talvo-dBase-Viewer");
    const QStringList lines = message.text.split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines[0],
              "Die Tabelle »" + cutPath
                      + "« ist beschädigt; was angezeigt wird, kann falsch oder "
                        "unvollständig sein:");
    ASSERT_EQ(lines.size(), 2) << message.text.toStdString();
    EXPECT_TRUE(lines[1].startsWith("- Der Dateikopf nennt 10 Datensätze"))
            << lines[1].toStdString();
    EXPECT_EQ(window.shownFieldText(0), "DL1ABC"); // the first record is shown

    open("Ohne", unmarked);
    QCoreApplication::processEvents();
    EXPECT_EQ(fake.messages.size(), 1u);
}

} // namespace
