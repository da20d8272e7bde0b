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

// Reads the value in braces that opens at `open`, "}}" standing for "}"; returns the place of
// the closing brace, npos when there is none.
size_t readBraced(const std::string &text, size_t open, std::string &value)
{
    for (size_t at = open + 1; at < text.size(); ++at) {
        if (text[at] == '}') {
            if (text.compare(at, 2, "}}") != 0)
                return at;
            ++at;
        }
        value.push_back(text[at]);
    }
    return std::string::npos;
}

} // namespace

Result<std::string> databasePath(const std::string &connection)
{
    auto invalid = [&](const std::string &why) {
        return Error {kTableNotFound, "Die Verbindungsangabe " + quoted(connection) + " " + why};
    };
    size_t at = 0;
    while (at < connection.size()) {
        const size_t equals = connection.find('=', at);
        size_t end = connection.find(';', at);
        if (equals > end) { // a part without "="
            at = end + 1;
            continue;
        }
        if (equals == std::string::npos)
            break;
        const std::string key = asciiLower(trimmed(connection.substr(at, equals - at)));
        std::string value;
        size_t first = equals + 1;
        while (first < connection.size() && isBlank(connection[first]))
            ++first;
        if (first < connection.size() && connection[first] == '{') {
            const size_t close = readBraced(connection, first, value);
            if (close == std::string::npos)
                return invalid("ist ungültig: die geschweifte Klammer nach " + quoted(key + "=")
                               + " schließt nicht.");
            end = connection.find(';', close);
        } else {
            value = connection.substr(equals + 1,
                                      end == std::string::npos ? end : end - equals - 1);
        }
        if (key == "database")
            return value;
        at = end == std::string::npos ? connection.size() : end + 1;
    }
    return invalid("nennt keine Datenbank (database=).");
}

std::string connectionValue(const std::string &value)
{
    const bool plain = value.find_first_of("[]{}(),;?*=!@") == std::string::npos
            && (value.empty() || (!isBlank(value.front()) && !isBlank(value.back())));
    if (plain)
        return value;
    std::string braced = "{";
    for (char c : value) {
        braced.push_back(c);
        if (c == '}')
            braced.push_back('}');
    }
    return braced + "}";
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
