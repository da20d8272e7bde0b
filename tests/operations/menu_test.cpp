// The menu table, and the short help, which needs no window.
#include "database/program_state.h"
#include "operations/menu_table.h"
#include "support/fake_platform.h"
#include "support/qstring_printer.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using operations::Item;
using operations::Menu;

TEST(MenuTable, HoldsEveryMenuAndItemOnceInTheirOrder)
{
    size_t index = 0;
    for (const operations::MenuEntry &entry : operations::menus())
        EXPECT_EQ(entry.menu, static_cast<Menu>(index++));
    EXPECT_EQ(index, operations::kMenuCount);
    index = 0;
    for (const operations::MenuItem &item : operations::menuItems())
        EXPECT_EQ(item.item, static_cast<Item>(index++));
    EXPECT_EQ(index, operations::kItemCount);
}

TEST(MenuTable, AccessKeysAreDistinctWithinEachMenu)
{
    // Inserts the access key of `caption` into `keys`; false if it was there already.
    const auto distinct = [](std::set<QString> &keys, const QString &caption) {
        return keys.insert(caption.mid(caption.indexOf('&') + 1, 1).toLower()).second;
    };
    std::set<QString> menuKeys;
    for (const operations::MenuEntry &entry : operations::menus()) {
        EXPECT_TRUE(distinct(menuKeys, entry.caption)) << entry.caption.toStdString();
        std::set<QString> itemKeys;
        for (const operations::MenuItem &item : operations::menuItems())
            EXPECT_TRUE(item.menu != entry.menu || distinct(itemKeys, item.caption))
                    << item.caption.toStdString();
    }
}

TEST(MenuTable, TheEnablingRuleFollowsTheDatabasePath)
{
    database::program() = {};
    EXPECT_FALSE(operations::databaseCommandsEnabled());
    database::program().databasePath = QStringLiteral("Funk.dbf");
    EXPECT_TRUE(operations::databaseCommandsEnabled());
    database::program() = {};
}

TEST(ProgramCommands, ShortHelpKeepsItsLinesAndBlanks)
{
    FakePlatform fake;
    database::program() = {};
    database::program().lineBreak = QStringLiteral("\r\n");
    operations::mnuHelp_Click();
    EXPECT_EQ(fake.boxes(), std::vector {boxes::shortHelp});
}

} // namespace
