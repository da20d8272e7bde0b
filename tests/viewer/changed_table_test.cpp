// The viewer window on a table that another program changes while it is shown
// (change_scenarios.h): what the fields show is one state of the table, the change is said once,
// only records that are gone say so each time; reloading shows the file as it is.
#include "support/change_scenarios.h"
#include "support/expect_ok.h"
#include "support/qstring_printer.h"
#include "support/station_window.h"

#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// 300 stations are copied when opened; 2400 (over 1 MiB) are read live.
constexpr int kSmall = 300, kLarge = 2400;

// The table of the parameter's count of stations shown, and its change of that index.
class ChangedTable : public StationWindow,
                     public ::testing::WithParamInterface<std::tuple<int, size_t>>
{
protected:
    // True when the table could not be opened.
    bool reload()
    {
        return bind(QString::fromStdString(file), database::plainFullQuery("Stationen"))
                .has_value();
    }

    void key(Qt::Key key) { QTest::keyClick(&window, key); }
    // The CALL shown, in the scenarios' terms.
    std::string call() const { return StationWindow::call().toStdString(); }
    int64_t filtered(const std::string &criterion)
    {
        EXPECT_OK(set()->SetFilter(criterion));
        return *set()->RecordCount();
    }
    // The message `index`, which names the file and holds `what`.
    void expectMessage(size_t index, const QString &what)
    {
        ASSERT_GT(fake.messages.size(), index);
        const QString &text = fake.messages[index].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Datenbank-Fehler:Die Datei »")
                                    + QString::fromStdString(file) + "«"))
                << text.toStdString();
        EXPECT_TRUE(text.contains(what)) << text.toStdString();
        EXPECT_EQ(fake.messages[index].title, " unerwarteter Fehler");
        EXPECT_TRUE(text.endsWith("Neu laden zeigt die Datei, wie sie jetzt ist."))
                << text.toStdString();
    }

    const int count = std::get<0>(GetParam());
    const std::string file = writeOldTable(dir, "Stationen.dbf", count);
};

TEST_P(ChangedTable, EachChangeIsSaidOnceAndTheFieldsShowOneState)
{
    const bool live = count == kLarge;
    const ChangeScenario s = changeScenarios(count)[std::get<1>(GetParam())];
    SCOPED_TRACE(s.name + (live ? " read live" : " copied"));
    ASSERT_FALSE(reload());
    database::program().viewerVisible = true;
    key(Qt::Key_Up);
    EXPECT_EQ(counter(), " DS: 2");
    s.make(dir, file);
    EXPECT_EQ(call(), callOf(2)) << "what is shown stays until the user moves";

    key(Qt::Key_PageDown);
    EXPECT_EQ(call(), callOf(1));
    EXPECT_EQ(window.shownFieldText(7), "Name1");
    const bool kept = !live || s.replaced;
    expectMessage(0,
                  QString::fromStdString("wurde von einem anderen Programm " + s.says + " ")
                          + (kept ? "Angezeigt wird weiter die Tabelle, wie sie beim Öffnen war."
                                  : "Angezeigt werden ab jetzt die Datensätze vom Öffnen, wie sie "
                                    "jetzt in der Datei stehen"));
    key(Qt::Key_Up);
    EXPECT_EQ(call(), s.shown(2, live));
    // A record that is gone says so each time it is shown.
    const bool lastGone = s.shown(count, live).empty();
    for (size_t time = 1; time <= 2; ++time) {
        key(Qt::Key_PageUp);
        EXPECT_EQ(counter(), QStringLiteral(" DS: %1").arg(count));
        EXPECT_EQ(call(), s.shown(count, live));
        EXPECT_EQ(fake.messages.size(), lastGone ? 1 + time : 1);
    }
    if (lastGone)
        expectMessage(1, QStringLiteral("Datensatz %1 (ab Byte").arg(count));
    const size_t said = fake.messages.size();

    // Filter, find and sort decide on the bytes that the fields show; whole-table work read live
    // sees the file as it is now, without records of zeros.
    EXPECT_EQ(filtered("[CALL] = '" + kChangedCall + "'"), live && s.changed ? 1 : 0);
    EXPECT_EQ(filtered("[CALL] = '" + callOf(2) + "'"), s.shown(2, live) == callOf(2) ? 1 : 0);
    EXPECT_EQ(call(), s.shown(2, live) == callOf(2) ? callOf(2) : "");
    EXPECT_EQ(filtered("[CALL] LIKE 'DL*'"), kept ? count : s.held);
    EXPECT_OK(set()->SetFilter(""));
    const int probe = std::min(s.held + 1, count);
    const bool found = s.shown(probe, live) == callOf(probe);
    EXPECT_OK(set()->Find("[CALL] = '" + callOf(probe) + "'"));
    EXPECT_EQ(*set()->AtEOF(), !found);
    EXPECT_EQ(call(), found ? callOf(probe) : "");
    EXPECT_OK(set()->SetSort("CALL"));
    key(Qt::Key_PageUp);
    EXPECT_EQ(call(), live && s.changed ? kChangedCall : callOf(kept ? count : s.held));
    EXPECT_EQ(fake.messages.size(), said);

    if (s.reopened < 0) {
        EXPECT_TRUE(reload());
        EXPECT_EQ(call(), "");
        key(Qt::Key_Up);
        return;
    }
    ASSERT_FALSE(reload());
    EXPECT_EQ(*set()->RecordCount(), s.reopened);
    key(Qt::Key_PageUp);
    EXPECT_EQ(call(), s.lastReopened);
    EXPECT_EQ(fake.messages.size(), said);
}

INSTANTIATE_TEST_SUITE_P(
        Changes, ChangedTable,
        ::testing::Combine(::testing::Values(kSmall, kLarge),
                           ::testing::Range<size_t>(0, changeScenarios(kSmall).size())));

} // namespace
