// Decoding of field bytes to display text, one function per type letter.
#include "field_text.h"

#include "calendar.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace dbf {
namespace {

using Decode = FieldText (*)(const Field &, std::string_view, const FieldContext &);

bool isBlank(char c)
{
    return c == ' ' || c == '\0';
}

std::string_view trimRight(std::string_view text)
{
    // Eight bytes at a time while all are blanks or NULs: the only bytes that OR 0x20 makes 0x20.
    constexpr uint64_t kBlanks = 0x2020202020202020ull;
    size_t end = text.size();
    for (uint64_t word; end >= 8; end -= 8) {
        std::memcpy(&word, text.data() + end - 8, 8);
        if ((word | kBlanks) != kBlanks)
            break;
    }
    while (end > 0 && isBlank(text[end - 1]))
        --end;
    return text.substr(0, end);
}

std::string_view trim(std::string_view text)
{
    text = trimRight(text);
    size_t begin = 0;
    while (begin < text.size() && isBlank(text[begin]))
        ++begin;
    return text.substr(begin);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

FieldText rawText(std::string_view bytes, const FieldContext &context)
{
    return {context.decoder.decode(trim(bytes)), true, false};
}

FieldText characterText(const Field &, std::string_view bytes, const FieldContext &context)
{
    // Trailing NULs pad values of some writers the way blanks do; a NUL inside the text is no
    // character of any code page (dbase_03_nullchar.dbf), so such a value is flagged.
    const std::string_view value = trimRight(bytes);
    return {context.decoder.decode(value), value.find('\0') != std::string_view::npos, false};
}

// The bytes a V or Q field holds: when its bit in _NullFlags is set, the last byte of the
// field gives the length of a shorter value.
std::string_view varLengthBytes(const Field &field, std::string_view bytes,
                                const FieldContext &context)
{
    if (field.varLengthBit < 0 || bytes.empty())
        return bytes;
    const size_t byteIndex = static_cast<size_t>(field.varLengthBit) / 8;
    if (byteIndex >= context.nullFlags.size())
        return bytes;
    const bool shorter =
            static_cast<uint8_t>(context.nullFlags[byteIndex]) & (1u << (field.varLengthBit % 8));
    if (!shorter)
        return bytes;
    const size_t length = static_cast<uint8_t>(bytes.back());
    return bytes.substr(0, std::min(length, bytes.size() - 1));
}

FieldText varcharText(const Field &field, std::string_view bytes, const FieldContext &context)
{
    return characterText(field, varLengthBytes(field, bytes, context), context);
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

FieldText varbinaryText(const Field &field, std::string_view bytes, const FieldContext &context)
{
    return {hex(varLengthBytes(field, bytes, context)), false, false};
}

// Sign, digits, at most one decimal point, optional exponent: the forms N and F fields hold.
bool isNumberText(std::string_view text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const size_t exponentStart = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        if (i == exponentStart)
            return false;
    }
    return i == text.size();
}

FieldText numberText(const Field &, std::string_view bytes, const FieldContext &context)
{
    const std::string_view value = trim(bytes);
    if (value.empty())
        return {};
    if (!isNumberText(value))
        return rawText(value, context); // "*****" of an overflow, stray letters
    std::string text(value);
    for (char &c : text) {
        if (c == '.')
            c = ',';
    }
    return {std::move(text), false, false};
}

std::string dateText(int year, int month, int day)
{
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

int digitsValue(std::string_view digits)
{
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

FieldText dateFieldText(const Field &, std::string_view bytes, const FieldContext &context)
{
    const std::string_view value = trim(bytes);
    if (value.empty() || value.find_first_not_of('0') == std::string_view::npos)
        return {};
    if (value.size() != 8 || !std::all_of(value.begin(), value.end(), isDigit))
        return rawText(value, context);
    const int year = digitsValue(value.substr(0, 4));
    const int month = digitsValue(value.substr(4, 2));
    const int day = digitsValue(value.substr(6, 2));
    if (!isValidDate(year, month, day))
        return rawText(value, context);
    return {dateText(year, month, day), false, false};
}

FieldText logicalText(const Field &, std::string_view bytes, const FieldContext &context)
{
    if (bytes.empty())
        return {};
    switch (bytes[0]) {
    case 'T':
    case 't':
    case 'Y':
    case 'y':
    case 'J':
    case 'j':
        return {"Wahr", false, false};
    case 'F':
    case 'f':
    case 'N':
    case 'n':
        return {"Falsch", false, false};
    case ' ':
    case '?':
    case '\0':
        return {};
    default:
        return rawText(bytes, context);
    }
}

uint32_t le32(std::string_view b)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(b[i]);
    return value;
}

uint64_t le64(std::string_view b)
{
    return uint64_t(le32(b.substr(4))) << 32 | le32(b);
}

uint64_t be64(std::string_view b)
{
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = value << 8 | static_cast<uint8_t>(b[i]);
    return value;
}

std::string withComma(std::string text)
{
    for (char &c : text) {
        if (c == '.')
            c = ',';
    }
    return text;
}

std::string doubleText(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "NaN" : value > 0 ? "∞" : "-∞";
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return withComma(std::string(text, result.ptr));
}

// dBase 7 stores numbers so that their bytes sort like the numbers: big-endian, with the sign
// bit flipped for positive values and every bit flipped for negative ones.
uint64_t unflipped(uint64_t bits)
{
    return (bits & 0x8000000000000000ull) ? bits ^ 0x8000000000000000ull : ~bits;
}

FieldText integerText(const Field &, std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 4)
        return rawText(bytes, context);
    if (context.dialect == Dialect::DBase7) {
        uint32_t bits = 0;
        for (char c : bytes)
            bits = bits << 8 | static_cast<uint8_t>(c);
        return {std::to_string(static_cast<int32_t>(bits ^ 0x80000000u)), false, false};
    }
    return {std::to_string(static_cast<int32_t>(le32(bytes))), false, false};
}

double bitsToDouble(uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

FieldText dBase7DoubleText(const Field &, std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 8)
        return rawText(bytes, context);
    uint64_t bits = be64(bytes);
    // javadbf writes O fields into other tables with only the sign bit flipped (numbers2.dbf:
    // -1 stored as 3FF0000000000000), dBase 7 itself inverts negatives whole (dBaseVII_double.dbf).
    bits = context.dialect == Dialect::DBase7 ? unflipped(bits) : bits ^ 0x8000000000000000ull;
    return {doubleText(bitsToDouble(bits)), false, false};
}

FieldText currencyText(const Field &, std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 8)
        return rawText(bytes, context);
    const auto value = static_cast<int64_t>(le64(bytes));
    // Four decimals, as Visual FoxPro shows currency; computed on the magnitude so that the
    // smallest int64 does not overflow.
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : uint64_t(value);
    char text[40];
    std::snprintf(text, sizeof text, "%s%llu,%04llu", value < 0 ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned long long>(magnitude % 10000));
    return {text, false, false};
}

std::string dateTimeText(int64_t jdn, int64_t milliseconds)
{
    int year, month, day;
    civilFromJulianDay(jdn, year, month, day);
    const int64_t seconds = milliseconds / 1000;
    char time[48];
    std::snprintf(time, sizeof time, " %02d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return dateText(year, month, day) + time;
}

constexpr int64_t kMillisecondsPerDay = 86400000;
constexpr int64_t kMaxJulianDay = 5373484; // 31.12.9999

FieldText foxDateTimeText(const Field &, std::string_view bytes, const FieldContext &context)
{
    // Visual FoxPro: Julian day number, then milliseconds since midnight, both little-endian
    if (bytes.size() != 8)
        return rawText(bytes, context);
    const auto jdn = static_cast<int32_t>(le32(bytes));
    const auto milliseconds = static_cast<int32_t>(le32(bytes.substr(4)));
    if (jdn == 0 && milliseconds == 0)
        return {};
    if (jdn <= 0 || jdn > kMaxJulianDay || milliseconds < 0 || milliseconds >= kMillisecondsPerDay)
        return {hex(bytes), true, false};
    return {dateTimeText(jdn, milliseconds), false, false};
}

FieldText timestampText(const Field &, std::string_view bytes, const FieldContext &context)
{
    // dBase 7: milliseconds since 1.1.0001 as a big-endian double (dBaseVII.dbf of php-xbase:
    // 1.1.1800 01:01:01 is day 657072 of that count)
    if (bytes.size() != 8)
        return rawText(bytes, context);
    if (trim(bytes).empty())
        return {};
    const double milliseconds = bitsToDouble(be64(bytes));
    constexpr int64_t kJulianDayOfDayZero = 1721425;
    if (!(milliseconds >= kMillisecondsPerDay
          && milliseconds < double(kMaxJulianDay - kJulianDayOfDayZero) * kMillisecondsPerDay))
        return {hex(bytes), true, false};
    const auto total = static_cast<int64_t>(std::llround(milliseconds));
    return {dateTimeText(total / kMillisecondsPerDay + kJulianDayOfDayZero,
                         total % kMillisecondsPerDay),
            false, false};
}

std::string binaryText(size_t size)
{
    return "(Binärdaten, " + std::to_string(size) + " Bytes)";
}

FieldText memoText(const Field &field, std::string_view bytes, const FieldContext &context)
{
    uint64_t block = 0;
    if (!memoBlockNumber(bytes, block))
        return rawText(bytes, context);
    if (block == 0 || !context.memo)
        return {};
    const MemoValue memo = context.memo->read(block);
    const bool binary = memo.binary || field.type == 'G' || field.type == 'P' || field.type == 'W'
            || (field.type == 'B' && context.dialect != Dialect::VisualFoxPro);
    if (binary)
        return {binaryText(memo.bytes.size()), !memo.problem.empty(), false};
    std::string_view text = memo.bytes;
    while (!text.empty() && (text.back() == '\0' || text.back() == '\x1A'))
        text.remove_suffix(1);
    // Pictures stored in text memos (dBaseIV.dbf, Foxpro2.dbf of php-xbase) give themselves
    // away by NUL bytes, which no memo text holds.
    if (text.find('\0') != std::string_view::npos)
        return {binaryText(memo.bytes.size()), !memo.problem.empty(), false};
    return {context.decoder.decode(text), !memo.problem.empty(), false};
}

FieldText doubleFieldText(const Field &field, std::string_view bytes, const FieldContext &context)
{
    if (field.isMemo(context.dialect))
        return memoText(field, bytes, context);
    if (bytes.size() != 8)
        return rawText(bytes, context);
    return {doubleText(bitsToDouble(le64(bytes))), false, false};
}

FieldText nullFlagsText(const Field &, std::string_view bytes, const FieldContext &)
{
    return {hex(bytes), false, false};
}

struct TypeEntry
{
    char type;
    Decode decode;
};

constexpr TypeEntry kTypes[] = {
        {'C', characterText}, {'V', varcharText},     {'Q', varbinaryText},
        {'N', numberText},    {'F', numberText},      {'D', dateFieldText},
        {'L', logicalText},   {'M', memoText},        {'G', memoText},
        {'P', memoText},      {'W', memoText},        {'B', doubleFieldText},
        {'I', integerText},   {'+', integerText},     {'O', dBase7DoubleText},
        {'Y', currencyText},  {'T', foxDateTimeText}, {'@', timestampText},
        {'0', nullFlagsText},
};

bool isNull(const Field &field, const FieldContext &context)
{
    if (field.nullBit < 0)
        return false;
    const size_t byteIndex = static_cast<size_t>(field.nullBit) / 8;
    return byteIndex < context.nullFlags.size()
            && (static_cast<uint8_t>(context.nullFlags[byteIndex]) & (1u << (field.nullBit % 8)));
}

} // namespace

bool memoBlockNumber(std::string_view bytes, uint64_t &block)
{
    block = 0;
    if (bytes.size() == 4) { // Visual FoxPro: binary, little-endian
        block = le32(bytes);
        return true;
    }
    // dBase and FoxPro 2: decimal digits, blank- or zero-padded
    const std::string_view digits = trim(bytes);
    if (!std::all_of(digits.begin(), digits.end(), isDigit) || digits.size() > 19)
        return false;
    for (char c : digits)
        block = block * 10 + static_cast<uint64_t>(c - '0');
    return true;
}

FieldText fieldText(const Field &field, std::string_view bytes, const FieldContext &context)
{
    if (isNull(field, context))
        return {{}, false, true};
    for (const TypeEntry &entry : kTypes) {
        if (entry.type == field.type)
            return entry.decode(field, bytes, context);
    }
    return rawText(bytes, context); // a type this reader does not know
}

} // namespace dbf
