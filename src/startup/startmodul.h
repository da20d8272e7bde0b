// The start module `Startmodul`: the start procedure `Main`, the open-file dialog function
// `ShowOpenDialog`, and what it lends the menu commands.
#pragma once

#include "viewer/viewer.h"

#include <QString>
#include <memory>

namespace startup {

// Runs the start procedure: refuses a second copy, shows the start screen, finds the database,
// opens it in the viewer window and shows the window. Returns the window, or nullptr when the
// program is to end at once (a second copy). `file`, when given (a table opened from the file
// manager), is the database instead of the stored one. Every window carries the program's icon.
std::unique_ptr<viewer::Viewer> Main(const QString &file = QString());

// Shows the open-file dialog; returns the chosen full path, "" when cancelled or failed.
// `filter` is in the bar form "Datenbank (*.DBF)|*.DBF|Alle (*.*)|*.*"; "" stands for
// "Alle (*.*)|*.*". Flags 0 stand for 4096 (the file must exist), filter index 0 for 1.
QString ShowOpenDialog(const QString &title, const QString &fileName, const QString &filter,
                       const QString &folder, qint32 extraFlags, qint32 filterIndex);

// What the start module lends the menu commands: `ShowOpenDialog`, and the start screen
// `Vorbild` for the info screen.
operations::StartModule startModule();

// Gives up this copy's claim to be the only one, so that another may start.
void releaseSingleCopy();

// The first regular file of `folder` whose name matches *.dbf in any case, in name order; "".
QString firstDbfFile(const QString &folder);

} // namespace startup
