// The restore command "&wiederherstellen": all records again, ordered by the first column.
#pragma once

#include "database/record_source.h"

namespace operations {

// Lets the records through with the restore criterion, sorts them by the first column and shows
// the first. Every step goes on after a failure; only an empty result is reported.
void mnuWiederherstellen_Click(database::DatabaseWindow &window);

} // namespace operations
