// What the menu commands share: the record set of the viewer window and the table name as
// run-time results, and the column-and-term dialog's result text.
#pragma once

#include "database/record_source.h"

#include <QString>

namespace operations {

// The record set `datPrimaryRS` holds; error 91 when there is none.
database::Result<std::shared_ptr<recordset::RecordSet>>
currentRecordset(database::DatabaseWindow &window);

// A record set failure as the run-time error the commands report.
database::RunTimeError runTimeError(const recordset::Error &error);

// The name of field `index`; error 91 without a record set, the record set's error otherwise.
database::Result<QString> fieldName(const std::shared_ptr<recordset::RecordSet> &set, int index);

// Sets `tableName` from the database path, or fails as the derivation does.
database::RunTimeStatus deriveTableName(const QString &databasePath, QString &tableName);

// A result text "index rest" split at its first blank.
struct ColumnAndTerm
{
    int index;
    QString rest;
};
ColumnAndTerm splitResult(const QString &resultText);

// Says that `what` ("Dieses Filter", "Diese Sortierung") left no record and that the original
// comes back, with the pointers around the message as filter and sort set them.
void reportNoResult(database::DatabaseWindow &window, const QString &what);

// The title of the commands' failure boxes.
inline const QString kCommandErrorTitle = QStringLiteral("Talvo-dBase-Viewer");

} // namespace operations
