// A criterion bound to the fields of a table: decides for each record whether it matches.
#pragma once

#include "collator.h"
#include "criterion.h"
#include "field_values.h"

#include <functional>
#include <memory>

namespace recordset {

class Predicate
{
public:
    // Binds `criterion` to the fields named in it; `fieldOf` gives the table field of a name, or
    // -1. Fails with kInvalidArgument for an unknown field or a comparison the field cannot take
    // (a date with a text field), quoting `text` and naming `what`.
    static Result<Predicate> bind(const Criterion &criterion, const dbf::Table &table,
                                  const std::function<int(const std::string &)> &fieldOf,
                                  const Collator &collator, const std::string &text,
                                  const char *what);

    // REQUIRES: `record` holds the bytes of a record of the table
    bool matches(std::string_view record) const;

private:
    struct Node;
    std::shared_ptr<const Node> m_root;
};

// Whether `text` matches `pattern`, in which * and % stand for any run of characters.
bool likeMatch(std::string_view text, std::string_view pattern);

} // namespace recordset
