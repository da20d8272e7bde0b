// The Qt realisation of the platform services.
#include "platform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QWindow>

namespace platform {
namespace {

class QtServices final : public Services
{
public:
    void messageBox(const QString &text, int style, const QString &title) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(title);
        box.setText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        box.setIcon(style == kExclamation           ? QMessageBox::Warning
                            : style == kInformation ? QMessageBox::Information
                                                    : QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
    }

    QString openFile(const OpenDialogRequest &request) override
    {
        QFileDialog dialog(QApplication::activeWindow(), request.title, request.folder);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile
                                                 : QFileDialog::AnyFile);
        dialog.setNameFilters(request.nameFilters);
        if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
            dialog.selectNameFilter(request.nameFilters[request.filterIndex]);
        // *.DBF must also find stations.dbf: names from DOS disks come in either case. Qt's own
        // dialog matches patterns without regard to case; desktop dialogs do not all do so.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
        if (!request.fileName.isEmpty())
            dialog.selectFile(request.fileName);
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

QString readSetting(const QString &application, const QString &section, const QString &key,
                    const QString &defaultValue)
{
    QSettings settings(QSettings::UserScope, application, application);
    return settings.value(section + QLatin1Char('/') + key, defaultValue).toString();
}

void writeSetting(const QString &application, const QString &section, const QString &key,
                  const QString &value)
{
    QSettings settings(QSettings::UserScope, application, application);
    settings.setValue(section + QLatin1Char('/') + key, value);
}

} // namespace platform
