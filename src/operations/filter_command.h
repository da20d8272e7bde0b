// The filter command "&Filtern" and the helpers it shares with the restore command.
#pragma once

#include "database/record_source.h"
#include "recordset/record_set.h"

#include <QString>
#include <memory>

namespace operations {

// Asks for a column and a comparison in frmEingabe, filters the viewer's record set by it and,
// when nothing passes, says so and lets the records through again.
void mnuFiltern_Click(database::DatabaseWindow &window);

// Sets `criterion` as the filter of `set`, ignoring any failure; returns `set`.
std::shared_ptr<recordset::RecordSet> ApplyFilter(const std::shared_ptr<recordset::RecordSet> &set,
                                                  const QString &criterion);

// The criterion for column `fieldName` and the typed comparison (already trimmed): the number,
// date, year or text form. Fails with error 5 when the comparison is operator characters
// only, and with the overflow error for a number beyond single precision.
database::Result<QString> filterCriterion(const QString &fieldName, const QString &comparison);

// "[first field] <> '0'": lets every record through whose first column is not the text "0".
QString restoreCriterion(const QString &firstFieldName);

} // namespace operations
