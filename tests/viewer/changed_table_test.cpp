// The viewer window on a table that another program changes while it is shown: what the fields
// show is one state of the table, or the change is said once; reloading shows the file as it is.
#include "database/database_names.h"
#include "database/program_state.h"
#include "support/expect_ok.h"
#include "support/fake_platform.h"
#include "support/qstring_printer.h"
#include "support/station_table.h"
#include "support/temp_dir.h"
#include "viewer/viewer.h"

#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

constexpr uint64_t kHeader = 32 * 14 + 1, kRecord = 457;
// 300 stations are copied when opened; 2400 (over 1 MiB) are read live.
constexpr int kSmall = 300, kLarge = 2400;

std::string callOf(int record)
{
    char call[16];
    std::snprintf(call, sizeof call, "DL%04d", record);
    return call;
}

std::string stations(int count, const std::string &prefix = "")
{
    std::vector<StationRow> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back(station(prefix + callOf(i), "Name" + std::to_string(i)));
    return stationTable(rows);
}

void overwrite(const std::string &path, uint64_t offset, const std::string &bytes)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file << bytes;
}

// The offset of field CALL of a 1-based record.
uint64_t callAt(int record)
{
    return kHeader + static_cast<uint64_t>(record - 1) * kRecord + 1;
}

class ChangedTable : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        database::program() = {};
        database::program().lineBreak = QStringLiteral("\r\n");
        count = GetParam();
        file = dir.write("Stationen.dbf", stations(count));
        // Written an hour ago, as a table another program keeps: a change now has another time.
        std::filesystem::last_write_time(
                file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        window = std::make_unique<viewer::Viewer>();
        refresh();
        database::program().viewerVisible = true;
    }

    void refresh()
    {
        const QString path = QString::fromStdString(file);
        database::program().databasePath = path;
        window->datPrimaryRS().setConnectionString(database::connectionText(path));
        window->datPrimaryRS().setRecordSource(database::plainFullQuery("Stationen"));
        ASSERT_FALSE(window->datPrimaryRS().Refresh());
    }

    bool live() const { return count == kLarge; }
    void key(Qt::Key key) { QTest::keyClick(window.get(), key); }
    QString call() const { return window->shownFieldText(0); }
    QString counter() const { return window->datPrimaryRS().Caption(); }
    recordset::RecordSet &set() const { return *window->datPrimaryRS().Recordset(); }
    int64_t filtered(const std::string &criterion)
    {
        EXPECT_OK(set().SetFilter(criterion));
        return *set().RecordCount();
    }
    // The one message so far, which names the file and `what`.
    void expectOneMessage(const QString &what)
    {
        ASSERT_EQ(fake.messages.size(), 1u);
        const QString &text = fake.messages[0].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Datenbank-Fehler:Die Datei »")
                                    + QString::fromStdString(file) + "«"))
                << text.toStdString();
        EXPECT_TRUE(text.contains(what)) << text.toStdString();
        EXPECT_EQ(fake.messages[0].title, " unerwarteter Fehler");
        EXPECT_TRUE(text.endsWith("Neu laden zeigt die Datei, wie sie jetzt ist."))
                << text.toStdString();
    }
    QString keptOrNow() const
    {
        return live() ? "Angezeigt werden ab jetzt die Datensätze vom Öffnen, wie sie jetzt in "
                        "der Datei stehen"
                      : "Angezeigt wird weiter die Tabelle, wie sie beim Öffnen war.";
    }

    FakePlatform fake;
    TempDir dir;
    std::string file;
    int count = 0;
    std::unique_ptr<viewer::Viewer> window;
};

TEST_P(ChangedTable, AnInPlaceChangeOfARecordNotYetShown)
{
    EXPECT_EQ(call(), "DL0001");
    overwrite(file, callAt(2), "CHANGED1");
    key(Qt::Key_Up);
    EXPECT_EQ(counter(), " DS: 2");
    EXPECT_EQ(call(), live() ? "CHANGED1" : "DL0002");
    expectOneMessage("wurde von einem anderen Programm überschrieben. " + keptOrNow());
    // Filter and find decide on the bytes that the fields show.
    EXPECT_EQ(filtered("[CALL] LIKE 'CHANGED*'"), live() ? 1 : 0);
    EXPECT_EQ(filtered("[CALL] = 'DL0002'"), live() ? 0 : 1);
    EXPECT_EQ(call(), live() ? "" : "DL0002");
    EXPECT_OK(set().SetFilter(""));
    key(Qt::Key_PageUp);
    key(Qt::Key_PageDown);
    key(Qt::Key_Up);
    EXPECT_EQ(call(), live() ? "CHANGED1" : "DL0002");
    EXPECT_EQ(fake.messages.size(), 1u);

    refresh();
    key(Qt::Key_Up);
    EXPECT_EQ(call(), "CHANGED1");
    EXPECT_EQ(fake.messages.size(), 1u);
}

TEST_P(ChangedTable, AnInPlaceChangeOfTheRecordShown)
{
    key(Qt::Key_Up);
    EXPECT_EQ(call(), "DL0002");
    overwrite(file, callAt(2), "CHANGED1");
    EXPECT_EQ(call(), "DL0002");
    key(Qt::Key_Down);
    expectOneMessage("überschrieben");
    key(Qt::Key_Up);
    EXPECT_EQ(call(), live() ? "CHANGED1" : "DL0002");
    EXPECT_OK(set().SetSort("CALL"));
    key(Qt::Key_PageDown);
    EXPECT_EQ(call(), live() ? "CHANGED1" : "DL0001") << "sorted by what is shown";
    EXPECT_EQ(fake.messages.size(), 1u);
}

TEST_P(ChangedTable, AnAppendShowsTheRecordsOpenedUntilReload)
{
    {
        const std::string longer = stations(count + 1);
        std::ofstream(file, std::ios::in | std::ios::out | std::ios::binary) << longer;
    }
    key(Qt::Key_PageUp);
    EXPECT_EQ(counter(), QStringLiteral(" DS: %1").arg(count));
    EXPECT_EQ(call(), QString::fromStdString(callOf(count)));
    expectOneMessage(QStringLiteral("verlängert (von %1 Bytes auf %2 Bytes); der Dateikopf nennt "
                                    "jetzt %3 statt %4 Datensätze.")
                             .arg(kHeader + count * kRecord + 1)
                             .arg(kHeader + (count + 1) * kRecord + 1)
                             .arg(count + 1)
                             .arg(count));
    EXPECT_EQ(filtered("[CALL] LIKE 'DL*'"), count);

    refresh();
    key(Qt::Key_PageUp);
    EXPECT_EQ(counter(), QStringLiteral(" DS: %1").arg(count + 1));
    EXPECT_EQ(fake.messages.size(), 1u);
}

TEST_P(ChangedTable, AShorteningToARecordBoundary)
{
    key(Qt::Key_PageUp); // the user has seen the last record
    key(Qt::Key_PageDown);
    std::filesystem::resize_file(file, kHeader + 40 * kRecord);
    key(Qt::Key_PageUp);
    EXPECT_EQ(call(), live() ? "" : QString::fromStdString(callOf(count)));
    const QString gone =
            QStringLiteral("Datensatz 41 bis Datensatz %1 gibt es nicht mehr").arg(count);
    expectOneMessage(live() ? QStringLiteral("Datensatz %1 (ab Byte").arg(count) : gone);
    // Records still in the file show whole; only those gone say so, each time.
    key(Qt::Key_PageDown);
    EXPECT_EQ(call(), "DL0001");
    EXPECT_EQ(window->shownFieldText(7), "Name1");
    key(Qt::Key_Up);
    EXPECT_EQ(call(), "DL0002");
    EXPECT_EQ(fake.messages.size(), 1u);
    key(Qt::Key_PageUp);
    EXPECT_EQ(fake.messages.size(), live() ? 2u : 1u);
    // Whole-table work read live sees the file as it is now, without records of zeros.
    EXPECT_EQ(filtered("[CALL] LIKE 'DL*'"), live() ? 40 : count);
    EXPECT_OK(set().SetFilter(""));
    key(Qt::Key_PageUp);
    EXPECT_EQ(call(), QString::fromStdString(callOf(live() ? 40 : count)));
    EXPECT_EQ(fake.messages.size(), live() ? 2u : 1u);

    refresh();
    EXPECT_EQ(*set().RecordCount(), 40);
}

TEST_P(ChangedTable, AShorteningIntoARecord)
{
    key(Qt::Key_PageUp);
    std::filesystem::resize_file(file, kHeader + 40 * kRecord + 100);
    key(Qt::Key_PageDown);
    EXPECT_EQ(call(), "DL0001");
    expectOneMessage(QStringLiteral("Datensatz 41 bis Datensatz %1 gibt es nicht mehr").arg(count));
    for (int i = 0; i < 40; ++i)
        key(Qt::Key_Up);
    EXPECT_EQ(counter(), " DS: 41");
    EXPECT_EQ(call(), live() ? "" : "DL0041");
    key(Qt::Key_Down);
    EXPECT_EQ(call(), "DL0040");
    EXPECT_EQ(fake.messages.size(), live() ? 2u : 1u);
    EXPECT_OK(set().Find("[CALL] = 'DL0041'"));
    EXPECT_EQ(*set().AtEOF(), live());
}

TEST_P(ChangedTable, AReplacementByAnotherTable)
{
    const std::string other = dir.write("neu.dbf", stations(5, "X"));
    std::filesystem::rename(other, file);
    key(Qt::Key_Up);
    EXPECT_EQ(call(), "DL0002");
    expectOneMessage("durch eine andere Datei ersetzt; der Dateikopf nennt jetzt 5 statt "
                     + QString::number(count)
                     + " Datensätze. Angezeigt wird weiter die Tabelle, wie sie beim Öffnen war.");
    EXPECT_EQ(filtered("[CALL] LIKE 'DL*'"), count);

    refresh();
    EXPECT_EQ(call(), "XDL0001");
    EXPECT_EQ(*set().RecordCount(), 5);
}

TEST_P(ChangedTable, ADeletion)
{
    std::filesystem::remove(file);
    key(Qt::Key_PageUp);
    EXPECT_EQ(call(), QString::fromStdString(callOf(count)));
    expectOneMessage("gelöscht oder umbenannt. Angezeigt wird weiter die Tabelle, wie sie beim "
                     "Öffnen war.");
    EXPECT_EQ(filtered("[CALL] LIKE 'DL*'"), count);

    EXPECT_TRUE(window->datPrimaryRS().Refresh());
    EXPECT_EQ(call(), "");
    key(Qt::Key_Up);
}

INSTANTIATE_TEST_SUITE_P(CopiedAndReadLive, ChangedTable, ::testing::Values(kSmall, kLarge),
                         [](const auto &param) {
                             return std::string(param.param == kSmall ? "Copied" : "ReadLive");
                         });

} // namespace
