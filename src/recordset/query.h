// Connection and query texts: what names the file and which columns come in which order.
#pragma once

#include "error.h"

#include <string>
#include <vector>

namespace recordset {

// The path after "database=" in a connection text such as
// "Provider=…;Mode=Read;…;database=/home/dl1abc/stationen.dbf", the pairs key=value separated by
// ";". A value in braces (ODBC style) holds any character, "}}" standing for "}". The other keys
// are accepted as they stand. Fails with kTableNotFound when no database is named or a brace is
// not closed.
Result<std::string> databasePath(const std::string &connection);

// `value` written as the value of a connection text's key, so that databasePath reads it back
// unchanged: as it stands, or in braces with each "}" doubled when it holds a character of the
// text's syntax ([]{}(),;?*=!@) or begins or ends with a blank.
std::string connectionValue(const std::string &value);

// The table name a path stands for: its file name (after the last "/" or "\") without the last
// extension. "D:\Funk\Liste.2003.dbf" gives "Liste.2003".
std::string tableNameOf(const std::string &path);

struct Query
{
    std::vector<std::string> columns; // empty for "*"
    std::string table; // as written, blanks inside kept; empty for the table of ".dbf"
    std::string orderBy; // empty for the file's order
    bool descending = false;
};

// Parses `select <*|column, …> from <table> [order by <column> [asc|desc]]`, keywords in any
// case; the table name may be empty (tableNameOf(".dbf")). Fails with kErrorsInCommand, quoting
// the text.
Result<Query> parseQuery(const std::string &text);

} // namespace recordset
