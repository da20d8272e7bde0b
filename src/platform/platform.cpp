// The Qt realisation of the platform services.
#include "platform.h"

#include "platform/message_dialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTranslator>
#include <QTreeView>
#include <QWindow>

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

void keepQtStateForThisRun()
{
    static QTemporaryDir folder;
    if (folder.isValid())
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
}

namespace {

// An explicit file, so that keepQtStateForThisRun() leaves the program's own setting in place.
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
