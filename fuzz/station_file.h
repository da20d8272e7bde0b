// A small station table in a temporary file for the targets that need a record set.
#pragma once

#include <string>

namespace fuzz {

// The path of the table stationen.dbf, written on first use and removed when the program ends.
const std::string &stationFile();

// The connection text that names it, and the query of all its records.
std::string stationConnection();
std::string stationQuery();

} // namespace fuzz
