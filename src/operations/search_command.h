// The search command "S&uchen": find a term in one column, then step to the next or the
// previous match in the step dialog.
#pragma once

#include "database/record_source.h"
#include "recordset/record_set.h"

#include <QString>
#include <memory>

namespace operations {

void mnuSearch_Click(database::DatabaseWindow &window);

// Moves `set` to the next (direction 1) or previous (2) match of `criterion` beyond the record
// `searchPosition` designates, in the order shown. Returns whether it stands on a record; a
// failure of the record set comes back as the error.
database::Result<bool> FindAgain(int direction, recordset::RecordSet &set, const QString &criterion,
                                 int64_t searchPosition);

} // namespace operations
