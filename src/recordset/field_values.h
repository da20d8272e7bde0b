// The values of one field over the records of a table, read for comparing and sorting.
#pragma once

#include "dbf/table.h"

#include <string>

namespace recordset {

enum class ValueKind { Text, Number, Date, Logical };

// Every value is read from a record's bytes, as dbf::Table::recordBytes() or scan() give them.
class FieldValues
{
public:
    FieldValues(const dbf::Table &table, size_t field);

    // How the field's values compare and sort, by its type letter.
    ValueKind kind() const { return m_kind; }
    // A C field without null flags: its bytes, trailing blanks and NULs aside, are its text.
    bool isCharacterField() const { return m_character; }
    // The field's bytes without trailing blanks and NULs.
    std::string_view trimmedBytes(std::string_view record) const;

    // The text as shown, without trailing blanks.
    std::string text(std::string_view record) const;
    // The text folded to ignore case; plain ASCII values skip the decoder.
    void foldedText(std::string_view record, std::string &out) const;
    // The text as UTF-16, for sort keys.
    void utf16Text(std::string_view record, std::u16string &out) const;
    // The field's bytes without trailing blanks, when they are printable ASCII and so are their
    // own text; false otherwise.
    bool plainAscii(std::string_view record, std::string_view &bytes) const;
    // The value as a number; false for an empty value or text that is no number.
    bool number(std::string_view record, double &value) const;
    // Days since 1.1.1970, with the time of day as fraction; false for an empty or bad date.
    bool date(std::string_view record, double &value) const;
    // The value of a logical field; false for an empty or undecodable one.
    bool logical(std::string_view record, bool &value) const;

private:
    const dbf::Table &m_table;
    size_t m_field;
    ValueKind m_kind;
    bool m_character; // a C field without null flags: its bytes are its text
};

} // namespace recordset
