// The names derived from the database path, and the connection and query texts.
#include "database/database_names.h"

#include "database/last_pos_from_right.h"
#include "database/station_record.h"
#include "recordset/query.h"

#include <QStringList>

namespace database {

Result<QString> fileNameFromPath(const QString &databasePath)
{
    // With both separators made "/" in a copy, one search finds whichever lies nearer the end.
    QString unified = databasePath;
    unified.replace(u'\\', u'/');
    const Result<qint16> place = LastPosFromRight(unified, QStringLiteral("/"));
    if (!place)
        return place.error();
    if (*place == 0)
        return databasePath;
    return databasePath.right(*place - 1);
}

Result<QString> tableNameFromFileName(const QString &fileName)
{
    const Result<qint16> place = LastPosFromRight(fileName, QStringLiteral("."));
    if (!place)
        return place.error();
    if (*place == 0)
        return fileName;
    return fileName.left(fileName.size() - *place);
}

Result<QString> tableNameFromPath(const QString &databasePath)
{
    const Result<QString> fileName = fileNameFromPath(databasePath);
    if (!fileName)
        return fileName;
    return tableNameFromFileName(*fileName);
}

QString connectionText(const QString &databasePath)
{
    return QStringLiteral("Provider=MSDASQL;Persist Security Info=False;Mode=Read;"
                          "dsn=dBASE-Dateien;uid=;database=")
            + QString::fromStdString(recordset::connectionValue(databasePath.toStdString()));
}

QString columnQuery(const QString &tableName)
{
    QStringList columns;
    for (const StationColumn &column : kStationRecord)
        columns.append(column.name.toString());
    return QStringLiteral("select ") + columns.join(u',') + QStringLiteral(" from ") + tableName
            + QStringLiteral(" Order by CALL");
}

QString orderedFullQuery(const QString &tableName)
{
    return plainFullQuery(tableName) + QStringLiteral(" Order by CALL");
}

QString plainFullQuery(const QString &tableName)
{
    return QStringLiteral("select * from ") + tableName;
}

} // namespace database
