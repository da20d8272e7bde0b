// Decoding of field bytes to values, one function per type letter.
#include "value.h"

#include "ascii.h"
#include "byte_order.h"
#include "calendar.h"
#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace dbf {
namespace {

using Decode = Value (*)(const Field &, std::string_view, const FieldContext &);

// A function object, not a function: std::all_of inlines it instead of calling through a
// pointer for every byte (a tenth of `check` for a table with a date field).
constexpr auto isDigit = [](char c) { return c >= '0' && c <= '9'; };

// Bytes that are no value of the field's type, shown as stored.
Value invalid(std::string_view bytes, const FieldContext &context, std::string problem)
{
    Value value;
    value.kind = Value::Kind::Invalid;
    value.text = context.decoder.decode(withoutPadding(bytes));
    value.problem = std::move(problem);
    return value;
}

Value textValue(std::string text)
{
    Value value;
    value.kind = Value::Kind::Text;
    value.text = std::move(text);
    return value;
}

Value characterValue(const Field &, std::string_view bytes, const FieldContext &context)
{
    Value value = textValue({});
    bool hasNul = false;
    const bool defined = appendCharacterText(bytes, context.decoder, value.text, hasNul);
    if (hasNul)
        value.problem = "NUL-Byte im Text";
    else if (!defined)
        value.problem = "Bytes, die es in " + context.decoder.name() + " nicht gibt";
    return value;
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

Value binaryValue(std::string_view bytes, bool hexShown)
{
    Value value;
    value.kind = Value::Kind::Binary;
    value.bytes = bytes;
    value.hexShown = hexShown;
    return value;
}

// Visual FoxPro's V holds text, its Q bytes. Harbour's DBF driver writes Q into its other tables
// for both and marks bytes with the binary flag 0x04 (src/rdd/dbf1.c, hb_dbfCreate).
Value varLengthValue(const Field &field, std::string_view bytes, const FieldContext &context)
{
    const std::string_view stored = varLengthBytes(field, bytes, context);
    const bool binary = field.type == 'Q'
            && (context.dialect == Dialect::VisualFoxPro || (field.flags & 0x04) != 0);
    return binary ? binaryValue(stored, true) : characterValue(field, stored, context);
}

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

Value numberValue(const Field &, std::string_view bytes, const FieldContext &context)
{
    const std::string_view stored = withoutPadding(bytes);
    // dBase IV and 5 and FoxPro leave an empty field with decimals blank but for its point
    // ("  .  " in an N(5,1)), so does dBase II (dbase_02.dbf of infused/dbf: START:PAY N(8,3)
    // "    .   "); dBase III+ leaves it all blank.
    Value value;
    if (stored.empty() || stored == ".")
        return value;
    value.text = stored;
    if (isNumberText(stored)) {
        value.kind = Value::Kind::Number;
        std::replace(value.text.begin(), value.text.end(), ',', '.'); // some writers' comma
    } else if (bytes.find_first_not_of('*') == std::string_view::npos) {
        // No value: dBase stores a number too wide for its field so, shapelib its NULL
        // (polygon.dbf of shapelib, AA N(8) "********").
        value.kind = Value::Kind::Stars;
    } else { // stray letters, blanks inside, a partly starred field
        value = invalid(stored, context, "keine Zahl");
    }
    return value;
}

int digitsValue(std::string_view digits)
{
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

Value dateFieldValue(const Field &, std::string_view bytes, const FieldContext &context)
{
    const std::string_view stored = withoutPadding(bytes);
    Value value; // the one object returned, built in place (no move of its strings)
    if (stored.empty() || stored.find_first_not_of('0') == std::string_view::npos)
        return value;
    if (stored.size() != 8 || !std::all_of(stored.begin(), stored.end(), isDigit)) {
        value = invalid(stored, context, "kein Datum der Form JJJJMMTT");
        return value;
    }
    value.kind = Value::Kind::Date;
    value.date = {digitsValue(stored.substr(0, 4)), digitsValue(stored.substr(4, 2)),
                  digitsValue(stored.substr(6, 2))};
    if (!isValidDate(value.date.year, value.date.month, value.date.day))
        value = invalid(stored, context, "kein Tag des Kalenders");
    return value;
}

Value logicalValue(bool logical)
{
    Value value;
    value.kind = Value::Kind::Logical;
    value.logical = logical;
    return value;
}

Value logicalFieldValue(const Field &, std::string_view bytes, const FieldContext &context)
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
        return logicalValue(true);
    case 'F':
    case 'f':
    case 'N':
    case 'n':
        return logicalValue(false);
    case ' ':
    case '?':
    case '\0':
        return {};
    default:
        return invalid(bytes, context, "kein Wahrheitswert");
    }
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

constexpr const char *kWrongLength = "falsche Feldlänge für den Typ";

// dBase 7 leaves a number it has no value for all zero bytes; no number it writes looks so
// (zero is stored with the sign bit set).
bool isDBase7Blank(std::string_view bytes)
{
    return bytes.find_first_not_of('\0') == std::string_view::npos;
}

// dBase 7 keeps I and + in 4 bytes, big-endian with the sign bit flipped.
Value dBase7IntegerValue(std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 4)
        return invalid(bytes, context, kWrongLength);
    if (isDBase7Blank(bytes))
        return {}; // bug102.dbf of javadbf: blank I fields
    return integerValue(Value::Kind::Integer, static_cast<int32_t>(be32(bytes) ^ 0x80000000u));
}

// Visual FoxPro's I, and Harbour's I, + and ^: signed little-endian integers. Harbour's DBF
// driver reads 1, 2, 3, 4 and 8 bytes and takes the decimals as a scale (src/rdd/dbf1.c,
// hb_dbfGetValue): 64 00 00 00 with 2 decimals is 1.00.
Value littleEndianIntegerValue(const Field &field, std::string_view bytes,
                               const FieldContext &context)
{
    const size_t size = bytes.size();
    if (size == 0 || (size > 4 && size != 8))
        return invalid(bytes, context, kWrongLength);
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

double bitsToDouble(uint64_t bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Value dBase7DoubleValue(const Field &, std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 8)
        return invalid(bytes, context, kWrongLength);
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
        return invalid(bytes, context, kWrongLength);
    return integerValue(Value::Kind::Currency, static_cast<int64_t>(le64(bytes)));
}

Value dateTimeValue(int64_t julianDay, int64_t milliseconds)
{
    Value value;
    value.kind = Value::Kind::DateTime;
    civilFromJulianDay(julianDay, value.date.year, value.date.month, value.date.day);
    value.milliseconds = static_cast<int32_t>(milliseconds);
    return value;
}

constexpr int64_t kMillisecondsPerDay = 86400000;
constexpr int64_t kMaxJulianDay = 5373484; // 31.12.9999

constexpr const char *kNoDateTime = "kein Zeitpunkt zwischen 1.1.0001 und 31.12.9999";

// Visual FoxPro's T, Harbour's T, @ and = (its modification time): the Julian day number, then
// milliseconds since midnight, both little-endian (src/rdd/dbf1.c, hb_dbfGetValue).
Value julianDateTimeValue(const Field &, std::string_view bytes, const FieldContext &context)
{
    if (bytes.size() != 8)
        return invalid(bytes, context, kWrongLength);
    const auto jdn = static_cast<int32_t>(le32(bytes));
    const auto milliseconds = static_cast<int32_t>(le32(bytes, 4));
    if (jdn == 0 && milliseconds == 0)
        return {};
    if (jdn <= 0 || jdn > kMaxJulianDay || milliseconds < 0 || milliseconds >= kMillisecondsPerDay)
        return invalidBinary(bytes, kNoDateTime);
    return dateTimeValue(jdn, milliseconds);
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

Value dateTimeFieldValue(const Field &field, std::string_view bytes, const FieldContext &context)
{
    return bytes.size() == 4 ? timeOfDayValue(bytes) : julianDateTimeValue(field, bytes, context);
}

Value dBase7TimestampValue(std::string_view bytes, const FieldContext &context)
{
    // dBase 7: milliseconds since 1.1.0001 as a big-endian double (dBaseVII.dbf of php-xbase:
    // 1.1.1800 01:01:01 is day 657072 of that count)
    if (bytes.size() != 8)
        return invalid(bytes, context, kWrongLength);
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

// @ is a big-endian double in dBase 7 and Harbour's Julian day and milliseconds elsewhere:
// Harbour's DBF driver writes it for timestamps into all but Visual FoxPro tables (dbf1.c).
Value timestampValue(const Field &field, std::string_view bytes, const FieldContext &context)
{
    return context.dialect == Dialect::DBase7 ? dBase7TimestampValue(bytes, context)
                                              : julianDateTimeValue(field, bytes, context);
}

// Memo content that is no text by its bytes: a picture's signature (JPEG, PNG, GIF), or a NUL,
// which no memo text holds. Pictures stand in text memos of dBase III and IV and FoxPro 2
// (dBaseIII.dbf, dBaseIV.dbf, Foxpro2.dbf of php-xbase).
bool isBinaryContent(std::string_view bytes)
{
    for (std::string_view signature :
         {std::string_view("\xFF\xD8\xFF"), std::string_view("\x89PNG\r\n\x1A\n"),
          std::string_view("GIF87a"), std::string_view("GIF89a")}) {
        if (bytes.substr(0, signature.size()) == signature)
            return true;
    }
    return bytes.find('\0') != std::string_view::npos;
}

// The text of a text memo. The memo editors of dBase, Clipper and FoxPro mark where they wrapped
// a line with a soft return, 8D 0A, and drop it again when they wrap anew (Clipper 5.0 release
// notes; Harbour's MemoTran() and HardCR()); it is no part of the text. DOS and Windows code
// pages only: in UTF-8, 8D 0A ends "č" and a line.
std::string memoText(std::string_view bytes, const TextDecoder &decoder)
{
    constexpr std::string_view kSoftReturn("\x8D\n", 2);
    if (!decoder.isSingleByte())
        return decoder.decode(bytes);
    std::string text;
    for (size_t at = 0;;) {
        const size_t soft = bytes.find(kSoftReturn, at);
        decoder.decodeAppend(bytes.substr(at, soft - at), text);
        if (soft == std::string_view::npos)
            return text;
        at = soft + kSoftReturn.size();
    }
}

// Memo bytes without the NULs and 0x1A that pad memo blocks, in one pass from the end and eight
// NULs at a time: a memo cut at the limit in a hole of a sparse file is 16 MiB of NULs.
std::string_view withoutMemoPadding(std::string_view bytes)
{
    size_t end = bytes.size();
    for (uint64_t word; end >= 8; end -= 8) {
        std::memcpy(&word, bytes.data() + end - 8, 8);
        if (word != 0)
            break;
    }
    while (end > 0 && (bytes[end - 1] == '\0' || bytes[end - 1] == '\x1A'))
        --end;
    return bytes.substr(0, end);
}

Value memoValue(const Field &field, std::string_view bytes, const FieldContext &context)
{
    uint64_t block = 0;
    if (!memoBlockNumber(bytes, block))
        return invalid(bytes, context, "keine Blocknummer der Memodatei");
    if (block == 0 || !context.memo)
        return {};
    MemoValue memo = context.memo->read(block);
    const bool binary = memo.binary || field.type == 'G' || field.type == 'P' || field.type == 'W'
            || (field.type == 'B' && context.dialect != Dialect::VisualFoxPro);
    const std::string_view text = withoutMemoPadding(memo.bytes);
    Value value = binary || isBinaryContent(text) ? binaryValue(memo.bytes, false)
                                                  : textValue(memoText(text, context.decoder));
    if (memo.fault) // the memo file's own words on what was wrong
        value.problem = std::move(memo.fault->text);
    return value;
}

Value doubleFieldValue(const Field &field, std::string_view bytes, const FieldContext &context)
{
    if (field.isMemo(context.dialect))
        return memoValue(field, bytes, context);
    if (bytes.size() != 8)
        return invalid(bytes, context, kWrongLength);
    return doubleValue(bitsToDouble(le64(bytes)));
}

// V is Visual FoxPro's text of variable length, elsewhere Harbour's variant type of SIx: 3 bytes
// a date (big-endian year << 9 | month << 5 | day, src/rdd/hbsix/sxdate.c), 4 a little-endian
// integer (src/rdd/dbf1.c); 6 and more point into the memo file in a way of their own and are
// shown as stored.
Value vFieldValue(const Field &field, std::string_view bytes, const FieldContext &context)
{
    if (context.dialect == Dialect::VisualFoxPro)
        return varLengthValue(field, bytes, context);
    if (bytes.size() == 4)
        return littleEndianIntegerValue(field, bytes, context);
    if (bytes.size() != 3)
        return characterValue(field, bytes, context);
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

Value nullFlagsValue(const Field &, std::string_view bytes, const FieldContext &)
{
    return binaryValue(bytes, true);
}

struct TypeEntry
{
    char type;
    Decode decode;
};

constexpr TypeEntry kTypes[] = {
        {'C', characterValue},
        {'V', vFieldValue},
        {'Q', varLengthValue},
        {'N', numberValue},
        {'F', numberValue},
        {'D', dateFieldValue},
        {'L', logicalFieldValue},
        {'M', memoValue},
        {'G', memoValue},
        {'P', memoValue},
        {'W', memoValue},
        {'B', doubleFieldValue},
        {'I', integerFieldValue},
        {'+', integerFieldValue},
        {'^', littleEndianIntegerValue}, // Harbour's row version
        {'O', dBase7DoubleValue},
        {'Y', currencyValue},
        {'T', dateTimeFieldValue},
        {'@', timestampValue},
        {'=', julianDateTimeValue}, // Harbour's modification time
        {'0', nullFlagsValue},
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

std::string characterText(std::string_view bytes, const TextDecoder &decoder, bool &hasNul)
{
    std::string text;
    appendCharacterText(bytes, decoder, text, hasNul);
    return text;
}

bool appendCharacterText(std::string_view bytes, const TextDecoder &decoder, std::string &out,
                         bool &hasNul)
{
    // Trailing NULs pad values of some writers the way blanks do; a NUL inside the text is no
    // character of any code page (dbase_03_nullchar.dbf), so such a value is flagged.
    const std::string_view stored = withoutTrailingPadding(bytes);
    hasNul = stored.find('\0') != std::string_view::npos;
    return decoder.decodeAppend(stored, out);
}

std::string decimalText(int64_t integer, unsigned decimals)
{
    // on the magnitude, so that the smallest int64 does not overflow
    const uint64_t magnitude =
            integer < 0 ? 0 - static_cast<uint64_t>(integer) : static_cast<uint64_t>(integer);
    std::string digits = std::to_string(magnitude);
    if (digits.size() <= decimals)
        digits.insert(0, decimals + 1 - digits.size(), '0');
    if (decimals > 0)
        digits.insert(digits.size() - decimals, 1, '.');
    return integer < 0 ? '-' + digits : digits;
}

bool memoBlockNumber(std::string_view bytes, uint64_t &block)
{
    block = 0;
    if (bytes.size() == 4) { // Visual FoxPro: binary, little-endian
        block = le32(bytes);
        return true;
    }
    // dBase and FoxPro 2: decimal digits, blank- or zero-padded
    const std::string_view digits = withoutPadding(bytes);
    if (!std::all_of(digits.begin(), digits.end(), isDigit) || digits.size() > 19)
        return false;
    for (char c : digits)
        block = block * 10 + static_cast<uint64_t>(c - '0');
    return true;
}

Value decodeValue(const Field &field, std::string_view bytes, const FieldContext &context)
{
    if (isNull(field, context)) {
        Value null;
        null.kind = Value::Kind::Null;
        return null;
    }
    for (const TypeEntry &entry : kTypes) {
        if (entry.type == field.type)
            return entry.decode(field, bytes, context);
    }
    return invalid(bytes, context, "unbekannter Feldtyp"); // a type this reader does not know
}

} // namespace dbf
