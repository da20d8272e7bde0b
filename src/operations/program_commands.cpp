// Ending the program, the short help and the info screen.
#include "operations/program_commands.h"

#include "database/program_state.h"
#include "platform/platform.h"

#include <QThread>

namespace operations {
namespace {

constexpr double kInfoSeconds = 6.0;

} // namespace

void mnuEnde_Click(database::DatabaseWindow &window)
{
    window.closeWindow();
}

void mnuHelp_Click()
{
    const QString &lineBreak = database::program().lineBreak;
    platform::messageBox(
            QStringLiteral("Es ist noch keine ausführliche Hilfe vorhanden.     ") + lineBreak
                    + QStringLiteral("Wenn Sie aber den Mauszeiger über dem Fenster,      ")
                    + lineBreak
                    + QStringLiteral("über das Sie etwas wissen möchten, stehen lassen,   ")
                    + lineBreak + QStringLiteral("so erscheint ein Hinweis."),
            platform::kInformation, QStringLiteral("Kurzhilfe"));
}

void mnuInfo_Click(database::DatabaseWindow &window, const StartScreenFunction &loadStartScreen)
{
    std::unique_ptr<QWidget> screen = loadStartScreen();
    screen->setWindowTitle(QStringLiteral(" Info"));
    // The keyboard stays with the viewer, so that keys pressed during the wait reach it
    // afterwards; the screen's activation handler would set the hourglass, so that is done here.
    screen->setAttribute(Qt::WA_ShowWithoutActivating);
    screen->show();
    platform::setMousePointer(platform::kHourglass);
    platform::waitUntilShown(*screen);
    screen->repaint();
    // Nothing runs during the wait: input and the desktop's requests (a close box clicked) stay
    // queued, in order, until the command has finished.
    const double start = platform::services().seconds();
    while (platform::services().seconds() - start <= kInfoSeconds)
        QThread::msleep(10);
    screen.reset(); // unloading the start screen sets the arrow
    window.regainActivation();
    window.repaintWindow();
}

} // namespace operations
