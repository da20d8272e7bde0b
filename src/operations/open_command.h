// The command "&Öffnen" of the "Datei" menu: open another database file.
#pragma once

#include "database/record_source.h"

#include <QString>
#include <functional>

namespace operations {

// The open-file dialog function of the start module: title, file name, filter, folder, extra
// flags, filter index; returns the chosen path or "".
using OpenDialogFunction = std::function<QString(const QString &, const QString &, const QString &,
                                                 const QString &, qint32, qint32)>;

// "&Öffnen": lets the user pick a .DBF file and opens it with the column query, falling back to
// the reload when the first field shows nothing. The current record set stays open until a
// file has been chosen and accepted.
void mnuOpen_Click(database::DatabaseWindow &window, const OpenDialogFunction &showOpenDialog);

} // namespace operations
