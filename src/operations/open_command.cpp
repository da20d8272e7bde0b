// Opening another database file.
#include "operations/open_command.h"

#include "database/database_names.h"
#include "database/program_state.h"
#include "database/steps.h"
#include "operations/command_support.h"
#include "operations/reload_command.h"
#include "platform/platform.h"

#include <QDir>

namespace operations {
namespace {

const QString kOpenTitle = QStringLiteral("Talvo-Datenbank öffnen");
const QString kDatabaseFilter = QStringLiteral("Datenbank (*.DBF)|*.DBF|Alle (*.*)|*.*");

} // namespace

void mnuOpen_Click(database::DatabaseWindow &window, const OpenDialogFunction &showOpenDialog)
{
    database::ProgramState &state = database::program();
    QString presetName, presetFolder;
    if (!state.databasePath.isEmpty()) {
        const auto name = database::fileNameFromPath(state.databasePath);
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
    database::RecordSourceControl &control = window.datPrimaryRS();
    database::closeQuietly(control);
    state.databasePath = chosen;
    platform::setMousePointer(platform::kHourglass);
    platform::doEvents();

    QString tableName;
    database::runSteps(
            {
                    [&]() -> database::RunTimeStatus {
                        control.setConnectionString(database::connectionText(state.databasePath));
                        return std::nullopt;
                    },
                    [&] { return deriveTableName(state.databasePath, tableName); },
                    [&]() -> database::RunTimeStatus {
                        control.setRecordSource(database::columnQuery(tableName));
                        return std::nullopt;
                    },
                    [&]() { return control.Refresh(); },
                    [&]() -> database::RunTimeStatus {
                        window.setWindowCaption(QStringLiteral("dBase-Viewer: ") + tableName);
                        return std::nullopt;
                    },
                    [&]() -> database::RunTimeStatus {
                        platform::doEvents();
                        database::RunTimeStatus status;
                        if (state.lastRecordSourceError == database::kRetryRefreshError)
                            status = control.Refresh();
                        state.lastRecordSourceError = 0;
                        platform::doEvents();
                        return status;
                    },
                    [&]() -> database::RunTimeStatus {
                        if (window.shownFieldText(0).isEmpty())
                            mnuSortCall_Click(window);
                        return std::nullopt;
                    },
            },
            [&](const database::RunTimeError &error) {
                if (error.number == database::kGenericFailure)
                    return database::AfterError::Next;
                platform::setMousePointer(platform::kArrow);
                if (state.lastRecordSourceError == database::kRetryRefreshError) {
                    state.lastRecordSourceError = 0;
                    platform::setMousePointer(platform::kHourglass);
                    return database::AfterError::Retry;
                }
                platform::messageBox(error.description, platform::kNoIcon,
                                     database::kApplicationTitle);
                platform::setMousePointer(platform::kHourglass);
                return database::AfterError::Next;
            });
    platform::setMousePointer(platform::kArrow);
}

} // namespace operations
