// Finding the files that belong to a table: its memo file and its .cpg file.
#pragma once

#include <initializer_list>
#include <string>

namespace dbf {

// The path of the file beside `tablePath` with the table's base name and one of `extensions`
// (with dot, tried in order), both compared without regard to case: tables copied from DOS
// disks mix cases (agencias.dbf with AGENCIAS.DBT). An exact-case match wins. "" when none.
std::string findCompanion(const std::string &tablePath,
                          std::initializer_list<const char *> extensions);

} // namespace dbf
