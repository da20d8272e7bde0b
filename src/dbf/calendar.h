// Civil dates of the proleptic Gregorian calendar, as dBase date fields and criteria use them.
#pragma once

#include <cstdint>

namespace dbf {

// Whether day, month and year (1 to 9999) name a day of the calendar.
bool isValidDate(int year, int month, int day);

// Days since 1.1.1970 of a valid date; false, leaving `days` alone, for an invalid one.
bool daysSinceEpoch(int year, int month, int day, int32_t &days);

// The civil date of a Julian day number (Fliegel and Van Flandern).
void civilFromJulianDay(int64_t julianDay, int &year, int &month, int &day);

} // namespace dbf
