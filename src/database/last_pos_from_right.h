// The place of a separator's last occurrence counted from the right end of a text, used to split
// paths and file names.
#pragma once

#include "database/run_time_error.h"

#include <QString>
#include <QtGlobal>

namespace database {

// Returns the 1-based place, counted from the right end of `text`, of the last occurrence of
// `separator`; the comparison is exact (case-sensitive) on 16-bit characters.
//
// For a one-character separator that is 1 when it is the last character of the text and the
// text's length when it is the first, so the rightmost (result - 1) characters follow the
// separator and the leftmost (length - result) characters precede it. For a separator of two or
// more characters it is the place of the last character of its last occurrence. The result is 0
// when the separator does not occur and for an empty text; an empty separator is found at place
// 1 of any other text.
//
// The result is a 16-bit signed integer: a place above 32767 fails with the overflow error
// (number 6, "Überlauf"), which the caller reports as its own failure.
Result<qint16> LastPosFromRight(const QString &text, const QString &separator);

} // namespace database
