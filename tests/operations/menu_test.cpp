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
    std::set<QString> menuKeys;
    for (const operations::MenuEntry &entry : operations::menus()) {
        const QString key = entry.caption.mid(entry.caption.indexOf('&') + 1, 1).toLower();
        EXPECT_TRUE(menuKeys.insert(key).second) << entry.caption.toStdString();
        std::set<QString> itemKeys;
        for (const operations::MenuItem &item : operations::menuItems()) {
            if (item.menu != entry.menu)
                continue;
            const QString itemKey = item.caption.mid(item.caption.indexOf('&') + 1, 1).toLower();
            EXPECT_TRUE(itemKeys.insert(itemKey).second) << item.caption.toStdString();
        }
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
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text,
              "Es ist noch keine ausführliche Hilfe vorhanden.     \r\n"
              "Wenn Sie aber den Mauszeiger über dem Fenster,      \r\n"
              "über das Sie etwas wissen möchten, stehen lassen,   \r\n"
              "so erscheint ein Hinweis.");
    EXPECT_EQ(fake.messages[0].title, "Kurzhilfe");
    EXPECT_EQ(fake.messages[0].style, 64);
}

} // namespace
