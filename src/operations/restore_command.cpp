// Restoring the viewer's record set to all records in the order of the first column.
#include "operations/restore_command.h"

#include "database/program_state.h"
#include "operations/command_support.h"
#include "operations/filter_command.h"
#include "operations/sort_command.h"
#include "platform/platform.h"

namespace operations {

void mnuWiederherstellen_Click(database::DatabaseWindow &window)
{
    // The description of the last failure; ApplyFilter clears it, as it swallows its own.
    QString currentError;
    auto note = [&](const database::RunTimeError &error) { currentError = error.description; };

    platform::setMousePointer(platform::kHourglass);
    const auto set = currentRecordset(window);
    const auto first = set ? fieldName(*set, 0) : database::Result<QString>(set.error());
    if (!first)
        note(first.error());
    const auto kept =
            ApplyFilter(set ? *set : nullptr, restoreCriterion(first ? *first : QString()));
    currentError.clear();

    int64_t count = 0;
    if (!kept)
        note(database::objectNotSetError());
    else if (const auto records = kept->RecordCount())
        count = *records;
    else
        note(runTimeError(records.error()));

    if (count >= 1) {
        (void)kept->MoveFirst();
        window.datPrimaryRS().setRecordset(kept);
        const auto sorted =
                ApplySort(window.datPrimaryRS().Recordset(), first ? *first : QString());
        (void)sorted->MoveFirst();
        window.datPrimaryRS().setRecordset(sorted);
        (void)window.datPrimaryRS().Recordset()->MoveFirst();
        platform::setMousePointer(platform::kArrow);
        return;
    }
    platform::setMousePointer(platform::kArrow);
    platform::messageBox(QStringLiteral("Wiederherstellen ohne Erfolg.")
                                 + database::program().lineBreak + currentError,
                         platform::kExclamation, QStringLiteral("Problem"));
}

} // namespace operations
