// Filter and find criteria: `[field] op value` clauses joined by AND and OR, parsed to a tree.
#pragma once

#include "error.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace recordset {

enum class Operator { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual, Like };

struct Literal
{
    enum class Kind { Text, Number, Date };
    Kind kind = Kind::Text;
    std::string text; // the text between the quotes, the number or date as written
    double number = 0; // Kind::Number
    double date = 0; // Kind::Date: days since 1.1.1970, the time of day as fraction
};

struct Clause
{
    std::string field; // without brackets
    Operator op = Operator::Equal;
    Literal value;
};

// A tree of clauses: a leaf holds one clause, an inner node joins its children with AND or OR.
struct Criterion
{
    enum class Kind { Clause, And, Or };
    Kind kind = Kind::Clause;
    Clause clause;
    std::vector<Criterion> children;
};

// Parses `[field] op value` or `field op value` with the operators = < > <= >= <> LIKE and the
// values 'text' ('' for an apostrophe), #m-d-yyyy# or #m/d/yyyy# (each with a time h:mm or
// h:mm:ss after a blank), and numbers with "." or "," as decimal separator; clauses joined by AND
// and OR (AND binds closer) and parentheses.
// Fails with kInvalidArgument, quoting the text and naming the place (1-based) where it went
// wrong. `what` names the text in the message: "Filterkriterium" or "Suchkriterium".
Result<Criterion> parseCriterion(const std::string &text, const char *what);

// A German date "d.m.yyyy" (or "d.m.yy"), with a time h:mm or h:mm:ss after a blank, as the text
// of a date field is compared: days since 1.1.1970, the time of day as fraction. Nothing for any
// other text.
std::optional<double> germanDate(std::string_view text);

} // namespace recordset
