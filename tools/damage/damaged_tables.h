// Damaged tables for testing the reader's sturdiness: each is a valid table (with its memo file)
// with exactly one fault, made on purpose the way broken writers and broken disks make them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace damage {

struct DamagedTable
{
    std::string name; // for file names: letters, digits and '-'
    std::string fault; // what is wrong, in a few words
    std::string table;
    std::optional<std::string> memo; // the memo file beside it, if the table has memo fields
    std::string memoExtension; // ".dbt" or ".fpt"
    std::string encoding; // a code page to read it with, "" for the table's own
    // For faults a reader can see through: the table before the damage. Reading the damaged
    // table gives the same values, or says what is wrong.
    std::optional<std::string> undamaged;
};

// A fault of the header's numbers as writers of old station tables make them, for any table of
// dBase III and later (the header length at byte 8, the record length at 10).
struct HeaderFault
{
    std::string name; // letters, digits and '-'
    std::string fault; // what is wrong, in a few words
    // Damages `table`; false, leaving it as it may be, where the fault does not apply to it.
    std::function<bool(std::string &table)> apply;
};

std::vector<HeaderFault> headerFaults();

// One of each fault, made from two small valid station tables: dBase III and dBase IV, both
// with a memo file; the header faults made from the dBase III one.
std::vector<DamagedTable> damagedTables();

} // namespace damage
