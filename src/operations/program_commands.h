// The commands that need no record set: ending the program "B&eenden", the short help
// "&Kurz-Hilfe" and the info screen "&Info".
#pragma once

#include "database/record_source.h"

#include <QWidget>
#include <functional>
#include <memory>

namespace operations {

// Loads the start screen, hidden; it is unloaded when the returned pointer lets it go.
using StartScreenFunction = std::function<std::unique_ptr<QWidget>()>;

// "B&eenden": unloads the viewer window, whose shut-down sequence ends the program.
void mnuEnde_Click(database::DatabaseWindow &window);

// "&Kurz-Hilfe": the four lines of short help in an information box.
void mnuHelp_Click();

// "&Info": the start screen titled " Info" for a little more than six seconds, during which no
// input is handled but the screen keeps painting; then the viewer window is repainted.
void mnuInfo_Click(database::DatabaseWindow &window, const StartScreenFunction &loadStartScreen);

} // namespace operations
