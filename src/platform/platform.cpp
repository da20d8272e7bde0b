// The Qt realisation of the platform services.
#include "platform.h"

#include "platform/message_dialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTranslator>
#include <QTreeView>
#include <QWindow>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

// "*.*" is every file, with a dot in its name or without, as users of DOS and Windows know it;
// Qt would list only names with a dot. The type keeps its text "Alle (*.*)".
void listEveryFileForStarDotStar(QFileDialog &dialog)
{
    auto *model = dialog.findChild<QFileSystemModel *>();
    if (!model)
        return;
    auto widen = [model](const QString &filter) {
        if (filter.contains(QLatin1String("*.*")))
            model->setNameFilters({QStringLiteral("*")});
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, model, widen);
    widen(dialog.selectedNameFilter());
}

// Room for whole names, sizes, types and dates in the dialog's detail view.
void showWholeColumns(QFileDialog &dialog)
{
    dialog.resize(800, 480);
    if (auto *view = dialog.findChild<QTreeView *>()) {
        QHeaderView *header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

// The file dialog's sizes and dates in the program's German (the default locale, see
// useGermanQtTexts), as its labels are: Qt's file system model takes them from the system's
// locale, C or English on many a desktop.
class GermanSizesAndDates final : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (role != Qt::DisplayRole || !files)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QLocale german;
        if (index.column() == kSizeColumn && !files->isDir(source))
            return german.formattedDataSize(files->size(source)); // "907 Bytes"
        if (index.column() == kDateColumn)
            return german.toString(files->lastModified(source), QStringLiteral("dd.MM.yyyy HH:mm"));
        return QIdentityProxyModel::data(index, role);
    }

private:
    // The columns of QFileSystemModel: name, size, type, date modified.
    static constexpr int kSizeColumn = 1, kDateColumn = 3;
};

// Qt's file dialog keeps its history and last folder in a settings file of its own. That file
// lives in a temporary folder while the dialog is open and goes with it: the program's one
// setting stays its only persistent output, and nothing is left behind in the temp folder.
class DialogStateFolder
{
public:
    DialogStateFolder()
    {
        if (m_folder.isValid())
            QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
    }

private:
    QTemporaryDir m_folder;
};

class QtServices final : public Services
{
public:
    void messageBox(const QString &text, int style, const QString &title) override
    {
        MessageDialog box(QApplication::activeWindow(),
                          QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")), style,
                          title);
        box.exec();
    }

    QString openFile(const OpenDialogRequest &request) override
    {
        const DialogStateFolder stateFolder; // outlives the dialog, which writes its state last
        // Without a folder of its own the dialog opens in the current folder, never in one that
        // Qt remembered from an earlier use.
        QFileDialog dialog(QApplication::activeWindow(), request.title,
                           request.folder.isEmpty() ? QDir::currentPath() : request.folder);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile
                                                 : QFileDialog::AnyFile);
        // *.DBF must also find stations.dbf: names from DOS disks come in either case. Qt's own
        // dialog matches patterns without regard to case; desktop dialogs do not all do so.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
        dialog.setNameFilters(request.nameFilters);
        if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
            dialog.selectNameFilter(request.nameFilters[request.filterIndex]);
        dialog.setProxyModel(new GermanSizesAndDates(&dialog));
        listEveryFileForStarDotStar(dialog);
        if (!request.fileName.isEmpty())
            dialog.selectFile(request.fileName);
        showWholeColumns(dialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().first();
    }

    double seconds() override { return double(m_clock.nsecsElapsed()) / 1e9; }

    void beep() override { QApplication::beep(); }

    void showModal(QDialog &dialog) override
    {
        // The program's dialogs live on between uses without a parent; tied to the window that
        // opens them, the desktop puts them in front of it and gives them the keyboard.
        QWidget *owner = QApplication::activeWindow();
        if (owner && owner != &dialog) {
            dialog.winId();
            dialog.windowHandle()->setTransientParent(owner->windowHandle());
        }
        dialog.exec();
    }

    QtServices() { m_clock.start(); }

private:
    QElapsedTimer m_clock;
};

Services *g_replacement = nullptr;
int g_pointer = kDefaultPointer;

} // namespace

Services &services()
{
    static QtServices qt;
    return g_replacement ? *g_replacement : qt;
}

void setServices(Services *replacement)
{
    g_replacement = replacement;
}

void messageBox(const QString &text, int style, const QString &title)
{
    services().messageBox(text, style, title);
}

void setMousePointer(int pointer)
{
    const bool waitingBefore = g_pointer == kHourglass;
    g_pointer = pointer;
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    if (pointer == kHourglass && !waitingBefore)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (pointer != kHourglass && waitingBefore)
        QApplication::restoreOverrideCursor();
}

int mousePointer()
{
    return g_pointer;
}

void doEvents()
{
    QCoreApplication::processEvents();
}

void waitUntilShown(QWidget &window)
{
    QElapsedTimer waited;
    waited.start();
    while (window.windowHandle() && !window.windowHandle()->isExposed()
           && waited.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
}

bool useGermanQtTexts()
{
    const QLocale german(QLocale::German, QLocale::Germany);
    QLocale::setDefault(german); // sizes and dates in the file dialog
    static QTranslator translator;
    if (!translator.load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

namespace {

int g_endRequests[2] = {-1, -1}; // the self-pipe: the signal handler writes, the GUI reads

void noteEndRequest(int)
{
    const int saved = errno;
    const char byte = 1;
    (void)!write(g_endRequests[1], &byte, 1); // a full pipe holds enough requests already
    errno = saved;
}

} // namespace

void onEndRequest(std::function<void()> handler)
{
    if (g_endRequests[0] >= 0 || pipe2(g_endRequests, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_endRequests[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [handler = std::move(handler)] {
                         char bytes[16];
                         while (read(g_endRequests[0], bytes, sizeof bytes) > 0) { }
                         handler();
                     });
    struct sigaction action
    { };
    action.sa_handler = noteEndRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

namespace {

// An explicit file, so that the file dialog's settings folder leaves the program's own setting
// in place.
QString settingsFile(const QString &application)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/'
            + application + u'/' + application + QStringLiteral(".conf");
}

} // namespace

QString readSetting(const QString &application, const QString &section, const QString &key,
                    const QString &defaultValue)
{
    QSettings settings(settingsFile(application), QSettings::IniFormat);
    return settings.value(section + QLatin1Char('/') + key, defaultValue).toString();
}

void writeSetting(const QString &application, const QString &section, const QString &key,
                  const QString &value)
{
    QSettings settings(settingsFile(application), QSettings::IniFormat);
    settings.setValue(section + QLatin1Char('/') + key, value);
}

} // namespace platform
