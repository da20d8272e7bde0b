// The viewer window `Viewer`: thirteen labelled fields of the current station, the data control
// at the bottom, the menus, the navigation keys, and the shut-down when it closes.
#pragma once

#include "database/record_source.h"
#include "operations/menu_table.h"
#include "viewer/data_control.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <array>
#include <functional>

namespace viewer {

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
    void repaintWindow() override { repaint(); }
    void closeWindow() override { close(); }
    void regainActivation() override { Form_Activate(); }

    const std::array<QLabel *, kFieldCount> &lblLabels() const { return m_labels; }
    // The captions of `lblLabels`, in index order.
    QStringList labelCaptions() const;
    const std::array<QLabel *, kFieldCount> &txtFields() const { return m_fields; }

    // What the start module lends the menu commands.
    void setStartModule(operations::StartModule start);
    // Called each time the window becomes active, before the caption is set.
    void setActivationHook(std::function<void()> hook);

    // The menus and their items, as the menu table names them.
    QMenu *menu(operations::Menu menu) const { return m_menus[static_cast<size_t>(menu)]; }
    QAction *menuItem(operations::Item item) const { return m_items[static_cast<size_t>(item)]; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createFields();
    void createMenus();
    void Form_Activate();
    void datPrimaryRS_MoveComplete();
    void datPrimaryRS_Error(qint32 number, QString &description, bool &cancelDisplay);

    DataControl *m_dataControl;
    std::array<QLabel *, kFieldCount> m_labels {};
    std::array<QLabel *, kFieldCount> m_fields {};
    std::array<QMenu *, operations::kMenuCount> m_menus {};
    std::array<QAction *, operations::kItemCount> m_items {};
    operations::StartModule m_startModule;
    std::function<void()> m_activationHook;
    bool m_leftApplication = false; // since the last activation the user was in another program
};

// The caption the window takes when it becomes active: "  dBase-Viewer: " and the table name
// of `databasePath`.
QString activationCaption(const QString &databasePath);

} // namespace viewer
