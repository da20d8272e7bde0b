// Opening another database file and reloading the current one.
#include "database/database_commands.h"

#include "database/database_names.h"
#include "database/program_state.h"
#include "database/steps.h"
#include "platform/platform.h"

#include <QDir>

namespace database {
namespace {

const QString kOpenTitle = QStringLiteral("Talvo-Datenbank öffnen");
const QString kDatabaseFilter = QStringLiteral("Datenbank (*.DBF)|*.DBF|Alle (*.*)|*.*");

// Sets `tableName` from the database path, or fails as the derivation does.
RunTimeStatus deriveTableName(const QString &databasePath, QString &tableName)
{
    const auto table = tableNameFromPath(databasePath);
    if (!table)
        return table.error();
    tableName = *table;
    return std::nullopt;
}

// Shows a failure's description in the plain message box of these commands.
void reportFailure(const RunTimeError &error)
{
    platform::setMousePointer(platform::kArrow);
    platform::messageBox(error.description, platform::kNoIcon, kApplicationTitle);
    platform::setMousePointer(platform::kHourglass);
}

} // namespace

void mnuOpen_Click(DatabaseWindow &window, const OpenDialogFunction &showOpenDialog)
{
    ProgramState &state = program();
    QString presetName, presetFolder;
    if (!state.databasePath.isEmpty()) {
        const auto name = fileNameFromPath(state.databasePath);
        presetName = name ? *name : state.databasePath;
        presetFolder = presetName.size() < state.databasePath.size()
                ? state.databasePath.left(state.databasePath.size() - presetName.size() - 1)
                : QDir::currentPath();
    }
    const QString chosen =
            showOpenDialog(kOpenTitle, presetName, kDatabaseFilter, presetFolder, 0, 0);
    if (chosen.isEmpty() || !chosen.toUpper().contains(QLatin1String(".DBF")))
        return;

    // Only now that a file is chosen does the current record set give way.
    RecordSourceControl &control = window.datPrimaryRS();
    closeQuietly(control);
    state.databasePath = chosen;
    platform::setMousePointer(platform::kHourglass);
    platform::doEvents();

    QString tableName;
    runSteps({
                     [&]() -> RunTimeStatus {
                         control.setConnectionString(connectionText(state.databasePath));
                         return std::nullopt;
                     },
                     [&] { return deriveTableName(state.databasePath, tableName); },
                     [&]() -> RunTimeStatus {
                         control.setRecordSource(columnQuery(tableName));
                         return std::nullopt;
                     },
                     [&]() { return control.Refresh(); },
                     [&]() -> RunTimeStatus {
                         window.setWindowCaption(QStringLiteral("dBase-Viewer: ") + tableName);
                         return std::nullopt;
                     },
                     [&]() -> RunTimeStatus {
                         platform::doEvents();
                         RunTimeStatus status;
                         if (state.lastRecordSourceError == kRetryRefreshError)
                             status = control.Refresh();
                         state.lastRecordSourceError = 0;
                         platform::doEvents();
                         return status;
                     },
                     [&]() -> RunTimeStatus {
                         if (window.shownFieldText(0).isEmpty())
                             mnuSortCall_Click(window);
                         return std::nullopt;
                     },
             },
             [&](const RunTimeError &error) {
                 if (error.number == kGenericFailure)
                     return AfterError::Next;
                 platform::setMousePointer(platform::kArrow);
                 if (state.lastRecordSourceError == kRetryRefreshError) {
                     state.lastRecordSourceError = 0;
                     platform::setMousePointer(platform::kHourglass);
                     return AfterError::Retry;
                 }
                 platform::messageBox(error.description, platform::kNoIcon, kApplicationTitle);
                 platform::setMousePointer(platform::kHourglass);
                 return AfterError::Next;
             });
    platform::setMousePointer(platform::kArrow);
}

void mnuSortCall_Click(DatabaseWindow &window)
{
    ProgramState &state = program();
    if (state.databasePath.isEmpty())
        return;
    platform::setMousePointer(platform::kHourglass);
    RecordSourceControl &control = window.datPrimaryRS();
    closeQuietly(control);

    QString tableName;
    runSteps({
                     []() -> RunTimeStatus {
                         platform::doEvents();
                         return std::nullopt;
                     },
                     [&]() -> RunTimeStatus {
                         control.setConnectionString(connectionText(state.databasePath));
                         return std::nullopt;
                     },
                     [&] { return deriveTableName(state.databasePath, tableName); },
                     [&]() -> RunTimeStatus {
                         control.setRecordSource(orderedFullQuery(tableName));
                         return std::nullopt;
                     },
                     [&]() { return control.Refresh(); },
                     []() -> RunTimeStatus {
                         platform::doEvents();
                         return std::nullopt;
                     },
             },
             [](const RunTimeError &error) {
                 if (error.number != objectNotSetError().number)
                     reportFailure(error);
                 return AfterError::Next;
             });
    platform::setMousePointer(platform::kArrow);
}

} // namespace database
