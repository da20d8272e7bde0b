// LastPosFromRight: places counted from the right, separators of one and more characters, and
// the overflow of places beyond the 16-bit range.
#include "database/last_pos_from_right.h"
#include "support/qstring_printer.h"

#include <gtest/gtest.h>

using database::LastPosFromRight;

namespace {

// A text of `length` characters whose only backslash stands at `place` counted from the right.
QString textWithSeparatorAt(qsizetype length, qsizetype place)
{
    QString text(length, u'x');
    text[length - place] = u'\\';
    return text;
}

TEST(LastPosFromRight, CountsFromTheRightEndUpToSixteenBits)
{
    struct Case
    {
        QString text, separator, place; // the place, or the error as "Fehler 6: Überlauf"
    };
    const QString overflow = QStringLiteral("Fehler 6: Überlauf");
    const Case cases[] = {
            {"Stationen", "\\", "0"},
            {"", "\\", "0"},
            {"Funk\\", "\\", "1"},
            {"abc\\", "\\", "1"},
            {"\\abc", "\\", "4"},
            {"D:\\Funk\\Stationen.dbf", "\\", "14"},
            {"Stationen.dbf", ".", "4"},
            {"Liste.2003.dbf", ".", "4"},
            {"aBc", "b", "0"}, // case-sensitive
            {"a..b..cd", "..", "3"},
            {"xxabyy", "ab", "3"},
            {"xxbayy", "ab", "0"}, // a separator reversed only in the text
            {"x--y-z", "--", "4"},
            {"a.b.c", "..", "0"},
            {"abc", "", "1"},
            {"", "", "0"},
            {textWithSeparatorAt(40000, 32767), "\\", "32767"},
            {textWithSeparatorAt(40000, 32768), "\\", overflow},
            {textWithSeparatorAt(40000, 40000), "\\", overflow},
            {QString(40000, u'x'), "\\", "0"},
            {textWithSeparatorAt(40000, 5), "\\", "5"},
    };
    for (const Case &c : cases) {
        const auto place = LastPosFromRight(c.text, c.separator);
        EXPECT_EQ(place ? QString::number(*place)
                        : QStringLiteral("Fehler %1: %2")
                                  .arg(place.error().number)
                                  .arg(place.error().description),
                  c.place)
                << c.text.left(20).toStdString() << " (" << c.text.size() << ") "
                << c.separator.toStdString();
    }
}

} // namespace
