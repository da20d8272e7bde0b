// German texts for the error numbers that opening and reading a file can give. The C library's
// own texts follow the system's language, which is English on most machines; the program's
// messages are German everywhere.
#include "dbf/system_error_text.h"

#include <cerrno>

namespace dbf {

std::string systemErrorText(int error)
{
    switch (error) {
    case ENOENT:
        return "Datei oder Verzeichnis nicht gefunden";
    case ENOTDIR:
        return "ein Teil des Pfades ist kein Verzeichnis";
    case EACCES:
    case EPERM:
        return "Zugriff verweigert";
    case EISDIR:
        return "ist ein Verzeichnis";
    case ELOOP:
        return "zu viele symbolische Verknüpfungen";
    case ENAMETOOLONG:
        return "Dateiname zu lang";
    case EMFILE:
    case ENFILE:
        return "zu viele offene Dateien";
    case ENOMEM:
        return "nicht genügend Hauptspeicher";
    case EIO:
        return "Ein-/Ausgabefehler";
    case ENXIO:
    case ENODEV:
        return "Gerät nicht vorhanden";
    case EOVERFLOW:
        return "Datei zu groß";
    case ETXTBSY:
    case EBUSY:
        return "Datei wird gerade benutzt";
    case EINVAL:
        return "ungültiges Argument";
    case EAGAIN:
        return "Ressource vorübergehend nicht verfügbar";
    case ESTALE:
        return "veraltete Dateizugriffsnummer (Netzlaufwerk)";
    default:
        return "Systemfehler " + std::to_string(error);
    }
}

} // namespace dbf
