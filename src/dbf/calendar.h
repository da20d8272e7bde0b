// Civil dates of the proleptic Gregorian calendar, as dBase date fields and criteria use them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dbf {

// Whether day, month and year (1 to 9999) name a day of the calendar.
bool isValidDate(int year, int month, int day);

// Days since 1.1.1970 of a valid date; false, leaving `days` alone, for an invalid one.
bool daysSinceEpoch(int year, int month, int day, int32_t &days);

// The year a date written with `digits` digits of year means: two-digit years as the platform
// read them, 00 to 29 this century, 30 to 99 the last; longer ones as they stand.
inline int fullYear(int year, size_t digits)
{
    return digits <= 2 ? year + (year < 30 ? 2000 : 1900) : year;
}

// The civil date of a Julian day number (Fliegel and Van Flandern).
void civilFromJulianDay(int64_t julianDay, int &year, int &month, int &day);

} // namespace dbf
