// The place of a separator's last occurrence counted from the right end of a text.
#include "database/last_pos_from_right.h"

#include <algorithm>
#include <limits>

namespace database {

Result<qint16> LastPosFromRight(const QString &text, const QString &separator)
{
    // The tail is the text read backwards, up to and including the nearest character that equals
    // the separator. Only a one-character separator can equal a character, so for a longer one
    // the tail is the whole text.
    QString tail;
    tail.reserve(text.size());
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar character = text.at(i);
        tail.append(character);
        if (separator.size() == 1 && character == separator.front())
            break;
    }
    if (tail.isEmpty())
        return qint16(0);

    // Read backwards, a separator shows up reversed; its first place in the tail is the place of
    // its last character counted from the right end of the text.
    QString reversedSeparator = separator;
    std::reverse(reversedSeparator.begin(), reversedSeparator.end());
    const qsizetype place = tail.indexOf(reversedSeparator) + 1;
    if (place > std::numeric_limits<qint16>::max())
        return overflowError();
    return static_cast<qint16>(place);
}

} // namespace database
