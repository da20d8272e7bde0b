// The commands of the "Datei" menu that work on the database: open another file and reload.
#pragma once

#include "database/record_source.h"

namespace database {

// "&Öffnen": lets the user pick a .DBF file and opens it with the column query, falling back to
// the reload when the first field shows nothing. The current record set stays open until a
// file has been chosen and accepted.
void mnuOpen_Click(DatabaseWindow &window, const OpenDialogFunction &showOpenDialog);

// "&Neu laden": reopens the current database ordered by CALL, dropping filter and sort. Does
// nothing without a database path.
void mnuSortCall_Click(DatabaseWindow &window);

} // namespace database
