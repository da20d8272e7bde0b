// The one table of the viewer window's menus and the enabling rule.
#include "operations/menu_table.h"

#include "database/program_state.h"
#include "operations/filter_command.h"
#include "operations/reload_command.h"
#include "operations/restore_command.h"
#include "operations/search_command.h"
#include "operations/sort_command.h"

namespace operations {

std::span<const MenuEntry> menus()
{
    static const MenuEntry entries[kMenuCount] = {
            {Menu::mnuDat, QStringLiteral("&Datei")},
            {Menu::mnuBearb, QStringLiteral("&Bearbeiten")},
            {Menu::mnuSu, QStringLiteral("&Suchen")},
            {Menu::mnuH, QStringLiteral("&?")},
    };
    return entries;
}

std::span<const MenuItem> menuItems()
{
    using database::DatabaseWindow;
    static const MenuItem items[kItemCount] = {
            {.item = Item::mnuOpen,
             .menu = Menu::mnuDat,
             .caption = QStringLiteral("&Öffnen"),
             .shortcut = Qt::CTRL | Qt::Key_O,
             .run = [](DatabaseWindow &window,
                       const StartModule &start) { mnuOpen_Click(window, start.showOpenDialog); }},
            {.item = Item::mnuSortCall,
             .menu = Menu::mnuDat,
             .caption = QStringLiteral("&Neu laden"),
             .shortcut = Qt::CTRL | Qt::Key_N,
             .run = [](DatabaseWindow &window, const StartModule &) { mnuSortCall_Click(window); },
             .followsDatabasePath = true},
            {.item = Item::mnuEnde,
             .menu = Menu::mnuDat,
             .caption = QStringLiteral("B&eenden"),
             .shortcut = Qt::CTRL | Qt::Key_E,
             .run = [](DatabaseWindow &window, const StartModule &) { mnuEnde_Click(window); },
             .separatorBefore = true},
            {.item = Item::mnuFiltern,
             .menu = Menu::mnuBearb,
             .caption = QStringLiteral("&Filtern"),
             .shortcut = Qt::CTRL | Qt::Key_F,
             .run = [](DatabaseWindow &window, const StartModule &) { mnuFiltern_Click(window); },
             .followsDatabasePath = true},
            {.item = Item::mnuSortieren,
             .menu = Menu::mnuBearb,
             .caption = QStringLiteral("sor&tieren"),
             .shortcut = Qt::CTRL | Qt::Key_T,
             .run = [](DatabaseWindow &window, const StartModule &) { mnuSortieren_Click(window); },
             .followsDatabasePath = true},
            {.item = Item::mnuWiederherstellen,
             .menu = Menu::mnuBearb,
             .caption = QStringLiteral("&wiederherstellen"),
             .shortcut = Qt::CTRL | Qt::Key_W,
             .run = [](DatabaseWindow &window,
                       const StartModule &) { mnuWiederherstellen_Click(window); },
             .separatorBefore = true,
             .followsDatabasePath = true},
            {.item = Item::mnuSearch,
             .menu = Menu::mnuSu,
             .caption = QStringLiteral("S&uchen"),
             .shortcut = Qt::CTRL | Qt::Key_S,
             .run = [](DatabaseWindow &window, const StartModule &) { mnuSearch_Click(window); },
             .followsDatabasePath = true},
            {.item = Item::mnuHelp,
             .menu = Menu::mnuH,
             .caption = QStringLiteral("&Kurz-Hilfe"),
             .shortcut = Qt::Key_F1,
             .run = [](DatabaseWindow &, const StartModule &) { mnuHelp_Click(); }},
            {.item = Item::mnuInfo,
             .menu = Menu::mnuH,
             .caption = QStringLiteral("&Info"),
             .shortcut = Qt::Key_F2,
             .run = [](DatabaseWindow &window,
                       const StartModule &start) { mnuInfo_Click(window, start.loadStartScreen); }},
    };
    return items;
}

bool databaseCommandsEnabled()
{
    return !database::program().databasePath.isEmpty();
}

} // namespace operations
