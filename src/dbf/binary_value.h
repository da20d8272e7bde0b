// Decoders of the binary field types (the integers, doubles, currency, times and date-times of
// Harbour, FoxPro and dBase 7), for value.cpp's table of types; not part of the reader's API.
#pragma once

#include "value.h"

#include <string>
#include <string_view>

namespace dbf {

// Bytes that are no value of the field's type, shown as stored (defined in value.cpp).
Value invalidValue(std::string_view bytes, const FieldContext &context, std::string problem);

// I and +: dBase 7's big-endian integer, elsewhere a little-endian one.
Value integerFieldValue(const Field &field, std::string_view bytes, const FieldContext &context);
// Visual FoxPro's I, Harbour's I, + and ^ and its 4-byte V: signed little-endian integers.
Value littleEndianIntegerValue(const Field &field, std::string_view bytes,
                               const FieldContext &context);
// O: a double as dBase 7 and javadbf store it.
Value dBase7DoubleValue(const Field &field, std::string_view bytes, const FieldContext &context);
// Y: Visual FoxPro's currency.
Value currencyValue(const Field &field, std::string_view bytes, const FieldContext &context);
// T: Harbour's time of day in 4 bytes, else a Julian date-time.
Value dateTimeFieldValue(const Field &field, std::string_view bytes, const FieldContext &context);
// @: dBase 7's timestamp, else Harbour's Julian date-time.
Value timestampValue(const Field &field, std::string_view bytes, const FieldContext &context);
// Harbour's = and the 8-byte T and @: a Julian day and milliseconds since midnight.
Value julianDateTimeValue(const Field &field, std::string_view bytes, const FieldContext &context);
// B that is no memo field: a little-endian double.
Value littleEndianDoubleValue(std::string_view bytes, const FieldContext &context);
// Harbour's 3-byte V: a date packed in bits.
Value packedDateValue(std::string_view bytes);

} // namespace dbf
