// The program-wide values that the windows and commands share.
#pragma once

#include "dbf/error_numbers.h"

#include <QString>

namespace database {

// The application title: the settings store's application name and the title of message boxes
// that give none.
inline const QString kApplicationTitle = QStringLiteral("Talvo-dBase-Viewer");

// How often a step is performed again for kRetryRefreshError before the error is reported.
inline constexpr int kRetryBound = 3;

struct ProgramState
{
    // The path of the current .DBF file exactly as obtained; "" while there is none.
    QString databasePath;
    // Carriage return and line feed, set by the start procedure before any message needs it.
    QString lineBreak;
    // The number of the last record-source error, 0 when none is pending.
    qint32 lastRecordSourceError = 0;
    // Off until the start procedure has shown the viewer window.
    bool viewerVisible = false;
};

// The one instance of the program-wide values.
ProgramState &program();

} // namespace database
