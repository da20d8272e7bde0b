// Helpers shared by the menu commands.
#include "operations/command_support.h"

#include "database/database_names.h"
#include "database/program_state.h"
#include "platform/platform.h"

namespace operations {

database::Result<std::shared_ptr<recordset::RecordSet>>
currentRecordset(database::DatabaseWindow &window)
{
    auto set = window.datPrimaryRS().Recordset();
    if (!set)
        return database::objectNotSetError();
    return set;
}

database::RunTimeError runTimeError(const recordset::Error &error)
{
    return {error.number, QString::fromStdString(error.description)};
}

database::Result<QString> fieldName(const std::shared_ptr<recordset::RecordSet> &set, int index)
{
    if (!set)
        return database::objectNotSetError();
    if (index < 0)
        return runTimeError({recordset::kItemNotFound,
                             "Das Feld Nummer " + std::to_string(index) + " gibt es nicht."});
    const auto name = set->FieldName(static_cast<size_t>(index));
    if (!name)
        return runTimeError(name.error());
    return QString::fromStdString(*name);
}

void reportNoResult(database::DatabaseWindow &window, const QString &what)
{
    const QString &lineBreak = database::program().lineBreak;
    window.repaintWindow();
    platform::setMousePointer(platform::kArrow);
    platform::messageBox(what + QStringLiteral(" brachte keine Ergebnisse.") + lineBreak
                                 + QStringLiteral("Das Original wird wieder hergestellt.")
                                 + lineBreak + QStringLiteral("Augenblick !"),
                         platform::kNoIcon, database::kApplicationTitle);
    platform::setMousePointer(platform::kHourglass);
    platform::doEvents();
}

database::RunTimeStatus deriveTableName(const QString &databasePath, QString &tableName)
{
    const auto table = database::tableNameFromPath(databasePath);
    if (!table)
        return table.error();
    tableName = *table;
    return std::nullopt;
}

ColumnAndTerm splitResult(const QString &resultText)
{
    const qsizetype blank = resultText.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return {resultText.toInt(), QString()};
    return {resultText.left(blank).toInt(), resultText.mid(blank + 1)};
}

} // namespace operations
