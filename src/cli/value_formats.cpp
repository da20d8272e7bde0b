// Typed JSON and plain CSV cells of values.
#include "value_formats.h"

#include "dbf/display.h"
#include "dbf/number_text.h"
#include "visible_text.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace cli {
namespace {

// yyyy-mm-dd
void appendIsoDate(const dbf::CalendarDate &date, std::string &out)
{
    char text[40];
    const int length =
            std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    out.append(text, static_cast<size_t>(length));
}

// hh:mm:ss, and .mmm where the value holds milliseconds.
void appendIsoTime(int32_t milliseconds, std::string &out)
{
    const int32_t seconds = milliseconds / 1000;
    char text[48];
    const int length = milliseconds % 1000
            ? std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", seconds / 3600,
                            seconds / 60 % 60, seconds % 60, milliseconds % 1000)
            : std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                            seconds % 60);
    out.append(text, static_cast<size_t>(length));
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Appends the stored digits in JSON's grammar: no '+', no leading zeros, a digit on both sides
// of the point ("+007.50" → 7.50, ".5" → 0.5, "5." → 5); false, appending nothing, for a binary
// double that is no number.
bool appendJsonNumber(std::string_view digits, std::string &out)
{
    if (!dbf::isNumberText(digits))
        return false; // nan, inf
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
    return true;
}

void appendBase64(std::string_view bytes, std::string &out)
{
    static const char alphabet[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
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
}

// The bytes that JSON strings escape, or that may begin a C1 control (0xC2): text without them
// is appended in one piece.
constexpr auto kMayNeedEscape = [] {
    std::array<bool, 256> may {};
    for (size_t c = 0; c < 0x20; ++c)
        may[c] = true;
    for (unsigned char c : {'"', '\\', '\x7F', '\xC2'})
        may[c] = true;
    return may;
}();

size_t firstMayNeedEscape(std::string_view text, size_t from)
{
    while (from < text.size() && !kMayNeedEscape[static_cast<unsigned char>(text[from])])
        ++from;
    return from;
}

// Appends `text` escaped for a JSON string, without the quotes.
void appendJsonEscaped(std::string_view text, std::string &out)
{
    static const char digits[] = "0123456789abcdef";
    auto escaped = [&](unsigned char byte) {
        out += "\\u00";
        out.push_back(digits[byte >> 4]);
        out.push_back(digits[byte & 0x0F]);
    };
    for (size_t done = 0, i = firstMayNeedEscape(text, 0); done < text.size();
         i = firstMayNeedEscape(text, done)) {
        out.append(text, done, i - done);
        if (i == text.size())
            return;
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        done = i + 1;
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
                escaped(static_cast<unsigned char>(text[i + 1]));
                done = i + 2;
            } else {
                out.push_back(c);
            }
        }
    }
}

} // namespace

void appendJsonString(std::string_view text, std::string &out)
{
    out.push_back('"');
    appendJsonEscaped(text, out);
    out.push_back('"');
}

bool appendJsonCharacter(std::string_view bytes, const dbf::TextDecoder &decoder, std::string &out)
{
    const size_t start = out.size();
    out.push_back('"');
    bool hasNul = false;
    if (!dbf::appendCharacterText(bytes, decoder, out, hasNul) || hasNul) {
        out.resize(start);
        return false;
    }
    // Decoded into place; escaped only when it holds what JSON escapes.
    if (const size_t at = firstMayNeedEscape(out, start + 1); at < out.size()) {
        const std::string rest = out.substr(at);
        out.resize(at);
        appendJsonEscaped(rest, out);
    }
    out.push_back('"');
    return true;
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
    case Kind::Number:
        if (!appendJsonNumber(value.text, out))
            out += "null";
        return;
    case Kind::Integer: {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value.integer).ptr;
        out.append(digits, end);
        return;
    }
    case Kind::Currency:
        out += dbf::currencyText(value.integer, '.');
        return;
    case Kind::Date:
        out.push_back('"');
        appendIsoDate(value.date, out);
        out.push_back('"');
        return;
    case Kind::DateTime:
        out.push_back('"');
        appendIsoDate(value.date, out);
        out.push_back('T');
        appendIsoTime(value.milliseconds, out);
        out.push_back('"');
        return;
    case Kind::Time:
        out.push_back('"');
        appendIsoTime(value.milliseconds, out);
        out.push_back('"');
        return;
    case Kind::Logical:
        out += value.logical ? "true" : "false";
        return;
    case Kind::Binary:
        out += "{\"$binary\":\"";
        appendBase64(value.bytes, out);
        out += "\"}";
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
        std::string number;
        return appendJsonNumber(value.text, number) ? number : shown;
    }
    case Kind::Currency:
        return dbf::currencyText(value.integer, '.');
    case Kind::Date:
    case Kind::DateTime:
    case Kind::Time: {
        std::string text;
        if (value.kind != Kind::Time)
            appendIsoDate(value.date, text);
        if (value.kind == Kind::DateTime)
            text.push_back(' ');
        if (value.kind != Kind::Date)
            appendIsoTime(value.milliseconds, text);
        return text;
    }
    case Kind::Logical:
        return value.logical ? "true" : "false";
    case Kind::Stars:
        return {}; // no value, as in JSON
    default:
        return shown;
    }
}

} // namespace cli
