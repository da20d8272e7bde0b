// The viewer window with its real data control: fields, counter, keys, caption, error reports,
// the menus built from the menu table, and shut-down.
#include "operations/frm_eingabe.h"
#include "support/expect_ok.h"
#include "support/qstring_printer.h"
#include "support/station_window.h"
#include "viewer/value_field.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using operations::Item;
using operations::Menu;

// The ten stations written to Stationen.dbf, not yet opened.
class ViewerTest : public StationWindow
{
protected:
    const QString path = QString::fromStdString(dir.write("Stationen.dbf", tenStations()));
};

// After a start without a table the column list is empty; the first table that opens fills it.
TEST_F(ViewerTest, ShowsTheLabelledFieldsOfTheFirstStationAndFillsTheColumnList)
{
    operations::FrmEingabe::unload();
    ASSERT_FALSE(bind(path, database::plainFullQuery("Stationen")));
    EXPECT_EQ(window.lblLabels()[8]->text(), "AKTIVITÄTEN :");
    EXPECT_EQ(window.lblLabels()[12]->text(), "UPDATE :");
    EXPECT_EQ(call(), "DL1ABC");
    EXPECT_EQ(window.shownFieldText(7), "Jürgen");
    EXPECT_EQ(window.shownFieldText(12), "05.01.2003");
    EXPECT_EQ(counter(), " DS: 1");
    EXPECT_EQ(window.datPrimaryRS().toolTip(), " blättern in den Daten ");
    for (QLabel *field : window.txtFields())
        EXPECT_EQ(field->focusPolicy(), Qt::NoFocus);
    const QListWidget &list = *operations::FrmEingabe::instance().List1;
    ASSERT_EQ(list.count(), viewer::Viewer::kFieldCount);
    EXPECT_EQ(list.item(0)->text(), "0 CALL :");
    EXPECT_EQ(list.item(12)->text(), "12 UPDATE :");
    operations::FrmEingabe::unload();
}

// The keys and the bar's buttons (first, previous, next, last) move within the set and stop at
// its ends; without records they do nothing.
TEST_F(ViewerTest, KeysAndButtonsMoveWithinTheSetAndStopAtItsEnds)
{
    QTest::keyClick(&window, Qt::Key_Up); // without a record set: nothing
    QTest::keyClick(&window, Qt::Key_PageUp);
    EXPECT_EQ(counter(), "");
    ASSERT_FALSE(bind(path, database::orderedFullQuery("Stationen")));
    EXPECT_EQ(call(), "9A1AA");
    const auto buttons = window.datPrimaryRS().findChildren<QAbstractButton *>();
    ASSERT_EQ(buttons.size(), 4);
    const auto key = [this](Qt::Key pressed, Qt::KeyboardModifiers modifiers = {}) {
        return [this, pressed, modifiers] { QTest::keyClick(&window, pressed, modifiers); };
    };
    const auto button = [&buttons](int index) {
        return [&buttons, index] { buttons[index]->click(); };
    };
    const std::tuple<std::function<void()>, const char *, const char *> presses[] = {
            {key(Qt::Key_Down), " DS: 1", "9A1AA"}, // on the first record: nothing
            {key(Qt::Key_Up), " DS: 2", "DK2XX"},
            {key(Qt::Key_Up, Qt::ControlModifier), " DS: 3",
             "DL1ABC"}, // the shift state is ignored
            {key(Qt::Key_PageUp), " DS: 10", "PA0AA"},
            {key(Qt::Key_Up), " DS: 10", "PA0AA"}, // on the last record: nothing
            {key(Qt::Key_PageDown, Qt::ControlModifier), " DS: 1", "9A1AA"},
            {button(0), " DS: 1", "9A1AA"},
            {button(1), " DS: 1", "9A1AA"}, // previous on the first record: stays
            {button(2), " DS: 2", "DK2XX"},
            {button(3), " DS: 10", "PA0AA"},
            {button(2), " DS: 10", "PA0AA"}, // next on the last record: stays
    };
    for (size_t step = 0; step < std::size(presses); ++step) {
        const auto &[press, shownCounter, shownCall] = presses[step];
        press();
        EXPECT_EQ(counter(), shownCounter) << "step " << step;
        EXPECT_EQ(call(), shownCall) << "step " << step;
    }
    EXPECT_TRUE(fake.messages.empty());

    ASSERT_OK(window.datPrimaryRS().Recordset()->SetFilter("[NOF_SSB] > 2"));
    QTest::keyClick(&window, Qt::Key_PageUp);
    EXPECT_EQ(counter(), " DS: 7"); // the guards use the filtered count

    database::program().viewerVisible = true; // buttons on a table without records: nothing
    open("Leer", stationTable({}));
    for (QAbstractButton *empty : window.datPrimaryRS().findChildren<QAbstractButton *>())
        QTest::mouseClick(empty, Qt::LeftButton);
    EXPECT_TRUE(fake.messages.empty());
}

TEST(ViewerCaption, IsTheTableNameOfTheDatabasePath)
{
    const std::pair<QString, QString> cases[] = {
            {"C:\\Funk\\Stationen.DBF", "Stationen"},
            {"C:\\Daten\\liste.alt.dbf", "liste.alt"},
            {"STATION", "STATION"},
            {"", ""},
            {"C:\\Daten\\", ""},
            {"/home/dl1abc/Funk/Liste.2003.dbf", "Liste.2003"},
    };
    for (const auto &[path, title] : cases)
        EXPECT_EQ(viewer::activationCaption(path), "  dBase-Viewer: " + title)
                << path.toStdString();
}

TEST_F(ViewerTest, ActivationWithinTheProgramSetsTheCaption)
{
    int hooks = 0;
    window.setActivationHook([&] { ++hooks; });
    database::program().databasePath = path;
    window.setWindowCaption("dBase-Viewer: Stationen"); // as the open command leaves it
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&window, &activate);
    EXPECT_EQ(window.windowTitle(), "  dBase-Viewer: Stationen");
    EXPECT_EQ(hooks, 1);

    window.setWindowCaption("dBase-Viewer: Stationen");
    emit qApp->applicationStateChanged(Qt::ApplicationInactive); // the user went elsewhere
    QCoreApplication::sendEvent(&window, &activate);
    EXPECT_EQ(window.windowTitle(), "dBase-Viewer: Stationen");
    QCoreApplication::sendEvent(&window, &activate);
    EXPECT_EQ(window.windowTitle(), "  dBase-Viewer: Stationen");
}

TEST_F(ViewerTest, ErrorNotificationsAreStoredAndShownOnlyOnceVisible)
{
    QString description = QStringLiteral("Verbindung verloren");
    const Box shown {"Datenbank-Fehler:Verbindung verloren", platform::kExclamation,
                     " unerwarteter Fehler"};
    const std::tuple<int, bool, bool, std::vector<Box>> errors[] = {
            {16389, false, true, {}},
            {3021, false, false, {}}, // before start-up ends, the control's own display shows it
            {3021, true, true, {shown}},
            {16389, true, true, {}},
    };
    for (const auto &[number, visible, cancelled, said] : errors) {
        database::program().viewerVisible = visible;
        bool cancel = false;
        emit window.datPrimaryRS().Error(number, description, cancel);
        EXPECT_EQ(cancel, cancelled) << number;
        EXPECT_EQ(database::program().lastRecordSourceError, number);
        EXPECT_EQ(fake.takeBoxes(), said) << number;
    }
}

TEST_F(ViewerTest, FailedRefreshesReportDuringStartUpOrToTheCommand)
{
    const auto error = bind("fehlt.dbf", database::plainFullQuery("fehlt"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number, static_cast<int>(0x80040E37u));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_TRUE(fake.messages[0].text.contains("fehlt.dbf"));
    EXPECT_EQ(database::program().lastRecordSourceError, error->number);

    database::program().viewerVisible = true; // from now on the command that refreshed reports
    fake.messages.clear();
    EXPECT_TRUE(window.datPrimaryRS().Refresh());
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(call(), "");

    // A table of another shape: a field bound to a column it lacks would stay empty without a
    // word.
    dbfbuild::DbfBuilder builder(0x03, {{"CALL", 'C', 15}, {"RUFNAME", 'C', 30}});
    const QString other = QString::fromStdString(
            dir.write("Kurz.dbf", builder.record({"DL1ABC", "Jan"}).bytes()));
    const auto lacking = bind(other, database::plainFullQuery("Kurz"));
    ASSERT_TRUE(lacking);
    EXPECT_EQ(lacking->description, "Die Spalte »DXCC_WAE« gibt es in der Tabelle »Kurz« nicht.");
    EXPECT_FALSE(window.datPrimaryRS().Recordset());
    EXPECT_EQ(call(), "");
}

TEST_F(ViewerTest, MenusHaveTheirCaptionsShortcutsAndOrder)
{
    QStringList titles;
    for (QAction *menu : window.menuBar()->actions())
        titles << menu->text();
    EXPECT_EQ(titles, QStringList({"&Datei", "&Bearbeiten", "&Suchen", "&?"}));
    const std::tuple<Item, QString, QString> items[] = {
            {Item::mnuOpen, "Ctrl+O", "&Öffnen"},
            {Item::mnuSortCall, "Ctrl+N", "&Neu laden"},
            {Item::mnuEnde, "Ctrl+E", "B&eenden"},
            {Item::mnuFiltern, "Ctrl+F", "&Filtern"},
            {Item::mnuSortieren, "Ctrl+T", "sor&tieren"},
            {Item::mnuWiederherstellen, "Ctrl+W", "&wiederherstellen"},
            {Item::mnuSearch, "Ctrl+S", "S&uchen"},
            {Item::mnuHelp, "F1", "&Kurz-Hilfe"},
            {Item::mnuInfo, "F2", "&Info"},
    };
    for (const auto &[item, shortcut, caption] : items) {
        const QAction &action = *window.menuItem(item);
        EXPECT_EQ(action.shortcut().toString(), shortcut) << action.text().toStdString();
        EXPECT_EQ(action.text(), caption);
    }
}

TEST_F(ViewerTest, OpeningAMenuEnablesItsDatabaseCommandsByThePath)
{
    const int &filters = fake.modalShows; // each run of the filter shows its dialog once
    window.menuItem(Item::mnuFiltern)->trigger(); // before the menu was ever opened: enabled
    EXPECT_EQ(filters, 1);

    emit window.menu(Menu::mnuBearb)->aboutToShow();
    EXPECT_FALSE(window.menuItem(Item::mnuFiltern)->isEnabled());
    EXPECT_FALSE(window.menuItem(Item::mnuSortieren)->isEnabled());
    EXPECT_FALSE(window.menuItem(Item::mnuWiederherstellen)->isEnabled());
    window.menuItem(Item::mnuFiltern)->trigger();
    EXPECT_EQ(filters, 1);
    EXPECT_TRUE(window.menuItem(Item::mnuSearch)->isEnabled()); // its menu was not opened

    emit window.menu(Menu::mnuDat)->aboutToShow();
    EXPECT_FALSE(window.menuItem(Item::mnuSortCall)->isEnabled());
    EXPECT_TRUE(window.menuItem(Item::mnuOpen)->isEnabled());
    EXPECT_TRUE(window.menuItem(Item::mnuEnde)->isEnabled());

    database::program().databasePath = path;
    emit window.menu(Menu::mnuBearb)->aboutToShow();
    emit window.menu(Menu::mnuSu)->aboutToShow();
    EXPECT_TRUE(window.menuItem(Item::mnuFiltern)->isEnabled());
    EXPECT_TRUE(window.menuItem(Item::mnuSearch)->isEnabled());
    window.menuItem(Item::mnuFiltern)->trigger();
    EXPECT_EQ(filters, 2);
}

TEST_F(ViewerTest, ClosingSavesThePathClosesTheSetAndTheOtherWindows)
{
    ASSERT_FALSE(bind(path, database::plainFullQuery("Stationen")));
    const auto set = window.datPrimaryRS().Recordset();
    operations::FrmEingabe::instance().show();
    platform::setMousePointer(platform::kHourglass);
    window.show();
    window.menuItem(Item::mnuEnde)->trigger();
    EXPECT_EQ(platform::readSetting("Talvo-dBase-Viewer", "Settings", "Datenbank", "nichts"), path);
    EXPECT_FALSE(set->isOpen());
    EXPECT_FALSE(operations::FrmEingabe::instance().isVisible());
    EXPECT_EQ(platform::mousePointer(), platform::kArrow);
    EXPECT_FALSE(window.isVisible());

    database::program().databasePath.clear(); // an empty path is saved empty
    window.show();
    window.close();
    EXPECT_EQ(platform::readSetting("Talvo-dBase-Viewer", "Settings", "Datenbank", "nichts"), "");
}

// Screen readers read a value field as its caption and its value; a right click copies it. A
// value cut off shows whole as the field's hint.
TEST_F(ViewerTest, ValueFieldsAreNamedByTheirCaptionCopyTheirValueAndHintAtWholeValues)
{
    const QString whole = "IC-7300 mit 100 W an einer Delta-Loop für 80 m, dazu ein Beam für 20, "
                          "15 und 10 m auf dem Dach";
    StationRow longRig = station("DL1ABC");
    longRig[9] = QString(whole).replace(u'ü', QChar(0x81)).toLatin1().toStdString(); // CP850
    open("Lang", stationTable({longRig, station("DK2XX")}));
    window.show();
    auto *field = static_cast<viewer::ValueField *>(window.txtFields()[0]);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(field);
    ASSERT_TRUE(accessible);
    EXPECT_EQ(accessible->text(QAccessible::Name), "CALL :");
    ASSERT_TRUE(accessible->textInterface());
    EXPECT_EQ(accessible->textInterface()->text(0, accessible->textInterface()->characterCount()),
              "DL1ABC");
    const auto labels = accessible->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->object(), window.lblLabels()[0]);
    EXPECT_EQ(field->focusPolicy(), Qt::NoFocus);
    field->copyValue();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "DL1ABC");
    QLabel *rig = window.txtFields()[9];
    EXPECT_EQ(rig->toolTip(), whole);
    EXPECT_EQ(window.txtFields()[0]->toolTip(), ""); // "DL1ABC" fits
    QTest::keyClick(&window, Qt::Key_Up);
    EXPECT_EQ(rig->toolTip(), "");
}

} // namespace
