// The parser of sort texts.
#include "sort_text.h"

#include "text_util.h"

#include <algorithm>

namespace recordset {

Result<std::vector<SortField>> parseSort(const std::string &text,
                                         const std::function<int(const std::string &)> &fieldOf)
{
    std::vector<SortField> fields;
    if (trimmed(text).empty())
        return fields;
    for (const std::string &part : split(text, ',')) {
        std::vector<std::string> words = splitBlanks(part);
        auto fail = [&](const std::string &why) {
            return Error {kInvalidArgument,
                          "Die Sortierangabe " + quoted(text) + " ist ungültig: " + why + "."};
        };
        if (words.empty() || words.size() > 2)
            return fail("erwartet wird »Feld [ASC|DESC]«, durch Kommas getrennt");
        std::string name = words[0];
        if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
            name = name.substr(1, name.size() - 2);
        const int field = fieldOf(name);
        if (field < 0)
            return fail("das Feld " + quoted(name) + " gibt es nicht");
        SortField sortField {static_cast<size_t>(field), false};
        // A repeat sorts by nothing new, and thousands of them cost minutes on a large table.
        if (std::any_of(fields.begin(), fields.end(),
                        [&](const SortField &f) { return f.field == sortField.field; }))
            return fail("das Feld " + quoted(name) + " wird mehr als einmal genannt");
        if (words.size() == 2) {
            const std::string direction = asciiLower(words[1]);
            if (direction != "asc" && direction != "desc")
                return fail(quoted(words[1]) + " ist weder ASC noch DESC");
            sortField.descending = direction == "desc";
        }
        fields.push_back(sortField);
    }
    return fields;
}

} // namespace recordset
