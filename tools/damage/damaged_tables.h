// Damaged tables for testing the reader's sturdiness: each is a valid table (with its memo file)
// with exactly one fault, made on purpose the way broken writers and broken disks make them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace damage {

struct DamagedTable
{
    std::string name; // for file names: letters, digits and '-'
    std::string fault; // what is wrong, in a few words
    std::string table;
    std::optional<std::string> memo; // the .dbt beside it, if the table has memo fields
    std::string encoding; // a code page to read it with, "" for the table's own
};

// One of each fault, made from two small valid station tables: dBase III and dBase IV, both
// with a memo file.
std::vector<DamagedTable> damagedTables();

} // namespace damage
