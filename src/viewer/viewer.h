// The viewer window `Viewer`: thirteen labelled fields of the current station, the data control
// at the bottom, the menus, the navigation keys, and the shut-down when it closes.
#pragma once

#include "database/record_source.h"
#include "viewer/data_control.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <array>
#include <functional>

namespace viewer {

// Commands the menus run that other parts of the program provide.
enum class Command { Filter, Sort, Restore, Search, Info };

class Viewer : public QMainWindow, public database::DatabaseWindow
{
    Q_OBJECT

public:
    static constexpr int kFieldCount = 13;

    // Creates the window hidden; sets the hourglass, as the start procedure expects.
    explicit Viewer(QWidget *parent = nullptr);

    DataControl &datPrimaryRS() override { return *m_dataControl; }
    void setWindowCaption(const QString &caption) override { setWindowTitle(caption); }
    QString shownFieldText(int index) const override;

    const std::array<QLabel *, kFieldCount> &lblLabels() const { return m_labels; }
    const std::array<QLabel *, kFieldCount> &txtFields() const { return m_fields; }

    void setCommand(Command command, std::function<void()> run);
    void setOpenDialog(database::OpenDialogFunction showOpenDialog);
    // Called each time the window becomes active, before the caption is set.
    void setActivationHook(std::function<void()> hook);

    // The menu items, for the commands' tests and shortcuts.
    QMenu *mnuDat, *mnuBearb, *mnuSu, *mnuH;
    QAction *mnuOpen, *mnuSortCall, *mnuEnde, *mnuFiltern, *mnuSortieren, *mnuWiederherstellen,
            *mnuSearch, *mnuHelp, *mnuInfo;

    // Part of the menu handlers, callable directly.
    void mnuHelp_Click();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createFields();
    void createMenus();
    void runCommand(Command command);
    void Form_Activate();
    void datPrimaryRS_MoveComplete();
    void datPrimaryRS_Error(qint32 number, QString &description, bool &cancelDisplay);
    void applyEnablingRule(const std::vector<QAction *> &items);

    DataControl *m_dataControl;
    std::array<QLabel *, kFieldCount> m_labels {};
    std::array<QLabel *, kFieldCount> m_fields {};
    std::array<std::function<void()>, 5> m_commands;
    database::OpenDialogFunction m_showOpenDialog;
    std::function<void()> m_activationHook;
    bool m_leftApplication = false;
};

// The caption the window takes when it becomes active: "  dBase-Viewer: " and the table name
// of `databasePath`.
QString activationCaption(const QString &databasePath);

} // namespace viewer
