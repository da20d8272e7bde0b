// The text a value is shown as: the one place that knows the viewer's German forms.
#pragma once

#include "value.h"

#include <string>

namespace dbf {

// Numbers with a decimal comma, dates dd.mm.yyyy (and hh:mm:ss), logicals "Wahr"/"Falsch",
// currency with four decimals, pictures and objects "(Binärdaten, n Bytes)"; empty and null
// values are "".
std::string display(const Value &value);
// The same, taking over the text of a text value instead of copying it.
std::string display(Value &&value);
// The same, appended to `out`: for whole-table output without a string per value.
void appendDisplay(const Value &value, std::string &out);

// The shown text of a value with what the viewer and talvo-dbf mark beside it.
struct FieldText
{
    std::string text; // UTF-8
    bool raw = false; // the value is flagged (Value::flagged): `text` shows it as stored
    bool null = false; // Visual FoxPro null
};

FieldText shownText(Value &&value);

// Currency (ten-thousandths) with four decimals after `point`: "-12,3400" or "-12.3400".
std::string currencyText(int64_t tenThousandths, char point);

} // namespace dbf
