// The platform services the program's windows and commands use: message boxes, the program-wide
// mouse pointer, letting pending window events run, the open-file dialog and a seconds clock.
// Tests replace the interactive ones with recording fakes.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QWidget;

namespace platform {

// Message box styles: an OK button and no icon, an exclamation or an information icon.
enum MessageStyle { kNoIcon = 0, kExclamation = 48, kInformation = 64 };

// Mouse pointer values: the arrow, and the hourglass while a command works.
enum MousePointer { kDefaultPointer = 0, kArrow = 1, kHourglass = 11 };

// What the open-file dialog is asked to show.
struct OpenDialogRequest
{
    QString title;
    QString folder; // "" for the dialog's own choice
    QString fileName; // preset in the name box
    QStringList nameFilters; // Qt's form: "Datenbank (*.DBF)", "Alle (*.*)"
    int filterIndex = 0; // 0-based
    bool fileMustExist = true;
};

// The interactive services; the default realisation uses Qt's widgets and clocks.
class Services
{
public:
    virtual ~Services() = default;
    // Shows a message box with one OK button and returns when it is confirmed. Each CR LF in
    // `text` is one line break.
    virtual void messageBox(const QString &text, int style, const QString &title) = 0;
    // Shows the open-file dialog; returns the chosen path, "" when cancelled.
    virtual QString openFile(const OpenDialogRequest &request) = 0;
    // Seconds from a monotonic clock, for waits that must not depend on the time of day.
    virtual double seconds() = 0;
    // The platform's plain beep.
    virtual void beep() = 0;
    // Shows `dialog` modally; returns when it has hidden itself.
    virtual void showModal(QDialog &dialog) = 0;
};

// The services in use; the Qt realisation unless a test installed its own.
Services &services();
// Installs `replacement` (not owned); nullptr restores the Qt realisation.
void setServices(Services *replacement);

void messageBox(const QString &text, int style, const QString &title);

// The program-wide mouse pointer: sets the wait cursor for kHourglass, the arrow otherwise.
void setMousePointer(int pointer);
int mousePointer();

// Lets pending window events run.
void doEvents();
// Lets the window system map and expose `window` (at most a second), without handling input,
// so that it can be painted before a wait that lets no events run.
void waitUntilShown(QWidget &window);

// Loads Qt's own German texts (the file dialog's labels, buttons and messages) and makes German
// the default locale, so that the program speaks German whatever the system's language. False
// where they are not installed.
bool useGermanQtTexts();

// Calls `handler` on the GUI thread when the program is asked to end by SIGTERM or SIGHUP (a
// `kill`, the end of the desktop session), so that it ends as by its own command. The signal
// handler only writes to a pipe that the event loop watches. Once per run.
void onEndRequest(std::function<void()> handler);

// The per-user settings store: one text entry by application name, section and key, in
// $XDG_CONFIG_HOME/APPLICATION/APPLICATION.conf.
QString readSetting(const QString &application, const QString &section, const QString &key,
                    const QString &defaultValue);
void writeSetting(const QString &application, const QString &section, const QString &key,
                  const QString &value);

} // namespace platform
