// Reading field values as text, numbers and dates.
#include "field_values.h"

#include "collator.h"
#include "dbf/ascii.h"
#include "dbf/calendar.h"
#include "dbf/number_text.h"

namespace recordset {
namespace {

ValueKind kindOf(const dbf::Field &field, dbf::Dialect dialect)
{
    switch (field.type) {
    case 'N':
    case 'F':
    case 'I':
    case '+':
    case '^':
    case 'O':
    case 'Y':
        return ValueKind::Number;
    case 'B':
        return field.isMemo(dialect) ? ValueKind::Text : ValueKind::Number;
    case 'T': // Harbour's 4-byte T is a time of day: its text "hh:mm:ss" sorts like it
        return field.length == 4 ? ValueKind::Text : ValueKind::Date;
    case 'V': // Harbour's variant outside Visual FoxPro: 3 bytes a date, 4 an integer
        if (dialect != dbf::Dialect::VisualFoxPro && (field.length == 3 || field.length == 4))
            return field.length == 3 ? ValueKind::Date : ValueKind::Number;
        return ValueKind::Text;
    case 'D':
    case '@':
    case '=':
        return ValueKind::Date;
    case 'L':
        return ValueKind::Logical;
    default:
        return ValueKind::Text;
    }
}

int digits(std::string_view text, size_t at, size_t count)
{
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

FieldValues::FieldValues(const dbf::Table &table, size_t field)
    : m_table(table),
      m_field(field),
      m_kind(kindOf(table.field(field), table.header().dialect)),
      m_character(table.field(field).isPlainCharacter())
{ }

std::string_view FieldValues::trimmedBytes(std::string_view record) const
{
    return dbf::withoutTrailingPadding(m_table.fieldBytes(record, m_field));
}

bool FieldValues::plainAscii(std::string_view record, std::string_view &bytes) const
{
    if (!m_character)
        return false;
    bytes = trimmedBytes(record);
    for (char c : bytes) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

std::string FieldValues::text(std::string_view record) const
{
    std::string_view bytes;
    if (plainAscii(record, bytes))
        return std::string(bytes);
    return m_table.text(record, m_field).text;
}

void FieldValues::foldedText(std::string_view record, std::string &out) const
{
    std::string_view bytes;
    if (plainAscii(record, bytes)) {
        out.assign(bytes);
        for (char &c : out) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return;
    }
    out = foldCase(m_table.text(record, m_field).text);
}

void FieldValues::utf16Text(std::string_view record, std::u16string &out) const
{
    std::string_view bytes;
    if (plainAscii(record, bytes)) {
        out.assign(bytes.begin(), bytes.end());
        return;
    }
    toUtf16(m_table.text(record, m_field).text, out);
}

bool FieldValues::number(std::string_view record, double &value) const
{
    // The reader's rule, so that what it shows as no number ("inf", "0x10") is empty here too.
    std::string_view bytes;
    const dbf::Field &field = m_table.field(m_field);
    if ((field.type == 'N' || field.type == 'F') && field.nullBit < 0)
        return dbf::readNumber(dbf::withoutPadding(m_table.fieldBytes(record, m_field)), value);
    if (plainAscii(record, bytes))
        return dbf::readNumber(dbf::withoutPadding(bytes), value);
    const dbf::Value stored = m_table.value(record, m_field);
    switch (stored.kind) {
    case dbf::Value::Kind::Number:
    case dbf::Value::Kind::Text: // a number typed into a character field
        return dbf::readNumber(dbf::withoutPadding(stored.text), value);
    case dbf::Value::Kind::Integer:
        value = static_cast<double>(stored.integer);
        return true;
    case dbf::Value::Kind::Currency:
        value = static_cast<double>(stored.integer) / 10000;
        return true;
    default:
        return false;
    }
}

bool FieldValues::date(std::string_view record, double &value) const
{
    int32_t day = 0;
    const dbf::Field &field = m_table.field(m_field);
    if (field.type == 'D' && field.nullBit < 0) { // yyyymmdd as stored
        const std::string_view bytes = m_table.fieldBytes(record, m_field);
        if (!dbf::daysSinceEpoch(digits(bytes, 0, 4), digits(bytes, 4, 2), digits(bytes, 6, 2),
                                 day))
            return false;
        value = day;
        return true;
    }
    const dbf::Value stored = m_table.value(record, m_field);
    if (stored.kind != dbf::Value::Kind::Date && stored.kind != dbf::Value::Kind::DateTime)
        return false;
    if (!dbf::daysSinceEpoch(stored.date.year, stored.date.month, stored.date.day, day))
        return false;
    value = day;
    if (stored.kind == dbf::Value::Kind::DateTime)
        value += stored.milliseconds / 1000 / 86400.0; // whole seconds, as shown
    return true;
}

bool FieldValues::logical(std::string_view record, bool &value) const
{
    const dbf::Value stored = m_table.value(record, m_field);
    value = stored.logical;
    return stored.kind == dbf::Value::Kind::Logical;
}

} // namespace recordset
