// The German text of a value, as the viewer and talvo-dbf show it.
#include "display.h"

#include <cstdio>

namespace dbf {
namespace {

void appendWithComma(std::string_view text, std::string &out)
{
    const size_t start = out.size();
    out += text;
    for (size_t i = start; i < out.size(); ++i) {
        if (out[i] == '.')
            out[i] = ',';
    }
}

// Binary doubles that are no number, in the forms readers know.
void appendNumber(std::string_view digits, std::string &out)
{
    if (digits == "nan" || digits == "-nan")
        out += "NaN";
    else if (digits == "inf")
        out += "∞";
    else if (digits == "-inf")
        out += "-∞";
    else
        appendWithComma(digits, out);
}

void appendDate(const CalendarDate &date, std::string &out)
{
    const auto [year, month, day] = date;
    if (year < 0 || year > 9999 || month < 0 || month > 99 || day < 0 || day > 99) {
        char text[40];
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", day, month, year);
        out += text;
        return;
    }
    // The usual case without formatted output, which costs more than the rest of a record.
    const size_t start = out.size();
    out += "00.00.0000";
    auto put = [&](size_t end, int value, int digits) {
        for (; digits > 0; --digits, value /= 10)
            out[start + --end] = static_cast<char>('0' + value % 10);
    };
    put(2, day, 2);
    put(5, month, 2);
    put(10, year, 4);
}

void appendTime(int32_t milliseconds, std::string &out)
{
    const int32_t seconds = milliseconds / 1000;
    char time[48];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    out += time;
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

void appendDisplay(const Value &value, std::string &out)
{
    switch (value.kind) {
    case Value::Kind::Empty:
    case Value::Kind::Null:
        return;
    case Value::Kind::Text:
    case Value::Kind::Stars:
        out += value.text;
        return;
    case Value::Kind::Invalid:
        out += value.hexShown ? hex(value.bytes) : value.text;
        return;
    case Value::Kind::Number:
        appendNumber(value.text, out);
        return;
    case Value::Kind::Integer:
        out += std::to_string(value.integer);
        return;
    case Value::Kind::Currency:
        out += currencyText(value.integer, ',');
        return;
    case Value::Kind::Date:
        appendDate(value.date, out);
        return;
    case Value::Kind::DateTime:
        appendDate(value.date, out);
        out += ' ';
        appendTime(value.milliseconds, out);
        return;
    case Value::Kind::Time:
        appendTime(value.milliseconds, out);
        return;
    case Value::Kind::Logical:
        out += value.logical ? "Wahr" : "Falsch";
        return;
    case Value::Kind::Binary:
        out += value.hexShown ? hex(value.bytes)
                              : "(Binärdaten, " + std::to_string(value.bytes.size()) + " Bytes)";
        return;
    }
}

std::string display(const Value &value)
{
    std::string text;
    appendDisplay(value, text);
    return text;
}

std::string display(Value &&value)
{
    const bool text = value.kind == Value::Kind::Text || value.kind == Value::Kind::Stars
            || (value.kind == Value::Kind::Invalid && !value.hexShown);
    return text ? std::move(value.text) : display(value);
}

std::string currencyText(int64_t tenThousandths, char point)
{
    // Four decimals, as Visual FoxPro shows currency.
    std::string text = decimalText(tenThousandths, 4);
    text[text.size() - 5] = point;
    return text;
}

FieldText shownText(Value &&value)
{
    const bool flagged = value.flagged(), null = value.kind == Value::Kind::Null;
    return {display(std::move(value)), flagged, null};
}

} // namespace dbf
