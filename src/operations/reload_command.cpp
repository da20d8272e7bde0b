// Reloading the current database ordered by CALL.
#include "operations/reload_command.h"

#include "database/database_names.h"
#include "database/program_state.h"
#include "database/steps.h"
#include "operations/command_support.h"
#include "platform/platform.h"

namespace operations {
namespace {

// Shows a failure's description in the plain message box of the reload.
void reportFailure(const database::RunTimeError &error)
{
    platform::setMousePointer(platform::kArrow);
    platform::messageBox(error.description, platform::kNoIcon, database::kApplicationTitle);
    platform::setMousePointer(platform::kHourglass);
}

} // namespace

void mnuSortCall_Click(database::DatabaseWindow &window)
{
    database::ProgramState &state = database::program();
    if (state.databasePath.isEmpty())
        return;
    platform::setMousePointer(platform::kHourglass);
    database::RecordSourceControl &control = window.datPrimaryRS();
    database::closeQuietly(control);

    QString tableName;
    database::runSteps({
                               []() -> database::RunTimeStatus {
                                   platform::doEvents();
                                   return std::nullopt;
                               },
                               [&]() -> database::RunTimeStatus {
                                   control.setConnectionString(
                                           database::connectionText(state.databasePath));
                                   return std::nullopt;
                               },
                               [&] { return deriveTableName(state.databasePath, tableName); },
                               [&]() -> database::RunTimeStatus {
                                   control.setRecordSource(database::orderedFullQuery(tableName));
                                   return std::nullopt;
                               },
                               [&]() { return control.Refresh(); },
                               []() -> database::RunTimeStatus {
                                   platform::doEvents();
                                   return std::nullopt;
                               },
                       },
                       [](const database::RunTimeError &error) {
                           if (error.number != database::objectNotSetError().number)
                               reportFailure(error);
                           return database::AfterError::Next;
                       });
    platform::setMousePointer(platform::kArrow);
}

} // namespace operations
