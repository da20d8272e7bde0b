// A field's value, decoded from its bytes by type letter: what the value is, not how it is shown
// (display.h makes the text).
#pragma once

#include "codepage.h"
#include "header.h"
#include "memo_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dbf {

struct CalendarDate
{
    int year = 0, month = 0, day = 0;
};

struct Value
{
    enum class Kind : uint8_t {
        Empty, // blank, or a memo pointer to no block
        Stars, // an N or F field full of '*': no value; `text` the stars as stored
        Null, // Visual FoxPro's null flag
        Text, // `text`, UTF-8
        Number, // `text`: the digits as stored ('.' as decimal point) or of a binary double
        Integer, // `integer`
        Currency, // `integer` in ten-thousandths
        Date, // `date`
        DateTime, // `date` and `milliseconds` since midnight
        Time, // `milliseconds` since midnight, no day (Harbour's 4-byte T)
        Logical, // `logical`
        Binary, // `bytes`: a picture, an object or a varbinary value
        Invalid, // no value of the field's type: `text` as stored, or `bytes` of a binary type
    };

    Kind kind = Kind::Empty;
    std::string text;
    int64_t integer = 0;
    CalendarDate date;
    int32_t milliseconds = 0;
    bool logical = false;
    std::string_view bytes; // points into the table or memo file
    bool hexShown = false; // Binary or Invalid bytes shown in hex (Q fields, binary date-times)
    // German: what was wrong with the bytes (Invalid), or what went wrong reading a value that
    // is still shown (a memo block cut short); empty for a sound value.
    std::string problem;

    bool flagged() const { return kind == Kind::Invalid || !problem.empty(); }
};

// What decoding a field needs besides its bytes.
struct FieldContext
{
    Dialect dialect;
    const TextDecoder &decoder;
    const MemoFile *memo; // null when the table has no readable memo file
    std::string_view nullFlags; // bytes of _NullFlags in this record, empty if none
};

// Character values lose trailing blanks; numbers keep their digits; memo fields bring the
// memo's text or bytes. Never fails: bytes that are no value of the type are Invalid.
// REQUIRES: bytes.size() == field.length
Value decodeValue(const Field &field, std::string_view bytes, const FieldContext &context);

// The text of a C field's bytes, trailing blanks and NULs removed; `hasNul` tells whether a NUL
// is left inside it. The same text as decodeValue() gives, without building a Value: the
// viewer and talvo-dbf show C fields, the most frequent of all, this way.
std::string characterText(std::string_view bytes, const TextDecoder &decoder, bool &hasNul);
// The same, appended to `out`; returns whether the decoder defines every byte (defines()).
bool appendCharacterText(std::string_view bytes, const TextDecoder &decoder, std::string &out,
                         bool &hasNul);

// An integer with `decimals` implied decimals in digits, '.' as decimal point: 100 with 2 is
// "1.00", -5 with 4 is "-0.0005".
std::string decimalText(int64_t integer, unsigned decimals);

// The memo block number a memo field holds, 0 for none; false when the bytes are no number.
bool memoBlockNumber(std::string_view bytes, uint64_t &block);

} // namespace dbf
