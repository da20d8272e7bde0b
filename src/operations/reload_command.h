// The command "&Neu laden" of the "Datei" menu: reopen the current database ordered by CALL.
#pragma once

#include "database/record_source.h"

namespace operations {

// "&Neu laden": reopens the current database ordered by CALL, dropping filter and sort. Does
// nothing without a database path.
void mnuSortCall_Click(database::DatabaseWindow &window);

} // namespace operations
