// The German text of a value, as the viewer and talvo-dbf show it.
#include "display.h"

#include <cstdio>

namespace dbf {
namespace {

std::string withComma(std::string text)
{
    for (char &c : text) {
        if (c == '.')
            c = ',';
    }
    return text;
}

// Binary doubles that are no number, in the forms readers know.
std::string numberText(std::string digits)
{
    const bool letters = !digits.empty() && (digits.back() == 'n' || digits.back() == 'f');
    if (!letters)
        return withComma(std::move(digits));
    if (digits == "nan" || digits == "-nan")
        return "NaN";
    if (digits == "inf")
        return "∞";
    if (digits == "-inf")
        return "-∞";
    return withComma(std::move(digits));
}

std::string dateText(const CalendarDate &date)
{
    const auto [year, month, day] = date;
    if (year < 0 || year > 9999 || month < 0 || month > 99 || day < 0 || day > 99) {
        char text[40];
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", day, month, year);
        return text;
    }
    // The usual case without formatted output, which costs more than the rest of a record.
    std::string text = "00.00.0000";
    auto put = [&](size_t end, int value, int digits) {
        for (; digits > 0; --digits, value /= 10)
            text[--end] = static_cast<char>('0' + value % 10);
    };
    put(2, day, 2);
    put(5, month, 2);
    put(10, year, 4);
    return text;
}

std::string dateTimeText(const CalendarDate &date, int32_t milliseconds)
{
    const int32_t seconds = milliseconds / 1000;
    char time[48];
    std::snprintf(time, sizeof time, " %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return dateText(date) + time;
}

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        text.push_back(digits[static_cast<uint8_t>(c) >> 4]);
        text.push_back(digits[static_cast<uint8_t>(c) & 0x0F]);
    }
    return text;
}

} // namespace

std::string display(const Value &value)
{
    switch (value.kind) {
    case Value::Kind::Empty:
    case Value::Kind::Null:
        return {};
    case Value::Kind::Text:
        return value.text;
    case Value::Kind::Invalid:
        return value.hexShown ? hex(value.bytes) : value.text;
    case Value::Kind::Number:
        return numberText(value.text);
    case Value::Kind::Integer:
        return std::to_string(value.integer);
    case Value::Kind::Currency:
        return currencyText(value.integer, ',');
    case Value::Kind::Date:
        return dateText(value.date);
    case Value::Kind::DateTime:
        return dateTimeText(value.date, value.milliseconds);
    case Value::Kind::Logical:
        return value.logical ? "Wahr" : "Falsch";
    case Value::Kind::Binary:
        return value.hexShown ? hex(value.bytes)
                              : "(Binärdaten, " + std::to_string(value.bytes.size()) + " Bytes)";
    }
    return {};
}

std::string display(Value &&value)
{
    if (value.kind == Value::Kind::Number)
        return numberText(std::move(value.text));
    const bool text = value.kind == Value::Kind::Text
            || (value.kind == Value::Kind::Invalid && !value.hexShown);
    return text ? std::move(value.text) : display(value);
}

std::string currencyText(int64_t tenThousandths, char point)
{
    // Four decimals, as Visual FoxPro shows currency; computed on the magnitude so that the
    // smallest int64 does not overflow.
    const uint64_t magnitude = tenThousandths < 0 ? 0 - static_cast<uint64_t>(tenThousandths)
                                                  : static_cast<uint64_t>(tenThousandths);
    char text[40];
    std::snprintf(text, sizeof text, "%s%llu%c%04llu", tenThousandths < 0 ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000), point,
                  static_cast<unsigned long long>(magnitude % 10000));
    return text;
}

FieldText shownText(Value &&value)
{
    const bool flagged = value.flagged(), null = value.kind == Value::Kind::Null;
    return {display(std::move(value)), flagged, null};
}

} // namespace dbf
