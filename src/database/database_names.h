// The names derived from the database path and the texts handed to the record source: the
// connection text and the three query texts.
#pragma once

#include "database/run_time_error.h"

#include <QString>

namespace database {

// Returns the file name of a database path: what follows its last "/" or "\", the whole path
// when it holds neither, and the empty text when it ends in one. "/" separates folders on this
// system; "\" still counts so that Windows-style paths give the same names.
// Fails with the overflow error when that separator lies more than 32767 characters from the
// right end of the path.
Result<QString> fileNameFromPath(const QString &databasePath);

// Returns the table name of a file name: the file name without its last "." and everything after
// it (Liste.2003.dbf gives Liste.2003), or the file name unchanged when it holds no dot.
// Fails with the overflow error when the last dot lies more than 32767 characters from the right
// end of the file name.
Result<QString> tableNameFromFileName(const QString &fileName);

// The table name of a database path: the two derivations above one after the other.
Result<QString> tableNameFromPath(const QString &databasePath);

// Returns the read-only connection text for the database path: the whole path of the file, not
// its folder; a bare file name stays bare. The path stands unchanged, or in braces when the
// connection text's syntax needs them (a ";" in a folder's name, say), so that any path opens.
QString connectionText(const QString &databasePath);

// The query texts. Each inserts the table name unchanged, without quoting or escaping.

// Returns the query that names the station record's thirteen columns in order, sorted by CALL;
// used when a file is opened.
QString columnQuery(const QString &tableName);

// Returns the query for all columns sorted by CALL; used when the table is reloaded.
QString orderedFullQuery(const QString &tableName);

// Returns the query for all columns in the order the driver delivers; used at program start.
QString plainFullQuery(const QString &tableName);

} // namespace database
