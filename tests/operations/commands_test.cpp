// Filter, sort, restore and search through their menu commands, with the dialogs answered and
// the message boxes recorded by the test's platform.
#include "operations/filter_command.h"
#include "operations/frm_eingabe.h"
#include "operations/frm_suchweiter.h"
#include "operations/restore_command.h"
#include "operations/search_command.h"
#include "operations/sort_command.h"
#include "support/expect_ok.h"
#include "support/qstring_printer.h"
#include "support/station_window.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <tuple>

using operations::FrmEingabe;
using operations::FrmSuchweiter;

namespace {

// Answers frmSuchweiter with the option `option` (0 next, 1 previous) and OK.
std::function<void(QDialog &)> step(int option)
{
    return [option](QDialog &dialog) {
        auto &form = static_cast<FrmSuchweiter &>(dialog);
        form.Option1[static_cast<size_t>(option)]->setChecked(true);
        form.Command2_Click();
    };
}

std::function<void(QDialog &)> cancelSteps()
{
    return [](QDialog &dialog) { static_cast<FrmSuchweiter &>(dialog).Command1_Click(); };
}

// The ten stations shown in file order; the first table fills the column list.
class Commands : public StationWindow
{
protected:
    void SetUp() override
    {
        database::program().viewerVisible = true;
        FrmEingabe::unload();
        FrmSuchweiter::unload();
        open("Funk", tenStations());
    }

    // The calls of the current presentation.
    QStringList calls()
    {
        QStringList result;
        const auto s = set();
        const int64_t bookmark = *s->Bookmark();
        (void)s->MoveFirst();
        while (!*s->AtEOF()) {
            result << QString::fromStdString(*s->FieldText(0));
            (void)s->MoveNext();
        }
        (void)s->SetBookmark(bookmark);
        return result;
    }

    void filter(int row, const QString &term)
    {
        fake.modalAnswers.push_back(choose(row, term));
        operations::mnuFiltern_Click(window);
    }

    void sortBy(int row)
    {
        fake.modalAnswers.push_back(choose(row));
        operations::mnuSortieren_Click(window);
    }

    // Searches with the dialogs answered by `answers`; the answers left over are dropped.
    void search(std::deque<std::function<void(QDialog &)>> answers)
    {
        fake.modalAnswers = std::move(answers);
        operations::mnuSearch_Click(window);
        fake.modalAnswers.clear();
    }
};

TEST(FilterCriterion, WorkedExamplesReachTheRecordSetExactly)
{
    const std::array<const char *, 3> cases[] = {
            {"CALL", "= DL", "[CALL] =  'DL'"},
            {"CALL", "LIKE DL*", "[CALL] LIKE 'DL*'"},
            {"CALL", "like dl*", "[CALL] LIKE 'dl*'"},
            {"CALL", "xxlikeyy", "[CALL] LIKE 'keyy'"},
            {"NOF_SSB", ">=5", "[NOF_SSB] >= 5"},
            {"NOF_SSB", ">= 5", "[NOF_SSB] >=  5"},
            {"NOF_SSB", "= 1,5", "[NOF_SSB] =  1,5"},
            {"NOF_SSB", "=-5", "[NOF_SSB] =- 5"},
            {"UP_DATE", "> 05.01.2003", "[UP_DATE] >  #01-05-2003#"},
            {"UP_DATE", "= 2003", "[UP_DATE] =  #01-01-2003#"},
            {"UP_DATE", "= 05/01/2003", "[UP_DATE] =  #01-05-2003#"},
            {"UP_DATE", "= 05.2003", "[UP_DATE] =  #05-01-2003#"},
            {"UP_DATE", "> 05.01.2003 12:00", "[UP_DATE] >  #01-05-2003 12:00#"},
            {"UP_DATE", "< 5/1/2003 7:05:09", "[UP_DATE] <  #1-5-2003 7:05:09#"},
            {"UP_DATE", "> 05.01.2003 25:00", "[UP_DATE] >  '05.01.2003 25:00'"},
            {"LOCATOR", "= 12", "[LOCATOR] =  12"},
            {"CALL", "DL", "[CALL] D 'L'"},
            {"VORNAME", "<>O'Brien", "[VORNAME] <> 'O'Brien'"},
            {"CALL", "=", "Fehler 5"}, // operators alone
            {"CALL", ">=", "Fehler 5"},
            {"CALL", "<>", "Fehler 5"},
    };
    for (const auto &[field, typed, expected] : cases) {
        const auto criterion = operations::filterCriterion(field, typed);
        EXPECT_EQ(criterion ? *criterion : QString("Fehler %1").arg(criterion.error().number),
                  expected)
                << typed;
    }
}

TEST_F(Commands, FilterShowsTheFirstMatchAndARejectedCriterionGoesOnSilently)
{
    filter(0, "LIKE DL*");
    EXPECT_EQ(set()->Filter(), "[CALL] LIKE 'DL*'");
    EXPECT_EQ(call(), "DL1ABC");
    EXPECT_EQ(counter(), " DS: 1");
    EXPECT_EQ(calls(), QStringList({"DL1ABC", "DL9ZZ"}));
    EXPECT_EQ(FrmEingabe::instance().windowTitle(), "Filtern");
    EXPECT_EQ(FrmEingabe::instance().Label1->text(), "Operator u. Begriff:");
    EXPECT_EQ(platform::mousePointer(), platform::kArrow);

    filter(0, "DL"); // "[CALL] D 'L'": the record set refuses silently, the filter before stays
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(set()->Filter(), "[CALL] LIKE 'DL*'");
    EXPECT_EQ(call(), "DL1ABC");

    filter(11, ">= 5"); // the second filter replaces the first
    EXPECT_EQ(set()->Filter(), "[NOF_SSB] >=  5");
    EXPECT_EQ(calls().size(), 5);
}

// Operators alone end in a filter error; a filter without result restores the records.
TEST_F(Commands, FilterErrorOrFilterAndSortWithoutResultSaySo)
{
    filter(0, "=");
    ASSERT_EQ(fake.boxes(), std::vector {boxes::filterError5});
    EXPECT_EQ(fake.messages[0].pointer, platform::kArrow);
    EXPECT_EQ(set()->Filter(), "");
    fake.messages.clear();
    filter(0, "= XX9XX");
    EXPECT_EQ(fake.takeBoxes(), std::vector {boxes::filterEmpty});
    EXPECT_EQ(set()->Filter(), "[CALL] <> '0'");
    EXPECT_EQ(calls().size(), 10);
    // The sort of an empty set says so and clears the sort.
    open("Funk", stationTable({}));
    sortBy(7);
    EXPECT_EQ(fake.boxes(), std::vector {boxes::sortEmpty});
    EXPECT_EQ(set()->Sort(), "");
}

TEST_F(Commands, CancelledOrBlankCommandsChangeNothing)
{
    ASSERT_OK(set()->SetAbsolutePosition(4));
    platform::setMousePointer(platform::kDefaultPointer);
    operations::mnuFiltern_Click(window); // no answer: cancelled
    operations::mnuSortieren_Click(window);
    filter(0, "   ");
    EXPECT_EQ(platform::mousePointer(), platform::kDefaultPointer);
    operations::mnuSearch_Click(window); // its end step sets the arrow
    EXPECT_EQ(platform::mousePointer(), platform::kArrow);
    EXPECT_EQ(counter(), " DS: 4");
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(set()->Filter(), "");
    EXPECT_EQ(set()->Sort(), "");
}

TEST_F(Commands, SortAndSearchWithinAFilter)
{
    filter(11, "> 2");
    sortBy(7);
    EXPECT_EQ(set()->Sort(), "VORNAME");
    EXPECT_EQ(set()->Filter(), "[NOF_SSB] >  2");
    // Anna, Björn, Jürgen, Piet, Taro, Tom, Zoe
    EXPECT_EQ(calls(),
              QStringList({"DK2XX", "OE3XYZ", "DL1ABC", "PA0AA", "JA1AA", "G3XYZ", "DL9ZZ"}));
    EXPECT_EQ(call(), "DK2XX");
    EXPECT_EQ(counter(), " DS: 1");
    EXPECT_TRUE(FrmEingabe::instance().Text1->isVisibleTo(&FrmEingabe::instance()));
    EXPECT_EQ(FrmEingabe::instance().windowTitle(), "Sortieren");

    // The search finds the first match of the filtered, sorted set: in VORNAME order the DL
    // stations of the filter are Jürgen (DL1ABC), then Zoe (DL9ZZ).
    search({choose(0, "DL*"), step(0), cancelSteps()});
    EXPECT_EQ(call(), "DL9ZZ");
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(Commands, RestoreUndoesFilterAndSortOrReportsItsFailure)
{
    filter(0, "LIKE D*");
    sortBy(7);
    ASSERT_OK(set()->MoveLast());
    operations::mnuWiederherstellen_Click(window);
    EXPECT_EQ(set()->Filter(), "[CALL] <> '0'");
    EXPECT_EQ(set()->Sort(), "CALL");
    EXPECT_EQ(call(), "9A1AA");
    EXPECT_EQ(counter(), " DS: 1");
    EXPECT_EQ(calls().size(), 10);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(platform::mousePointer(), platform::kArrow);

    open("Funk", stationTable({station("0"), station("0")})); // a table of zeros: no reason
    operations::mnuWiederherstellen_Click(window);
    EXPECT_EQ(fake.takeBoxes(), std::vector {boxes::restoreFailed});
    // Without a record set, the failure is named.
    database::closeQuietly(window.datPrimaryRS());
    window.datPrimaryRS().setRecordset(nullptr);
    operations::mnuWiederherstellen_Click(window);
    Box failure = boxes::restoreFailed;
    failure.text += "Objektvariable nicht festgelegt";
    EXPECT_EQ(fake.boxes(), std::vector {failure});
}

TEST_F(Commands, SearchStepsThroughTheMatchesInTheOrderShown)
{
    // In VORNAME order: André Anna Björn Hans Ivo Jürgen Piet Taro Tom Zoe; "*a*" matches
    // André, Anna, Hans and Taro.
    sortBy(7);
    ASSERT_OK(set()->SetAbsolutePosition(9)); // Tom: the search starts at the first record
    std::vector<QString> shown;
    QObject::connect(&window.datPrimaryRS(), &viewer::DataControl::MoveComplete, &window,
                     [&] { shown.push_back(window.shownFieldText(7)); });
    std::vector<bool> previousSelected;
    auto previousAfterTheEnd = [&](QDialog &dialog) {
        previousSelected.push_back(static_cast<FrmSuchweiter &>(dialog).Option1[1]->isChecked());
        step(1)(dialog);
    };
    search({choose(7, " *a* "), step(0), step(0), step(0), step(0), previousAfterTheEnd, step(1),
            step(1), step(1), cancelSteps()});

    EXPECT_EQ(window.shownFieldText(7), "André"); // the last match stays after Abbrechen
    ASSERT_EQ(previousSelected.size(), 1u);
    EXPECT_TRUE(previousSelected[0]); // after the end, "Finde den Vorgänger" comes preselected
    EXPECT_EQ(fake.boxes(), std::vector(2, boxes::noMoreMatches));
    EXPECT_EQ(FrmSuchweiter::instance().windowTitle(), "  *a* gefunden. Weitersuchen ? ");
    EXPECT_TRUE(FrmSuchweiter::instance().Option1[0]->isChecked()); // after the start
    EXPECT_EQ(platform::mousePointer(), platform::kArrow);
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Taro"), shown.end()); // the last match forward
}

TEST_F(Commands, SearchWithoutMatchOrWithABadTermReturnsToTheRecord)
{
    ASSERT_OK(set()->SetAbsolutePosition(3));
    search({choose(0, "XX*")});
    EXPECT_EQ(fake.takeBoxes(),
              std::vector<Box>({{"Keine Datensätze gefunden mit \r\nXX*.", 64, " Suchen"}}));
    EXPECT_EQ(counter(), " DS: 3");

    search({choose(7, "O'Brien")});
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_TRUE(fake.messages[0].text.startsWith(
            "Such-Fehler: Das Suchkriterium »[VORNAME] LIKE 'O'Brien'«"));
    EXPECT_EQ(fake.messages[0].style, 48);
    EXPECT_EQ(counter(), " DS: 3");
}

// Whatever is typed into the dialogs: a clear message or the silent path, never a crash, and the
// record set stays usable.
TEST_F(Commands, HostileTermsGiveAMessageOrNothing)
{
    const QStringList terms =
            QString("O'Brien|= 'O''Brien'|LIKE '|[CALL]|= [CALL]|#|> #13-45-2003#|(((((((((("
                    "|LIKE DL*)) OR ((|\x01\t\r\n\x7f|LIKE Jürgen|= 🙂|LIKE 東京*|"
                    "= Москва")
                    .split('|')
            + QStringList {QString(1 << 20, 'x'), "= " + QString(1 << 20, '(')};
    for (const QString &term : terms) {
        SCOPED_TRACE(term.left(40).toStdString());
        for (int row : {0, 7, 11, 12}) {
            fake.messages.clear();
            filter(row, term);
            search({choose(row, term), cancelSteps()});
            for (const RecordedMessage &message : fake.messages)
                EXPECT_LT(message.text.size(), 40000) << message.text.left(200).toStdString();
            EXPECT_LE(fake.messages.size(), 3u);
            operations::mnuWiederherstellen_Click(window);
            EXPECT_EQ(*set()->RecordCount(), 10);
        }
    }
}

TEST_F(Commands, ClosingTheStepDialogDiscardsIt)
{
    search({choose(0, "*"), step(1), [](QDialog &dialog) { dialog.close(); }});
    EXPECT_EQ(call(), "DL1ABC"); // the first match; "previous" met the start
    search({choose(0, "*"), [](QDialog &dialog) {
                EXPECT_TRUE(static_cast<FrmSuchweiter &>(dialog).Option1[0]->isChecked());
                cancelSteps()(dialog);
            }});
}

TEST(ColumnDialog, HandlersBeepResultAndSortMode)
{
    FakePlatform fake;
    FrmEingabe::unload();
    FrmEingabe &dialog = FrmEingabe::instance();
    dialog.fillColumnList({"CALL :", "DXCC / WAE :"});
    dialog.fillColumnList({"anders :"}); // filled once: the first table's captions stay
    ASSERT_EQ(dialog.List1->count(), 2);
    EXPECT_EQ(dialog.List1->item(1)->text(), "1 DXCC / WAE :");
    dialog.setWindowTitle("Filtern");
    dialog.Command1_Click(); // nothing chosen
    EXPECT_EQ(fake.beeps, 1);
    dialog.List1->setCurrentRow(1);
    dialog.Command1_Click(); // no term
    EXPECT_EQ(fake.beeps, 2);
    dialog.Text1->setText("  ");
    dialog.Command1_Click(); // blanks count as a term
    EXPECT_EQ(dialog.resultText(), "1   ");
    dialog.Command2_Click();
    EXPECT_EQ(dialog.resultText(), "");

    dialog.setWindowTitle("Sortieren");
    dialog.Text1->clear();
    dialog.Command1_Click();
    EXPECT_EQ(dialog.resultText(), "1 ");
    EXPECT_EQ(fake.beeps, 2);
    EXPECT_EQ(dialog.List1->font().family(), "Courier New");
    FrmEingabe::unload();
}

// The column chosen with the keyboard: the term box takes the focus at once, except when sorting.
// With no entry selected, Down selects the first entry, which the list made current, instead of
// passing over it, and from then on moves on.
TEST(ColumnDialog, AColumnChosenByKeyMovesTheFocusToTheTermBox)
{
    FakePlatform fake;
    const std::tuple<const char *, Qt::Key, Qt::Key, int, bool> cases[] = {
            {"Filtern", Qt::Key_Home, Qt::Key_End, 2, true},
            {"Sortieren", Qt::Key_Home, Qt::Key_End, 2, false},
            {"Filtern", Qt::Key_Down, Qt::Key_Down, 1, true},
    };
    for (const auto &[caption, first, second, rowAfterSecond, termFocused] : cases) {
        SCOPED_TRACE(testing::Message() << caption << ' ' << first);
        FrmEingabe::unload();
        FrmEingabe &dialog = FrmEingabe::instance();
        dialog.fillColumnList({"CALL :", "DXCC / WAE :", "LOCATOR :"});
        dialog.setWindowTitle(caption);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        ASSERT_TRUE(dialog.List1->hasFocus());
        QTest::keyClick(dialog.List1, first);
        EXPECT_EQ(dialog.List1->currentRow(), 0);
        EXPECT_TRUE(dialog.List1->currentItem()->isSelected());
        EXPECT_EQ(dialog.Text1->hasFocus(), termFocused);
        dialog.List1->setFocus();
        QTest::keyClick(dialog.List1, second);
        EXPECT_EQ(dialog.List1->currentRow(), rowAfterSecond);
        EXPECT_EQ(dialog.Text1->hasFocus(), termFocused);
        if (termFocused) {
            QTest::keyClicks(QApplication::focusWidget(), "LIKE DL*");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            EXPECT_EQ(dialog.resultText(), QString::number(rowAfterSecond) + " LIKE DL*");
            EXPECT_FALSE(dialog.isVisible());
        }
    }
    EXPECT_EQ(fake.beeps, 0);
    FrmEingabe::unload();
}

} // namespace
