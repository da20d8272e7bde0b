// The text a field value is shown as, decoded from its bytes by type letter.
#pragma once

#include "codepage.h"
#include "header.h"
#include "memo_file.h"

#include <string>
#include <string_view>

namespace dbf {

struct FieldText
{
    std::string text; // UTF-8
    bool raw = false; // the bytes could not be decoded as their type; `text` shows them as stored
    bool null = false; // Visual FoxPro null
};

// What decoding a field needs besides its bytes.
struct FieldContext
{
    Dialect dialect;
    const TextDecoder &decoder;
    const MemoFile *memo; // null when the table has no readable memo file
    std::string_view nullFlags; // bytes of _NullFlags in this record, empty if none
};

// Character values lose trailing blanks, numbers keep their digits with a decimal comma, dates
// read dd.mm.yyyy, logicals "Wahr"/"Falsch", binary types become numbers and date-times.
// REQUIRES: bytes.size() == field.length
FieldText fieldText(const Field &field, std::string_view bytes, const FieldContext &context);

// The memo block number a memo field holds, 0 for none; false when the bytes are no number.
bool memoBlockNumber(std::string_view bytes, uint64_t &block);

} // namespace dbf
