// Number texts: which texts are numbers, and their values as doubles.
#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

namespace dbf {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The value of a number text beyond a double's range (no '+', '.' as decimal point): ±infinity
// when its first digit stands before the point, the exponent counted in, ±0 when after it.
double beyondRange(std::string_view text)
{
    const size_t exponentAt = std::min(text.find_first_of("eE"), text.size());
    const std::string_view mantissa = text.substr(0, exponentAt);
    const auto point = static_cast<long long>(std::min(mantissa.find('.'), mantissa.size()));
    const auto first = static_cast<long long>(mantissa.find_first_of("123456789"));
    long long exponent = 0;
    if (exponentAt < text.size()) {
        std::string_view digits = text.substr(exponentAt + 1);
        if (digits.front() == '+')
            digits.remove_prefix(1);
        if (std::from_chars(digits.data(), digits.data() + digits.size(), exponent).ec
            != std::errc()) // an exponent of more digits than a long long holds
            exponent = digits.front() == '-' ? std::numeric_limits<long long>::min() / 2
                                             : std::numeric_limits<long long>::max() / 2;
    }
    const double magnitude =
            point - first + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return text.front() == '-' ? -magnitude : magnitude;
}

} // namespace

// Exponents stand in N fields as well: shapelib writes them there (polygon.dbf, DIS208 N(19,17)
// "1.166785e+001"), and dbfread and GDAL read them as numbers. Some writers put a decimal comma.
bool isNumberText(std::string_view text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const size_t exponentStart = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        if (i == exponentStart)
            return false;
    }
    return i == text.size();
}

bool readNumber(std::string_view text, double &value)
{
    if (!isNumberText(text))
        return false;
    if (text.front() == '+') // from_chars takes no '+'
        text.remove_prefix(1);
    std::string withPoint; // nor a decimal comma
    if (const size_t comma = text.find(','); comma != std::string_view::npos) {
        withPoint.assign(text);
        withPoint[comma] = '.';
        text = withPoint;
    }
    double read = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), read).ec != std::errc())
        read = beyondRange(text); // the only failure a number text leaves
    value = read;
    return true;
}

} // namespace dbf
