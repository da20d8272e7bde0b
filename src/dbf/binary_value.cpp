// Decoding of the binary field types: integers, doubles, currency, times and date-times.
#include "binary_value.h"

#include "ascii.h"
#include "byte_order.h"
#include "calendar.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace dbf {
namespace {

constexpr const char *kWrongLength = "falsche Feldlänge für den Typ";

constexpr int64_t kMillisecondsPerDay = 86400000;
constexpr int64_t kMaxJulianDay = 5373484; // 31.12.9999

constexpr const char *kNoDateTime = "kein Zeitpunkt zwischen 1.1.0001 und 31.12.9999";

// Bytes of a binary type that are no value of it, shown in hex.
Value invalidBinary(std::string_view bytes, std::string problem)
{
    Value value;
    value.kind = Value::Kind::Invalid;
    value.bytes = bytes;
    value.hexShown = true;
    value.problem = std::move(problem);
    return value;
}

Value doubleValue(double number)
{
    Value value;
    value.kind = Value::Kind::Number;
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, number); // shortest exact digits
    value.text.assign(text, result.ptr);
    return value;
}

Value integerValue(Value::Kind kind, int64_t integer)
{
    Value value;
    value.kind = kind;
    value.integer = integer;
    return value;
}

// dBase 7 stores numbers so that their bytes sort like the numbers: big-endian, with the sign
// bit flipped for positive values and every bit flipped for negative ones.
uint64_t unflipped(uint64_t bits)
{
    return (bits & 0x8000000000000000ull) ? bits ^ 0x8000000000000000ull : ~bits;
}

// dBase 7 leaves a number it has no value for all zero bytes; no number it writes looks so
// (zero is stored with the sign bit set).
bool isDBase7Blank(std::string_view bytes)
{
    return bytes.find_first_not_of('\0') == std::string_view::npos;
}

double bitsToDouble(uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Value dateTimeValue(int64_t julianDay, int64_t milliseconds)
{
    Value value;
    value.kind = Value::Kind::DateTime;
    civilFromJulianDay(julianDay, value.date.year, value.date.month, value.date.day);
    value.milliseconds = static_cast<int32_t>(milliseconds);
    return value;
}

// dBase 7 keeps I and + in 4 bytes, big-endian with the sign bit flipped.
Value dBase7IntegerValue(std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 4)
        return invalidValue(bytes, context, kWrongLength);
    if (isDBase7Blank(bytes))
        return {}; // bug102.dbf of javadbf: blank I fields
    return integerValue(Value::Kind::Integer, static_cast<int32_t>(be32(bytes) ^ 0x80000000u));
}

// Harbour's T of 4 bytes: milliseconds since midnight, little-endian, no day. All zero bytes,
// which Harbour writes into a new record, are read like an empty 8-byte T.
Value timeOfDayValue(std::string_view bytes)
{
    const auto milliseconds = static_cast<int32_t>(le32(bytes));
    if (milliseconds == 0)
        return {};
    if (milliseconds < 0 || milliseconds >= kMillisecondsPerDay)
        return invalidBinary(bytes, "keine Uhrzeit zwischen 00:00:00 und 23:59:59");
    Value value;
    value.kind = Value::Kind::Time;
    value.milliseconds = milliseconds;
    return value;
}

Value dBase7TimestampValue(std::string_view bytes, const FieldContext &context)
{
    // dBase 7: milliseconds since 1.1.0001 as a big-endian double (dBaseVII.dbf of php-xbase:
    // 1.1.1800 01:01:01 is day 657072 of that count)
    if (bytes.size() != 8)
        return invalidValue(bytes, context, kWrongLength);
    if (withoutPadding(bytes).empty())
        return {};
    const double milliseconds = bitsToDouble(be64(bytes));
    constexpr int64_t kJulianDayOfDayZero = 1721425;
    if (!(milliseconds >= kMillisecondsPerDay
          && milliseconds < double(kMaxJulianDay - kJulianDayOfDayZero) * kMillisecondsPerDay))
        return invalidBinary(bytes, kNoDateTime);
    const auto total = static_cast<int64_t>(std::llround(milliseconds));
    return dateTimeValue(total / kMillisecondsPerDay + kJulianDayOfDayZero,
                         total % kMillisecondsPerDay);
}

} // namespace

// Visual FoxPro's I, and Harbour's I, + and ^: signed little-endian integers. Harbour's DBF
// driver reads 1, 2, 3, 4 and 8 bytes and takes the decimals as a scale (src/rdd/dbf1.c,
// hb_dbfGetValue): 64 00 00 00 with 2 decimals is 1.00.
Value littleEndianIntegerValue(const Field &field, std::string_view bytes,
                               const FieldContext &context)
{
    const size_t size = bytes.size();
    if (size == 0 || (size > 4 && size != 8))
        return invalidValue(bytes, context, kWrongLength);
    const auto shift = static_cast<unsigned>(64 - 8 * size); // to extend the sign
    const auto integer =
            static_cast<int64_t>(littleEndian(bytesOf(bytes, 0), size) << shift) >> shift;
    if (field.decimals == 0)
        return integerValue(Value::Kind::Integer, integer);
    Value value;
    value.kind = Value::Kind::Number;
    value.text = decimalText(integer, field.decimals);
    return value;
}

Value integerFieldValue(const Field &field, std::string_view bytes, const FieldContext &context)
{
    return context.dialect == Dialect::DBase7 ? dBase7IntegerValue(bytes, context)
                                              : littleEndianIntegerValue(field, bytes, context);
}

Value dBase7DoubleValue(const Field &, std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 8)
        return invalidValue(bytes, context, kWrongLength);
    if (context.dialect == Dialect::DBase7 && isDBase7Blank(bytes))
        return {}; // bug102.dbf of javadbf: 21 blank O fields
    uint64_t bits = be64(bytes);
    // javadbf writes O fields into other tables with only the sign bit flipped (numbers2.dbf:
    // -1 stored as 3FF0000000000000), dBase 7 itself inverts negatives whole (dBaseVII_double.dbf).
    bits = context.dialect == Dialect::DBase7 ? unflipped(bits) : bits ^ 0x8000000000000000ull;
    return doubleValue(bitsToDouble(bits));
}

Value currencyValue(const Field &, std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 8)
        return invalidValue(bytes, context, kWrongLength);
    return integerValue(Value::Kind::Currency, static_cast<int64_t>(le64(bytes)));
}

// Visual FoxPro's T, Harbour's T, @ and = (its modification time): the Julian day number, then
// milliseconds since midnight, both little-endian (src/rdd/dbf1.c, hb_dbfGetValue).
Value julianDateTimeValue(const Field &, std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 8)
        return invalidValue(bytes, context, kWrongLength);
    const auto jdn = static_cast<int32_t>(le32(bytes));
    const auto milliseconds = static_cast<int32_t>(le32(bytes, 4));
    if (jdn == 0 && milliseconds == 0)
        return {};
    if (jdn <= 0 || jdn > kMaxJulianDay || milliseconds < 0 || milliseconds >= kMillisecondsPerDay)
        return invalidBinary(bytes, kNoDateTime);
    return dateTimeValue(jdn, milliseconds);
}

Value dateTimeFieldValue(const Field &field, std::string_view bytes, const FieldContext &context)
{
    return bytes.size() == 4 ? timeOfDayValue(bytes) : julianDateTimeValue(field, bytes, context);
}

// @ is a big-endian double in dBase 7 and Harbour's Julian day and milliseconds elsewhere:
// Harbour's DBF driver writes it for timestamps into all but Visual FoxPro tables (dbf1.c).
Value timestampValue(const Field &field, std::string_view bytes, const FieldContext &context)
{
    return context.dialect == Dialect::DBase7 ? dBase7TimestampValue(bytes, context)
                                              : julianDateTimeValue(field, bytes, context);
}

Value littleEndianDoubleValue(std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 8)
        return invalidValue(bytes, context, kWrongLength);
    return doubleValue(bitsToDouble(le64(bytes)));
}

Value packedDateValue(std::string_view bytes)
{
    const uint64_t packed = bigEndian(bytesOf(bytes, 0), 3);
    if (packed == 0)
        return {};
    Value value;
    value.kind = Value::Kind::Date;
    value.date = {static_cast<int>(packed >> 9), static_cast<int>(packed >> 5 & 0x0F),
                  static_cast<int>(packed & 0x1F)};
    if (!isValidDate(value.date.year, value.date.month, value.date.day))
        return invalidBinary(bytes, "kein Tag des Kalenders");
    return value;
}

} // namespace dbf
