// The values of one field over the records of a table, read for comparing and sorting.
#pragma once

#include "dbf/table.h"

#include <string>

namespace recordset {

enum class ValueKind { Text, Number, Date, Logical };

class FieldValues
{
public:
    FieldValues(const dbf::Table &table, size_t field);

    // How the field's values compare and sort, by its type letter.
    ValueKind kind() const { return m_kind; }

    // The text as shown, without trailing blanks.
    std::string text(uint32_t record) const;
    // The text folded to ignore case; plain ASCII values skip the decoder.
    void foldedText(uint32_t record, std::string &out) const;
    // The text as UTF-16, for sort keys.
    void utf16Text(uint32_t record, std::u16string &out) const;
    // The field's bytes without trailing blanks, when they are printable ASCII and so are their
    // own text; false otherwise.
    bool plainAscii(uint32_t record, std::string_view &bytes) const;
    // The value as a number; false for an empty value or text that is no number.
    bool number(uint32_t record, double &value) const;
    // Days since 1.1.1970, with the time of day as fraction; false for an empty or bad date.
    bool date(uint32_t record, double &value) const;

private:
    const dbf::Table &m_table;
    size_t m_field;
    ValueKind m_kind;
    bool m_character; // a C field without null flags: its bytes are its text
};

} // namespace recordset
