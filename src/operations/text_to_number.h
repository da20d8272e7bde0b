// The locale-aware number and date tests of the filter, for a German user, and the number
// conversions it uses.
#pragma once

#include "database/run_time_error.h"

#include <QString>

namespace operations {

// The leading decimal number of `text`: its first comma becomes a point, blanks are ignored,
// an exponent may follow; 0 when the text does not begin with a number. «1,5» gives 1.5,
// «1.000» gives 1, «1.000,5» gives 1.
double TextToNumber(QString text);

// Blanks aside, an optional sign, digits with at most one decimal comma or point, and an
// optional exponent.
bool isNumeric(const QString &text);

// A valid day.month.year, month.year or day/month/year, with a two- or four-digit year, and
// optionally a time of day h:mm or h:mm:ss after blanks.
bool isDate(const QString &text);

// `value` rounded to single precision and written with at most seven significant digits and a
// decimal comma ("1,5", "1,234568E+07"). Fails with the overflow error beyond single range.
database::Result<QString> singleText(double value);

} // namespace operations
