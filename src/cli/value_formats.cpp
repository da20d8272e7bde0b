// Typed JSON and plain CSV cells of values.
#include "value_formats.h"

#include "dbf/display.h"
#include "dbf/number_text.h"
#include "visible_text.h"

#include <cstdio>

namespace cli {
namespace {

std::string isoDate(const dbf::CalendarDate &date)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

// hh:mm:ss, and .mmm where the value holds milliseconds.
std::string isoTime(int32_t milliseconds)
{
    const int32_t seconds = milliseconds / 1000;
    char text[32];
    if (milliseconds % 1000)
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", seconds / 3600, seconds / 60 % 60,
                      seconds % 60, milliseconds % 1000);
    else
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    return text;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The stored digits in JSON's grammar: no '+', no leading zeros, a digit on both sides of the
// point ("+007.50" → 7.50, ".5" → 0.5, "5." → 5); "" for a binary double that is no number.
std::string jsonNumber(std::string_view digits)
{
    if (!dbf::isNumberText(digits))
        return {}; // nan, inf
    std::string out;
    size_t i = 0;
    if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) {
        if (digits[i] == '-')
            out.push_back('-');
        ++i;
    }
    while (i + 1 < digits.size() && digits[i] == '0' && isDigit(digits[i + 1]))
        ++i;
    if (digits[i] == '.')
        out.push_back('0');
    for (; i < digits.size(); ++i) {
        if (digits[i] == '.' && (i + 1 >= digits.size() || !isDigit(digits[i + 1])))
            continue; // "5." and "5.e3"
        out.push_back(digits[i]);
    }
    return out;
}

std::string base64(std::string_view bytes)
{
    static const char alphabet[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<uint8_t>(bytes[i + 2]);
        out.push_back(alphabet[group >> 18 & 63]);
        out.push_back(alphabet[group >> 12 & 63]);
        out.push_back(i + 1 < bytes.size() ? alphabet[group >> 6 & 63] : '=');
        out.push_back(i + 2 < bytes.size() ? alphabet[group & 63] : '=');
    }
    return out;
}

} // namespace

void appendJsonString(std::string_view text, std::string &out)
{
    static const char digits[] = "0123456789abcdef";
    auto escaped = [&](unsigned char byte) {
        out += "\\u00";
        out.push_back(digits[byte >> 4]);
        out.push_back(digits[byte & 0x0F]);
    };
    out.push_back('"');
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            // JSON needs only C0 escaped; DEL and the C1 controls (UTF-8 0xC2 0x80 to 0x9F) are
            // escaped too, so that JSON shown on a terminal cannot steer it either.
            if (byte < 0x20 || byte == 0x7F) {
                escaped(byte);
            } else if (isC1ControlAt(text, i)) {
                escaped(static_cast<unsigned char>(text[++i]));
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
}

void appendJson(const dbf::Value &value, const std::string &shown, std::string &out)
{
    using Kind = dbf::Value::Kind;
    if (value.flagged()) {
        out += "{\"$invalid\":";
        appendJsonString(shown, out);
        out += ",\"reason\":";
        appendJsonString(value.problem, out);
        out.push_back('}');
        return;
    }
    switch (value.kind) {
    case Kind::Empty:
    case Kind::Stars:
    case Kind::Null:
    case Kind::Invalid:
        out += "null";
        return;
    case Kind::Text:
        appendJsonString(value.text, out);
        return;
    case Kind::Number: {
        const std::string number = jsonNumber(value.text);
        out += number.empty() ? "null" : number;
        return;
    }
    case Kind::Integer:
        out += std::to_string(value.integer);
        return;
    case Kind::Currency:
        out += dbf::currencyText(value.integer, '.');
        return;
    case Kind::Date:
        appendJsonString(isoDate(value.date), out);
        return;
    case Kind::DateTime:
        appendJsonString(isoDate(value.date) + 'T' + isoTime(value.milliseconds), out);
        return;
    case Kind::Time:
        appendJsonString(isoTime(value.milliseconds), out);
        return;
    case Kind::Logical:
        out += value.logical ? "true" : "false";
        return;
    case Kind::Binary:
        out += "{\"$binary\":\"" + base64(value.bytes) + "\"}";
        return;
    }
}

std::string textBeforeNul(std::string text)
{
    cutAtNul(text, 0);
    return text;
}

void cutAtNul(std::string &text, size_t from)
{
    if (const size_t nul = text.find('\0', from); nul != std::string::npos)
        text.resize(nul);
}

std::string plainText(const dbf::Value &value, const std::string &shown)
{
    using Kind = dbf::Value::Kind;
    if (value.flagged())
        return shown;
    switch (value.kind) {
    case Kind::Number: {
        std::string number = jsonNumber(value.text);
        return number.empty() ? shown : number;
    }
    case Kind::Currency:
        return dbf::currencyText(value.integer, '.');
    case Kind::Date:
        return isoDate(value.date);
    case Kind::DateTime:
        return isoDate(value.date) + ' ' + isoTime(value.milliseconds);
    case Kind::Time:
        return isoTime(value.milliseconds);
    case Kind::Logical:
        return value.logical ? "true" : "false";
    case Kind::Stars:
        return {}; // no value, as in JSON
    default:
        return shown;
    }
}

} // namespace cli
