// A recursive-descent parser for filter and find criteria.
#include "criterion.h"

#include "dbf/calendar.h"
#include "dbf/number_text.h"
#include "text_util.h"

#include <algorithm>
#include <charconv>

namespace recordset {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// `text` as a number of one to `most` digits and nothing else.
bool digitsOf(const std::string &text, size_t most, int &value)
{
    if (text.empty() || text.size() > most || !std::all_of(text.begin(), text.end(), isDigit))
        return false;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return true;
}

// A time of day "h:mm" or "h:mm:ss" in seconds since midnight.
bool readTime(const std::string &text, int &seconds)
{
    const std::vector<std::string> parts = split(text, ':');
    int values[3] = {};
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!digitsOf(parts[i], 2, values[i]))
            return false;
    }
    if (values[0] > 23 || values[1] > 59 || values[2] > 59)
        return false;
    seconds = values[0] * 3600 + values[1] * 60 + values[2];
    return true;
}

struct DateParts
{
    int first = 0; // the month of #m-d-y#, the day of a German date
    int second = 0;
    int year = 0;
    int seconds = 0; // the time of day, 0 without one
};

// Three numbers of one to four digits joined by `separator`, the last the year, and after
// blanks an optional time.
std::optional<DateParts> readDate(const std::string &text, char separator)
{
    const std::vector<std::string> parts = split(text, separator);
    if (parts.size() != 3)
        return std::nullopt;
    std::string year = trimmed(parts[2]);
    std::string time;
    const size_t blank =
            static_cast<size_t>(std::find_if(year.begin(), year.end(), isBlank) - year.begin());
    if (blank < year.size()) {
        time = trimmed(year.substr(blank));
        year.resize(blank);
    }
    DateParts date;
    if (!digitsOf(trimmed(parts[0]), 4, date.first) || !digitsOf(trimmed(parts[1]), 4, date.second)
        || !digitsOf(year, 4, date.year) || (!time.empty() && !readTime(time, date.seconds)))
        return std::nullopt;
    date.year = dbf::fullYear(date.year, year.size());
    return date;
}

// Days since 1.1.1970 with the time of day as fraction, computed as a date field's value is.
std::optional<double> daysOf(int year, int month, int day, int seconds)
{
    int32_t days = 0;
    if (!dbf::daysSinceEpoch(year, month, day, days))
        return std::nullopt;
    return days + seconds / 86400.0;
}

class Parser
{
public:
    Parser(const std::string &text, const char *what) : m_text(text), m_what(what) { }

    Result<Criterion> parse()
    {
        Criterion criterion = expression();
        skipBlanks();
        if (!m_error && m_at < m_text.size())
            fail("nach dem vollständigen Vergleich folgt noch " + quoted(m_text.substr(m_at)));
        if (m_error)
            return *m_error;
        return criterion;
    }

private:
    void fail(const std::string &why)
    {
        if (!m_error)
            m_error = Error {kInvalidArgument,
                             "Das " + std::string(m_what) + " " + quoted(m_text)
                                     + " ist ungültig: an Stelle " + std::to_string(m_at + 1) + " "
                                     + why + "."};
    }

    void skipBlanks()
    {
        while (m_at < m_text.size() && isBlank(m_text[m_at]))
            ++m_at;
    }

    // The keyword at the current place, as a whole word; consumed when found.
    bool keyword(const char *word)
    {
        skipBlanks();
        const std::string lower =
                asciiLower(m_text.substr(m_at, std::char_traits<char>::length(word)));
        const size_t end = m_at + lower.size();
        if (lower != word
            || (end < m_text.size() && !isBlank(m_text[end]) && m_text[end] != '('
                && m_text[end] != '\'' && m_text[end] != '#' && m_text[end] != '['))
            return false;
        m_at = end;
        return true;
    }

    Criterion join(Criterion::Kind kind, Criterion first, const char *word,
                   Criterion (Parser::*next)())
    {
        if (m_error || !keyword(word))
            return first;
        Criterion joined;
        joined.kind = kind;
        joined.children.push_back(std::move(first));
        do {
            joined.children.push_back((this->*next)());
        } while (!m_error && keyword(word));
        return joined;
    }

    Criterion expression() { return join(Criterion::Kind::Or, term(), "or", &Parser::term); }
    Criterion term() { return join(Criterion::Kind::And, factor(), "and", &Parser::factor); }

    Criterion factor()
    {
        skipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == '(') {
            // Each parenthesis costs stack here and in every walk of the tree.
            if (m_depth == kMostNesting) {
                fail("stehen mehr als " + std::to_string(kMostNesting) + " Klammern ineinander");
                return {};
            }
            ++m_at;
            ++m_depth;
            Criterion inner = expression();
            --m_depth;
            skipBlanks();
            if (m_at >= m_text.size() || m_text[m_at] != ')')
                fail("fehlt die schließende Klammer");
            else
                ++m_at;
            return inner;
        }
        Criterion leaf;
        leaf.clause.field = field();
        if (!m_error)
            leaf.clause.op = op();
        if (!m_error)
            leaf.clause.value = value();
        return leaf;
    }

    std::string field()
    {
        skipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == '[') {
            const size_t close = m_text.find(']', m_at);
            if (close == std::string::npos) {
                fail("fehlt die schließende eckige Klammer des Feldnamens");
                return {};
            }
            std::string name = m_text.substr(m_at + 1, close - m_at - 1);
            m_at = close + 1;
            if (name.empty())
                fail("steht ein leerer Feldname");
            return name;
        }
        const size_t start = m_at;
        while (m_at < m_text.size() && !isBlank(m_text[m_at])
               && std::string_view("=<>'#()[").find(m_text[m_at]) == std::string_view::npos)
            ++m_at;
        if (m_at == start)
            fail("wird ein Feldname erwartet");
        return m_text.substr(start, m_at - start);
    }

    Operator op()
    {
        skipBlanks();
        static const std::pair<const char *, Operator> kOperators[] = {
                {"<>", Operator::NotEqual},
                {"<=", Operator::LessOrEqual},
                {">=", Operator::GreaterOrEqual},
                {"=", Operator::Equal},
                {"<", Operator::Less},
                {">", Operator::Greater},
        };
        for (const auto &[symbol, op] : kOperators) {
            if (m_text.compare(m_at, std::char_traits<char>::length(symbol), symbol) == 0) {
                m_at += std::char_traits<char>::length(symbol);
                return op;
            }
        }
        if (keyword("like"))
            return Operator::Like;
        fail("wird ein Vergleichsoperator erwartet (= < > <= >= <> LIKE)");
        return Operator::Equal;
    }

    Literal value()
    {
        skipBlanks();
        if (m_at >= m_text.size()) {
            fail("fehlt der Vergleichswert");
            return {};
        }
        if (m_text[m_at] == '\'')
            return text();
        if (m_text[m_at] == '#')
            return date();
        return number();
    }

    Literal text()
    {
        Literal literal;
        for (size_t at = m_at + 1; at < m_text.size(); ++at) {
            if (m_text[at] != '\'') {
                literal.text.push_back(m_text[at]);
            } else if (at + 1 < m_text.size() && m_text[at + 1] == '\'') {
                literal.text.push_back('\'');
                ++at;
            } else {
                m_at = at + 1;
                return literal;
            }
        }
        fail("fehlt das schließende Hochkomma");
        return literal;
    }

    Literal date()
    {
        Literal literal;
        literal.kind = Literal::Kind::Date;
        const size_t close = m_text.find('#', m_at + 1);
        if (close == std::string::npos) {
            fail("fehlt das schließende #");
            return literal;
        }
        literal.text = m_text.substr(m_at + 1, close - m_at - 1);
        const char separator = literal.text.find('/') != std::string::npos ? '/' : '-';
        const std::optional<DateParts> parts = readDate(literal.text, separator);
        const std::optional<double> date = parts
                ? daysOf(parts->year, parts->first, parts->second, parts->seconds)
                : std::nullopt;
        if (date)
            literal.date = *date;
        else
            fail("ist " + quoted("#" + literal.text + "#")
                 + " kein Datum der Form #Monat-Tag-Jahr# oder #Monat-Tag-Jahr Stunde:Minute#");
        m_at = close + 1;
        return literal;
    }

    Literal number()
    {
        Literal literal;
        literal.kind = Literal::Kind::Number;
        size_t end = m_at;
        if (end < m_text.size() && (m_text[end] == '-' || m_text[end] == '+'))
            ++end;
        while (end < m_text.size()
               && (isDigit(m_text[end]) || m_text[end] == '.' || m_text[end] == ','
                   || m_text[end] == 'e' || m_text[end] == 'E'
                   || ((m_text[end] == '-' || m_text[end] == '+')
                       && (m_text[end - 1] == 'e' || m_text[end - 1] == 'E'))))
            ++end;
        literal.text = m_text.substr(m_at, end - m_at);
        if (!dbf::readNumber(literal.text, literal.number)) { // the fields' rule of numbers
            fail("wird ein Wert erwartet: 'Text', #Datum# oder eine Zahl");
            return literal;
        }
        m_at = end;
        return literal;
    }

    static constexpr size_t kMostNesting = 100;

    const std::string &m_text;
    const char *m_what;
    size_t m_at = 0;
    size_t m_depth = 0; // parentheses open at m_at
    std::optional<Error> m_error;
};

} // namespace

Result<Criterion> parseCriterion(const std::string &text, const char *what)
{
    return Parser(text, what).parse();
}

std::optional<double> germanDate(std::string_view text)
{
    const std::optional<DateParts> parts = readDate(std::string(text), '.');
    return parts ? daysOf(parts->year, parts->second, parts->first, parts->seconds) : std::nullopt;
}

} // namespace recordset
