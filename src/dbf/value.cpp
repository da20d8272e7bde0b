// Decoding of field bytes to values, one function per type letter; the binary types are in
// binary_value.cpp.
#include "value.h"

#include "ascii.h"
#include "binary_value.h"
#include "byte_order.h"
#include "calendar.h"
#include "number_text.h"

#include <algorithm>
#include <cstring>

namespace dbf {
namespace {

using Decode = Value (*)(const Field &, std::string_view, const FieldContext &);

// A function object, not a function: std::all_of inlines it instead of calling through a
// pointer for every byte (a tenth of `check` for a table with a date field).
constexpr auto isDigit = [](char c) { return c >= '0' && c <= '9'; };

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
        value = invalidValue(stored, context, "keine Zahl");
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
        value = invalidValue(stored, context, "kein Datum der Form JJJJMMTT");
        return value;
    }
    value.kind = Value::Kind::Date;
    value.date = {digitsValue(stored.substr(0, 4)), digitsValue(stored.substr(4, 2)),
                  digitsValue(stored.substr(6, 2))};
    if (!isValidDate(value.date.year, value.date.month, value.date.day))
        value = invalidValue(stored, context, "kein Tag des Kalenders");
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
        return invalidValue(bytes, context, "kein Wahrheitswert");
    }
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
        return invalidValue(bytes, context, "keine Blocknummer der Memodatei");
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
    return littleEndianDoubleValue(bytes, context);
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
    return bytes.size() == 3 ? packedDateValue(bytes) : characterValue(field, bytes, context);
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

Value invalidValue(std::string_view bytes, const FieldContext &context, std::string problem)
{
    Value value;
    value.kind = Value::Kind::Invalid;
    value.text = context.decoder.decode(withoutPadding(bytes));
    value.problem = std::move(problem);
    return value;
}

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
    return invalidValue(bytes, context, "unbekannter Feldtyp"); // a type this reader does not know
}

} // namespace dbf
