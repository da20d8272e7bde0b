// Calendar arithmetic for date fields and date criteria.
#include "calendar.h"

namespace dbf {

bool isValidDate(int year, int month, int day)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool daysSinceEpoch(int year, int month, int day, int32_t &days)
{
    if (!isValidDate(year, month, day))
        return false;
    // Days from civil (Howard Hinnant's algorithm).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    days = era * 146097 + dayOfEra - 719468;
    return true;
}

void civilFromJulianDay(int64_t julianDay, int &year, int &month, int &day)
{
    int64_t l = julianDay + 68569;
    const int64_t n = 4 * l / 146097;
    l = l - (146097 * n + 3) / 4;
    const int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    const int64_t j = 80 * l / 2447;
    day = static_cast<int>(l - 2447 * j / 80);
    l = j / 11;
    month = static_cast<int>(j + 2 - 12 * l);
    year = static_cast<int>(100 * (n - 49) + i + l);
}

} // namespace dbf
