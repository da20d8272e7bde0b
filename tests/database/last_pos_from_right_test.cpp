// LastPosFromRight: places counted from the right, separators of one and more characters, and
// the overflow of places beyond the 16-bit range.
#include "database/last_pos_from_right.h"
#include "support/case_name.h"
#include "support/qstring_printer.h"

#include <gtest/gtest.h>

using database::LastPosFromRight;

namespace {

struct PlaceCase
{
    const char *name;
    const char16_t *text;
    const char16_t *separator;
    qint16 place;
};

class Places : public ::testing::TestWithParam<PlaceCase>
{ };

TEST_P(Places, CountFromTheRightEnd)
{
    const PlaceCase &c = GetParam();
    const auto place =
            LastPosFromRight(QString::fromUtf16(c.text), QString::fromUtf16(c.separator));
    ASSERT_TRUE(place) << place.error().description.toStdString();
    EXPECT_EQ(*place, c.place);
}

INSTANTIATE_TEST_SUITE_P(
        Database, Places,
        ::testing::Values(PlaceCase {"SeparatorAbsent", u"Stationen", u"\\", 0},
                          PlaceCase {"EmptyText", u"", u"\\", 0},
                          PlaceCase {"LastCharacter", u"Funk\\", u"\\", 1},
                          PlaceCase {"FourCharactersEndingInSeparator", u"abc\\", u"\\", 1},
                          PlaceCase {"FourCharactersBeginningWithSeparator", u"\\abc", u"\\", 4},
                          PlaceCase {"WindowsPath", u"D:\\Funk\\Stationen.dbf", u"\\", 14},
                          PlaceCase {"DotOfFileName", u"Stationen.dbf", u".", 4},
                          PlaceCase {"LastOfSeveralDots", u"Liste.2003.dbf", u".", 4},
                          PlaceCase {"CaseSensitive", u"aBc", u"b", 0},
                          PlaceCase {"MultiCharacterLastOccurrence", u"a..b..cd", u"..", 3},
                          PlaceCase {"MultiCharacterInReadingOrder", u"xxabyy", u"ab", 3},
                          PlaceCase {"MultiCharacterReversedOnlyInText", u"xxbayy", u"ab", 0},
                          PlaceCase {"MultiCharacterPastStrayPart", u"x--y-z", u"--", 4},
                          PlaceCase {"MultiCharacterAbsent", u"a.b.c", u"..", 0},
                          PlaceCase {"EmptySeparator", u"abc", u"", 1},
                          PlaceCase {"EmptySeparatorInEmptyText", u"", u"", 0}),
        CaseName());

// A text of `length` characters whose only backslash stands at `place` counted from the right.
QString textWithSeparatorAt(qsizetype length, qsizetype place)
{
    QString text(length, u'x');
    text[length - place] = u'\\';
    return text;
}

TEST(LastPosFromRight, LargestPlaceFits)
{
    const auto place = LastPosFromRight(textWithSeparatorAt(40000, 32767), QStringLiteral("\\"));
    ASSERT_TRUE(place) << place.error().description.toStdString();
    EXPECT_EQ(*place, 32767);
}

TEST(LastPosFromRight, PlaceBeyondSixteenBitsIsOverflow)
{
    for (const qsizetype separatorPlace : {qsizetype(32768), qsizetype(40000)}) {
        const auto place =
                LastPosFromRight(textWithSeparatorAt(40000, separatorPlace), QStringLiteral("\\"));
        ASSERT_FALSE(place) << "separator at " << separatorPlace;
        EXPECT_EQ(place.error().number, 6);
        EXPECT_EQ(place.error().description, QStringLiteral("Überlauf"));
    }
}

TEST(LastPosFromRight, LongTextWithoutFarSeparatorFits)
{
    const QString longText(40000, u'x');
    const auto absent = LastPosFromRight(longText, QStringLiteral("\\"));
    ASSERT_TRUE(absent);
    EXPECT_EQ(*absent, 0);

    const auto near = LastPosFromRight(textWithSeparatorAt(40000, 5), QStringLiteral("\\"));
    ASSERT_TRUE(near);
    EXPECT_EQ(*near, 5);
}

} // namespace
