// Searching a column and stepping through the matches.
#include "operations/search_command.h"

#include "database/program_state.h"
#include "operations/command_support.h"
#include "operations/frm_eingabe.h"
#include "operations/frm_suchweiter.h"
#include "platform/platform.h"

namespace operations {
namespace {

bool standsOnRecord(recordset::RecordSet &set)
{
    const auto bof = set.AtBOF();
    const auto eof = set.AtEOF();
    return bof && eof && !*bof && !*eof;
}

// Steps from match to match of `criterion` in frmSuchweiter until the user stops; at each match
// shown, `returnPosition` becomes its bookmark. A failure of the record set comes back.
database::RunTimeStatus stepThroughMatches(database::DatabaseWindow &window,
                                           recordset::RecordSet &set, const QString &criterion,
                                           const QString &term, int64_t &returnPosition)
{
    const QString &lineBreak = database::program().lineBreak;
    for (;;) {
        const int64_t searchPosition = *set.Bookmark();
        returnPosition = searchPosition;
        FrmSuchweiter &step = FrmSuchweiter::instance();
        step.setWindowTitle(QStringLiteral("  ") + term
                            + QStringLiteral(" gefunden. Weitersuchen ? "));
        platform::setMousePointer(platform::kArrow);
        platform::services().showModal(step);
        const QString result = step.resultText();
        if (step.closedByWindow())
            FrmSuchweiter::unload(); // the next search starts with a new dialog
        window.repaintWindow();
        const int direction = result.toInt();
        if (direction < 1 || direction > 2)
            return std::nullopt;

        platform::setMousePointer(platform::kHourglass);
        platform::doEvents();
        const auto found = FindAgain(direction, set, criterion, searchPosition);
        if (!found)
            return found.error();
        if (*found)
            continue;
        if (*set.AtBOF())
            FrmSuchweiter::instance().Option1[0]->setChecked(true);
        else if (*set.AtEOF())
            FrmSuchweiter::instance().Option1[1]->setChecked(true);
        (void)set.SetBookmark(searchPosition);
        platform::setMousePointer(platform::kArrow);
        platform::messageBox(QStringLiteral("Keine weiteren Entsprechungen - ") + lineBreak
                                     + QStringLiteral("zurück zum aktuellen Datensatz."),
                             platform::kInformation, QStringLiteral("Suchen"));
    }
}

} // namespace

database::Result<bool> FindAgain(int direction, recordset::RecordSet &set, const QString &criterion,
                                 int64_t searchPosition)
{
    // Both steps skip the current match and search on in the order shown; the backward step
    // must not start at "bookmark − 1", which designates some other record once a sort or a
    // filter is in force.
    recordset::Status status;
    if (direction == 1)
        status = set.Find(criterion.toStdString(), 1, recordset::SearchDirection::Forward,
                          searchPosition);
    else if (direction == 2)
        status = set.Find(criterion.toStdString(), 1, recordset::SearchDirection::Backward,
                          searchPosition);
    if (!status.ok())
        return runTimeError(status.error());
    return standsOnRecord(set);
}

void mnuSearch_Click(database::DatabaseWindow &window)
{
    const QString &lineBreak = database::program().lineBreak;
    std::optional<int64_t> returnPosition;
    std::shared_ptr<recordset::RecordSet> set;
    auto fail = [&](const database::RunTimeError &error) {
        platform::setMousePointer(platform::kArrow);
        platform::messageBox(QStringLiteral("Such-Fehler: ") + error.description,
                             platform::kExclamation, kCommandErrorTitle);
        if (set && returnPosition)
            (void)set->SetBookmark(*returnPosition);
    };
    auto end = [&] {
        if (set && returnPosition)
            (void)set->SetBookmark(*returnPosition);
        platform::setMousePointer(platform::kArrow);
    };

    const auto current = currentRecordset(window);
    if (!current)
        return fail(current.error());
    set = *current;
    const auto bookmark = set->Bookmark();
    if (!bookmark)
        return fail(runTimeError(bookmark.error()));
    returnPosition = *bookmark;

    FrmEingabe &dialog = FrmEingabe::instance();
    dialog.setWindowTitle(QStringLiteral("Suchen"));
    dialog.Label1->setText(QStringLiteral("Suchbegriff:"));
    dialog.Text1->setToolTip(QStringLiteral(" zbsp.: ein Call "));
    dialog.Label2->setText(QStringLiteral("Der Platzhalter  *  ist möglich"));
    platform::services().showModal(dialog);
    window.repaintWindow();
    if (dialog.resultText().isEmpty())
        return end();
    const ColumnAndTerm choice = splitResult(dialog.resultText());
    const QString term = choice.rest.trimmed();
    const auto name = fieldName(set, choice.index);
    if (!name)
        return fail(name.error());
    if (term.isEmpty())
        return end();

    platform::setMousePointer(platform::kHourglass);
    platform::doEvents();
    if (const auto moved = set->MoveFirst(); !moved.ok())
        return fail(runTimeError(moved.error()));
    const auto first = set->Bookmark();
    if (!first)
        return fail(runTimeError(first.error()));
    const int64_t searchPosition = *first;
    const QString criterion =
            QLatin1Char('[') + *name + QStringLiteral("] LIKE '") + term + QLatin1Char('\'');
    if (const auto found = set->Find(criterion.toStdString(), 0,
                                     recordset::SearchDirection::Forward, searchPosition);
        !found.ok())
        return fail(runTimeError(found.error()));
    if (!standsOnRecord(*set)) {
        platform::setMousePointer(platform::kArrow);
        platform::messageBox(QStringLiteral("Keine Datensätze gefunden mit ") + lineBreak + term
                                     + QLatin1Char('.'),
                             platform::kInformation, QStringLiteral(" Suchen"));
        return end();
    }

    if (const auto failure = stepThroughMatches(window, *set, criterion, term, *returnPosition))
        return fail(*failure);
    end();
}

} // namespace operations
