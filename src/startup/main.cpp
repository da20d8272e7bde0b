// Entry point of `talvo-dbase-viewer`.
#include "database/program_state.h"
#include "platform/platform.h"
#include "startup/startmodul.h"
#include "version/version.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// Without a display Qt would abort; say what is missing and how to do without one instead.
bool haveDisplay()
{
    return std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY")
            || std::getenv("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char **argv)
{
    if (!haveDisplay()) {
        std::fputs("talvo-dbase-viewer: keine grafische Oberfläche gefunden (weder DISPLAY noch "
                   "WAYLAND_DISPLAY gesetzt); ohne Bildschirm: QT_QPA_PLATFORM=vnc "
                   "talvo-dbase-viewer starten und mit einem VNC-Programm verbinden.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(database::kApplicationTitle);
    QApplication::setApplicationVersion(QString::fromLatin1(talvo::kVersion));
    QApplication::setQuitOnLastWindowClosed(false); // the viewer's shut-down ends the program
    platform::useGermanQtTexts();
    // A table given on the command line (a file manager's "Open with") replaces the stored one.
    const QStringList arguments = QApplication::arguments();
    const auto viewer = startup::Main(arguments.size() > 1 ? arguments[1] : QString());
    if (!viewer)
        return 0;
    // Logging out or a `kill` ends the program as "B&eenden" does: the path saved, the lock
    // given up.
    platform::onEndRequest([&viewer] { viewer->close(); });
    return QApplication::exec();
}
