// Parsing of connection and query texts.
#include "query.h"

#include "text_util.h"

namespace recordset {
namespace {

Error badQuery(const std::string &text, const std::string &why)
{
    return {kErrorsInCommand, "Die Abfrage " + quoted(text) + " ist ungültig: " + why + "."};
}

// Position of `word` as a whole word (blanks around it or the text's ends), case ignored.
size_t findWord(const std::string &lowerText, const std::string &word, size_t from = 0)
{
    for (size_t at = lowerText.find(word, from); at != std::string::npos;
         at = lowerText.find(word, at + 1)) {
        const bool before = at == 0 || isBlank(lowerText[at - 1]);
        const size_t end = at + word.size();
        const bool after = end == lowerText.size() || isBlank(lowerText[end]);
        if (before && after)
            return at;
    }
    return std::string::npos;
}

} // namespace

Result<std::string> databasePath(const std::string &connection)
{
    size_t start = 0;
    while (start <= connection.size()) {
        size_t end = connection.find(';', start);
        if (end == std::string::npos)
            end = connection.size();
        const std::string part = connection.substr(start, end - start);
        const size_t equals = part.find('=');
        if (equals != std::string::npos
            && asciiLower(trimmed(part.substr(0, equals))) == "database")
            return part.substr(equals + 1);
        start = end + 1;
    }
    return Error {kTableNotFound,
                  "Die Verbindungsangabe " + quoted(connection)
                          + " nennt keine Datenbank (database=)."};
}

std::string tableNameOf(const std::string &path)
{
    const size_t slash = path.find_last_of("/\\");
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

Result<Query> parseQuery(const std::string &text)
{
    const std::string lower = asciiLower(text);
    const size_t select = findWord(lower, "select");
    if (select == std::string::npos || !trimmed(text.substr(0, select)).empty())
        return badQuery(text, "sie beginnt nicht mit SELECT");
    const size_t from = findWord(lower, "from", select + 6);
    if (from == std::string::npos)
        return badQuery(text, "FROM fehlt");

    Query query;
    const std::string columns = trimmed(text.substr(select + 6, from - select - 6));
    if (columns.empty())
        return badQuery(text, "zwischen SELECT und FROM steht keine Spalte");
    if (columns != "*") {
        for (const std::string &column : split(columns, ',')) {
            const std::string name = trimmed(column);
            if (name.empty() || name.find_first_of(" \t") != std::string::npos)
                return badQuery(text, "die Spaltenliste " + quoted(columns) + " ist nicht lesbar");
            query.columns.push_back(name);
        }
    }

    // The table name may hold blanks, so ORDER BY is looked for from the end.
    size_t tableEnd = text.size();
    size_t order = std::string::npos;
    for (size_t at = findWord(lower, "order", from + 4); at != std::string::npos;
         at = findWord(lower, "order", at + 1))
        order = at;
    if (order != std::string::npos) {
        const std::string rest = trimmed(lower.substr(order + 5));
        if (rest.rfind("by", 0) != 0 || (rest.size() > 2 && !isBlank(rest[2])))
            order = std::string::npos;
    }
    if (order != std::string::npos) {
        tableEnd = order;
        const size_t by = lower.find("by", order + 5);
        const std::vector<std::string> words = splitBlanks(text.substr(by + 2));
        if (words.empty() || words.size() > 2)
            return badQuery(text, "nach ORDER BY muss genau eine Spalte stehen");
        query.orderBy = words[0];
        if (words.size() == 2) {
            const std::string direction = asciiLower(words[1]);
            if (direction != "asc" && direction != "desc")
                return badQuery(text, quoted(words[1]) + " ist weder ASC noch DESC");
            query.descending = direction == "desc";
        }
    }
    // Empty for a file named just ".dbf": the name of its table is the empty text, and only the
    // name matched against the file (RecordSet::Open) says whether the query reads it.
    query.table = trimmed(text.substr(from + 4, tableEnd - from - 4));
    return query;
}

} // namespace recordset
