// The start procedure, the open-file dialog function and what the menu commands borrow.
#include "startup/startmodul.h"

#include "database/database_names.h"
#include "database/program_state.h"
#include "database/steps.h"
#include "operations/command_support.h"
#include "operations/frm_eingabe.h"
#include "platform/platform.h"
#include "startup/vorbild.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>

namespace startup {
namespace {

// The open dialog's flag for "the chosen file must exist", and the ones always added: long
// file names and no read-only box.
constexpr qint32 kFileMustExist = 0x1000;
constexpr qint32 kAlwaysAddedFlags = 0x200004;

QPointer<Vorbild> g_startScreen;

Vorbild &loadStartScreen()
{
    if (!g_startScreen)
        g_startScreen = new Vorbild;
    return *g_startScreen;
}

void unloadStartScreen()
{
    delete g_startScreen.data();
}

std::unique_ptr<QLockFile> g_singleCopyLock;

// One copy per user session: a lock in the runtime folder, held while the program runs. A
// crashed copy's lock does not block: QLockFile sees that its process is gone.
bool isFirstCopy()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    auto lock = std::make_unique<QLockFile>(folder + QStringLiteral("/talvo-dbase-viewer.lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    g_singleCopyLock = std::move(lock);
    return true;
}

// The start error path: silent while the window is not shown yet; then once more for 3639;
// otherwise the " Fehler " message, with advice for a table that cannot be found.
database::AfterError startError(const database::RunTimeError &error)
{
    database::ProgramState &state = database::program();
    if (!state.viewerVisible)
        return database::AfterError::Next;
    if (state.lastRecordSourceError == database::kRetryRefreshError) {
        state.lastRecordSourceError = 0;
        return database::AfterError::Retry;
    }
    platform::setMousePointer(platform::kArrow);
    QString advice;
    if (error.number == recordset::kTableNotFound) {
        const QString folder = QDir::currentPath();
        advice = state.lineBreak + state.lineBreak
                + QStringLiteral(
                         "Das Datenbankmodul hat eventuell ein Problem mit langen Ordner-Namen.");
        if (!state.databasePath.contains(folder))
            advice += state.lineBreak + QStringLiteral("Abhilfe: die Datenbank in den Ordner ")
                    + folder + QStringLiteral(" kopieren.");
        state.databasePath.clear();
    }
    platform::messageBox(QStringLiteral("Beim Programmstart: ") + state.lineBreak
                                 + error.description + advice,
                         platform::kExclamation, QStringLiteral(" Fehler "));
    platform::setMousePointer(platform::kHourglass);
    return database::AfterError::Next;
}

void attempt(const database::Step &step)
{
    database::runSteps({step}, startError);
}

// "Datenbank (*.DBF)|*.DBF|Alle (*.*)|*.*" in Qt's form: "Datenbank (*.DBF)", "Alle (*.*)"; the
// dialog lists every file for "*.*".
QStringList nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString pattern = parts[i + 1];
        QString patterns = pattern;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString shown = QLatin1Char('(') + pattern + QLatin1Char(')');
        if (description.endsWith(shown))
            description.chop(shown.size());
        filters << description.trimmed() + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

// The program's icon in the sizes the window system asks for.
QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/de.talvo.dbaseviewer-%1.png").arg(size));
    return icon;
}

} // namespace

void releaseSingleCopy()
{
    g_singleCopyLock.reset();
}

QString firstDbfFile(const QString &folder)
{
    QDir dir(folder);
    dir.setNameFilters({QStringLiteral("*.dbf")});
    dir.setFilter(QDir::Files); // regular files, any case of the pattern
    dir.setSorting(QDir::Name);
    const QStringList names = dir.entryList();
    return names.isEmpty() ? QString() : names.first();
}

QString ShowOpenDialog(const QString &title, const QString &fileName, const QString &filter,
                       const QString &folder, qint32 extraFlags, qint32 filterIndex)
{
    platform::OpenDialogRequest request;
    const qint32 flags = (extraFlags ? extraFlags : kFileMustExist) + kAlwaysAddedFlags;
    request.title = title.isEmpty() ? QStringLiteral("Öffnen") : title;
    request.folder = folder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))
        && !folder.endsWith(QLatin1Char('\\')))
        request.folder += QLatin1Char('/');
    request.nameFilters = nameFilters(filter.isEmpty() ? QStringLiteral("Alle (*.*)|*.*") : filter);
    request.filterIndex = (filterIndex ? filterIndex : 1) - 1;
    request.fileMustExist = flags & kFileMustExist;
    request.fileName = fileName;
    const QString chosen = platform::services().openFile(request);
    platform::doEvents();
    return chosen;
}

operations::StartModule startModule()
{
    return {ShowOpenDialog, [] { return std::make_unique<Vorbild>(); }};
}

std::unique_ptr<viewer::Viewer> Main(const QString &file)
{
    QApplication::setWindowIcon(programIcon());
    database::ProgramState &state = database::program();
    if (!isFirstCopy()) {
        platform::messageBox(
                QStringLiteral("Das Programm zweimal zu aktivieren ist nicht ratsam. ")
                        + QStringLiteral("Wenn Sie diese Möglichkeit benötigen, so wenden Sie ")
                        + QStringLiteral("sich bitte an den Autor dieser Software."),
                platform::kExclamation,
                database::kApplicationTitle + QStringLiteral(" läuft bereits "));
        return nullptr;
    }
    state.lineBreak = QStringLiteral("\r\n");
    platform::setMousePointer(platform::kHourglass);
    platform::doEvents();

    Vorbild &screen = loadStartScreen();
    screen.show();
    screen.repaint();

    state.databasePath = !file.isEmpty()
            ? QFileInfo(file).absoluteFilePath()
            : platform::readSetting(database::kApplicationTitle, QStringLiteral("Settings"),
                                    QStringLiteral("Datenbank"), QString());
    QString found;
    if (state.databasePath.isEmpty()) {
        found = firstDbfFile(QDir::currentPath());
        if (!found.isEmpty())
            state.databasePath = found;
    } else if (QFileInfo(state.databasePath).isFile()) {
        found = QFileInfo(state.databasePath).fileName();
    }

    auto window = std::make_unique<viewer::Viewer>();
    viewer::Viewer &viewer = *window;
    viewer.setStartModule(startModule());
    viewer.setActivationHook([] {
        if (g_startScreen)
            g_startScreen->hide();
    });

    if (found.isEmpty()) {
        platform::setMousePointer(platform::kArrow);
        platform::messageBox(QStringLiteral("Keine dBase-Datenbank in diesem Ordner vorhanden!")
                                     + state.lineBreak + QStringLiteral("Bitte selber öffnen."),
                             platform::kExclamation, QStringLiteral(" Problem"));
        platform::setMousePointer(platform::kHourglass);
    } else {
        platform::doEvents();
        operations::FrmEingabe::instance().fillColumnList(viewer.labelCaptions());
        platform::setMousePointer(platform::kHourglass);

        QString tableName;
        attempt([&] { return operations::deriveTableName(state.databasePath, tableName); });
        viewer.datPrimaryRS().setConnectionString(database::connectionText(state.databasePath));
        viewer.datPrimaryRS().setRecordSource(database::plainFullQuery(tableName));
        platform::doEvents();
        attempt([&] { return viewer.datPrimaryRS().Refresh(); });
    }

    unloadStartScreen();
    viewer.show();
    state.viewerVisible = true;

    platform::doEvents();
    if (state.lastRecordSourceError == database::kRetryRefreshError)
        attempt([&] { return viewer.datPrimaryRS().Refresh(); });
    state.lastRecordSourceError = 0;
    platform::setMousePointer(platform::kArrow);
    return window;
}

} // namespace startup
