// Evaluation of criteria on records: text ignoring case, numbers, dates and LIKE patterns.
#include "predicate.h"

#include "text_util.h"

#include <algorithm>
#include <cmath>

namespace recordset {

struct Predicate::Node
{
    Criterion::Kind kind = Criterion::Kind::Clause;
    std::vector<Node> children;

    // A clause: the field, the operator and the literal prepared for comparing.
    std::shared_ptr<FieldValues> values;
    Operator op = Operator::Equal;
    Literal::Kind literalKind = Literal::Kind::Text;
    std::string literal; // text comparisons
    bool literalIsPlainAscii = false;
    std::string foldedLiteral; // LIKE patterns
    double number = 0; // number and date comparisons
    bool wholeDay = false; // a date without a time of day
    const Collator *collator = nullptr;

    bool matches(std::string_view record) const;
    bool clauseMatches(std::string_view record) const;
    std::optional<std::string> takeDates(const std::string &field);
};

namespace {

template<typename T>
bool compare(Operator op, T a, T b)
{
    switch (op) {
    case Operator::Equal:
        return a == b;
    case Operator::NotEqual:
        return a != b;
    case Operator::Less:
        return a < b;
    case Operator::LessOrEqual:
        return a <= b;
    case Operator::Greater:
        return a > b;
    case Operator::GreaterOrEqual:
        return a >= b;
    case Operator::Like:
        return false;
    }
    return false;
}

// For printable ASCII the German collation ignoring case orders like this: equal exactly when
// equal but for case. Only equality is decided here.
int asciiCompareIgnoringCase(std::string_view a, std::string_view b)
{
    return dbf::sameIgnoringAsciiCase(a, b) ? 0 : 1;
}

bool isPlainAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

std::string withoutTrailingBlanks(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

bool likeMatch(std::string_view text, std::string_view pattern)
{
    // Greedy matching with backtracking to the last wildcard: linear for the usual patterns.
    size_t t = 0, p = 0;
    size_t starPattern = std::string_view::npos, starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%')) {
            starPattern = p++;
            starText = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%'))
        ++p;
    return p == pattern.size();
}

bool Predicate::Node::clauseMatches(std::string_view record) const
{
    if (op == Operator::Like) {
        thread_local std::string folded;
        values->foldedText(record, folded);
        return likeMatch(folded, foldedLiteral);
    }
    switch (literalKind) {
    case Literal::Kind::Number: {
        double value = 0;
        return values->number(record, value) && compare(op, value, number);
    }
    case Literal::Kind::Date: {
        double value = 0;
        if (!values->date(record, value))
            return false;
        // A date-time matches "= #day#" all that day long.
        if (wholeDay && (op == Operator::Equal || op == Operator::NotEqual))
            value = std::floor(value);
        return compare(op, value, number);
    }
    case Literal::Kind::Text:
        break;
    }
    std::string_view bytes;
    if ((op == Operator::Equal || op == Operator::NotEqual) && literalIsPlainAscii
        && values->plainAscii(record, bytes))
        return compare(op, asciiCompareIgnoringCase(bytes, literal), 0);
    return compare(op, collator->compareIgnoringCase(values->text(record), literal), 0);
}

// A date field compares as date and time, a date being midnight of its day: a text becomes the
// German date it reads as. Says what makes the comparison impossible: a text that is no date
// (never compared as the date's display text), a date with a field that holds none.
std::optional<std::string> Predicate::Node::takeDates(const std::string &field)
{
    if (op == Operator::Like)
        return std::nullopt;
    const bool dateField = values->kind() == ValueKind::Date;
    if (literalKind == Literal::Kind::Date && !dateField)
        return "das Feld " + quoted(field) + " ist kein Datumsfeld";
    if (literalKind == Literal::Kind::Text && dateField) {
        const std::optional<double> date = germanDate(trimmed(literal));
        if (!date)
            return "das Feld " + quoted(field) + " ist ein Datumsfeld und " + quoted(literal)
                    + " kein Datum der Form Tag.Monat.Jahr oder Tag.Monat.Jahr Stunde:Minute";
        literalKind = Literal::Kind::Date;
        number = *date;
    }
    wholeDay = number == std::floor(number);
    return std::nullopt;
}

bool Predicate::Node::matches(std::string_view record) const
{
    switch (kind) {
    case Criterion::Kind::Clause:
        return clauseMatches(record);
    case Criterion::Kind::And:
        for (const Node &child : children) {
            if (!child.matches(record))
                return false;
        }
        return true;
    case Criterion::Kind::Or:
        for (const Node &child : children) {
            if (child.matches(record))
                return true;
        }
        return false;
    }
    return false;
}

Result<Predicate> Predicate::bind(const Criterion &criterion, const dbf::Table &table,
                                  const std::function<int(const std::string &)> &fieldOf,
                                  const Collator &collator, const std::string &text,
                                  const char *what)
{
    std::optional<Error> error;
    std::function<Node(const Criterion &)> build = [&](const Criterion &c) {
        Node node;
        node.kind = c.kind;
        for (const Criterion &child : c.children)
            node.children.push_back(build(child));
        if (c.kind != Criterion::Kind::Clause)
            return node;

        const int field = fieldOf(c.clause.field);
        if (field < 0) {
            if (!error)
                error = Error {kInvalidArgument,
                               "Das " + std::string(what) + " " + quoted(text)
                                       + " ist ungültig: das Feld " + quoted(c.clause.field)
                                       + " gibt es nicht."};
            return node;
        }
        node.values = std::make_shared<FieldValues>(table, static_cast<size_t>(field));
        node.op = c.clause.op;
        node.literalKind = c.clause.value.kind;
        node.collator = &collator;
        node.literal = withoutTrailingBlanks(c.clause.value.text);
        node.literalIsPlainAscii = isPlainAscii(node.literal);
        node.foldedLiteral = foldCase(node.literal);
        node.number = node.literalKind == Literal::Kind::Date ? c.clause.value.date
                                                              : c.clause.value.number;
        const std::optional<std::string> mismatch = node.takeDates(c.clause.field);
        if (mismatch && !error)
            error = Error {kInvalidArgument,
                           "Das " + std::string(what) + " " + quoted(text)
                                   + " ist ungültig: " + *mismatch + "."};
        return node;
    };
    Node root = build(criterion);
    if (error)
        return *error;
    Predicate predicate;
    predicate.m_root = std::make_shared<const Node>(std::move(root));
    return predicate;
}

bool Predicate::matches(std::string_view record) const
{
    return m_root->matches(record);
}

} // namespace recordset
