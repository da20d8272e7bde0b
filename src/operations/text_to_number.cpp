// Number and date tests and conversions of the filter.
#include "operations/text_to_number.h"

#include "dbf/calendar.h"

#include <QRegularExpression>
#include <cfloat>
#include <cmath>
#include <cstdio>

namespace operations {
namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int fullYear(const QString &year)
{
    return dbf::fullYear(year.toInt(), static_cast<size_t>(year.size()));
}

} // namespace

double TextToNumber(QString text)
{
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma >= 0)
        text[comma] = QLatin1Char('.');
    QString number;
    qsizetype i = 0;
    auto next = [&]() -> QChar {
        while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
            ++i;
        return i < text.size() ? text[i] : QChar();
    };
    if (next() == QLatin1Char('-') || next() == QLatin1Char('+'))
        number += text[i++];
    while (isDigit(next()))
        number += text[i++];
    if (next() == QLatin1Char('.')) {
        number += text[i++];
        while (isDigit(next()))
            number += text[i++];
    }
    const QChar e = next().toUpper();
    if (e == QLatin1Char('E') || e == QLatin1Char('D')) {
        QString exponent = QStringLiteral("E");
        ++i;
        if (next() == QLatin1Char('-') || next() == QLatin1Char('+'))
            exponent += text[i++];
        const qsizetype digitsStart = exponent.size();
        while (isDigit(next()))
            exponent += text[i++];
        if (exponent.size() > digitsStart)
            number += exponent;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : 0.0;
}

bool isNumeric(const QString &text)
{
    static const QRegularExpression pattern(
            QStringLiteral("^\\s*[+-]?\\s*(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?\\s*$"));
    return pattern.match(text).hasMatch();
}

bool isDate(const QString &text)
{
    // A time of day may follow after blanks; the criterion keeps it after the year.
    static const QString time =
            QStringLiteral("(\\s+([01]?\\d|2[0-3]):[0-5]\\d(:[0-5]\\d)?)?\\s*$");
    static const QRegularExpression dotted(
            QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{1,2})\\.(\\d{2}|\\d{4})") + time);
    static const QRegularExpression monthYear(QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{2}|\\d{4})")
                                              + time);
    static const QRegularExpression slashed(
            QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})") + time);
    for (const QRegularExpression *pattern : {&dotted, &slashed}) {
        const auto match = pattern->match(text);
        if (match.hasMatch())
            return dbf::isValidDate(fullYear(match.captured(3)), match.captured(2).toInt(),
                                    match.captured(1).toInt());
    }
    const auto match = monthYear.match(text);
    return match.hasMatch()
            && dbf::isValidDate(fullYear(match.captured(2)), match.captured(1).toInt(), 1);
}

database::Result<QString> singleText(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX)
        return database::overflowError();
    const float single = static_cast<float>(value);
    char text[64];
    std::snprintf(text, sizeof text, "%.7G", static_cast<double>(single));
    return QString::fromLatin1(text).replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace operations
