// The menus of the viewer window in one table: every item with its caption and access key, its
// shortcut, whether the enabling rule switches it, and the command it runs.
#pragma once

#include "database/record_source.h"
#include "operations/open_command.h"
#include "operations/program_commands.h"

#include <QKeySequence>
#include <QString>
#include <span>

namespace operations {

// What the start module lends the commands: its open-file dialog function to "&Öffnen" and its
// start screen to "&Info".
struct StartModule
{
    OpenDialogFunction showOpenDialog;
    StartScreenFunction loadStartScreen;
};

// The top-level menus, left to right.
enum class Menu { mnuDat, mnuBearb, mnuSu, mnuH };
inline constexpr size_t kMenuCount = 4;

// The menu items, in their menus from top to bottom.
enum class Item {
    mnuOpen,
    mnuSortCall,
    mnuEnde,
    mnuFiltern,
    mnuSortieren,
    mnuWiederherstellen,
    mnuSearch,
    mnuHelp,
    mnuInfo
};
inline constexpr size_t kItemCount = 9;

// Captions hold the access key as the letter after "&".
struct MenuEntry
{
    Menu menu;
    QString caption;
};

struct MenuItem
{
    Item item;
    Menu menu;
    QString caption;
    QKeySequence shortcut;
    void (*run)(database::DatabaseWindow &window, const StartModule &start);
    bool separatorBefore = false;
    // Enabled when its menu opens with a database path, disabled when it opens without one;
    // the other items keep the state they were created with: enabled.
    bool followsDatabasePath = false;
};

// The four top-level menus, in the order of `Menu`.
std::span<const MenuEntry> menus();
// The nine items, in the order of `Item`.
std::span<const MenuItem> menuItems();

// The enabling rule: the items that follow the database path are enabled when it is not empty.
bool databaseCommandsEnabled();

} // namespace operations
