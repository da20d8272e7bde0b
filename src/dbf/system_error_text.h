// German descriptions of the operating system's error numbers, for messages that name a file.
#pragma once

#include <string>

namespace dbf {

// The German text for `error` (an errno value), for example "Datei oder Verzeichnis nicht
// gefunden"; for a number without a text of its own "Systemfehler N".
std::string systemErrorText(int error);

} // namespace dbf
