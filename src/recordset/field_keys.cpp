// Per-field sort keys: numbers by value, texts ranked by distinct value or kept per record.
#include "field_keys.h"

#include "dbf/ascii.h"
#include "dbf/huge_pages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace recordset {
namespace {

// Past this many values, when more than every second record brings a new one (CALL, E_MAIL), a
// dictionary costs more than it saves: each record then keeps its own text.
constexpr size_t kMostValues = 4096;

// The value to sort by; NaN for an empty value and for one that is no number or date.
double numberKey(const FieldValues &values, std::string_view record)
{
    double value = 0;
    bool logical = false;
    switch (values.kind()) {
    case ValueKind::Number:
        return values.number(record, value) ? value : NAN;
    case ValueKind::Date:
        return values.date(record, value) ? value : NAN;
    case ValueKind::Logical:
        return values.logical(record, logical) ? (logical ? 1 : 0) : NAN;
    case ValueKind::Text:
        break;
    }
    return NAN;
}

// Doubles as unsigned numbers in the same order, empty (NaN) values first.
uint64_t orderedBits(double value)
{
    if (std::isnan(value))
        return 0;
    if (value == 0)
        value = 0; // -0 and 0 are the same number
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
}

int compareNumbers(double a, double b)
{
    const bool emptyA = std::isnan(a), emptyB = std::isnan(b);
    if (emptyA || emptyB)
        return emptyA == emptyB ? 0 : emptyA ? -1 : 1;
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

uint32_t Dictionary::numberOf(std::string_view value)
{
    auto found = numbers.find(value);
    if (found == numbers.end()) {
        found = numbers.emplace(value, static_cast<uint32_t>(values.size())).first;
        values.push_back(found->first);
    }
    return found->second;
}

FieldKeys::FieldKeys(const SortField &sortField, const dbf::Table &table, const Collator &collator,
                     const ByteSortKeys *byteKeys, size_t expected)
    : m_values(table, sortField.field),
      m_collator(collator),
      m_byteKeys(m_values.isCharacterField() ? byteKeys : nullptr),
      m_descending(sortField.descending),
      m_mode(m_values.kind() == ValueKind::Text ? Mode::Values : Mode::Numbers),
      m_expected(expected),
      m_length(table.field(sortField.field).length)
{
    if (m_mode == Mode::Values)
        dbf::reserveHuge(m_numbersOfValues, expected);
    else
        dbf::reserveHuge(m_numbers, expected);
}

void FieldKeys::add(std::string_view record)
{
    switch (m_mode) {
    case Mode::Numbers:
        m_numbers.push_back(numberKey(m_values, record));
        break;
    case Mode::Values:
        m_numbersOfValues.push_back(m_dictionary.numberOf(valueOf(record)));
        if (m_dictionary.values.size() > kMostValues
            && m_dictionary.values.size() * 2 > m_numbersOfValues.size())
            toTextKeys();
        break;
    case Mode::TextKeys:
        keepText(valueOf(record));
        break;
    case Mode::Ranks:
        break; // ranks are given once every record is added
    }
}

void FieldKeys::toTextKeys()
{
    // Sort keys of the collator once per value; byte keys are built from the bytes kept.
    std::vector<std::string> keys(m_byteKeys ? 0 : m_dictionary.values.size());
    for (size_t i = 0; i < keys.size(); ++i)
        appendKey(m_dictionary.values[i], keys[i]);
    if (m_byteKeys) {
        dbf::reserveHuge(m_arena, m_expected * m_length);
    } else {
        // Room for the usual key: three weights per byte of a text of up to 32 bytes.
        dbf::reserveHuge(m_arena, m_expected * (3 * std::min<size_t>(m_length, 32) + 2));
        dbf::reserveHuge(m_offsets, m_expected + 1);
        m_offsets.push_back(0);
    }
    for (uint32_t number : m_numbersOfValues)
        keepText(m_dictionary.values[number], keys.empty() ? nullptr : &keys[number]);
    m_numbersOfValues = {};
    m_dictionary = {};
    m_mode = Mode::TextKeys;
}

void FieldKeys::rankWith(FieldKeys &other)
{
    std::vector<std::string_view> values = m_dictionary.values;
    std::vector<uint32_t> inValues; // other's value numbers → places in `values`
    for (std::string_view value : other.m_dictionary.values) {
        const auto found = m_dictionary.numbers.find(value);
        if (found != m_dictionary.numbers.end()) {
            inValues.push_back(found->second);
        } else {
            inValues.push_back(static_cast<uint32_t>(values.size()));
            values.push_back(value);
        }
    }
    std::vector<std::string> keys(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        appendKey(values[i], keys[i]);
    std::vector<uint32_t> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
    std::vector<uint32_t> ranks(values.size());
    for (size_t i = 0, rank = 0; i < order.size(); ++i) {
        if (i > 0 && keys[order[i]] != keys[order[i - 1]])
            ++rank;
        ranks[order[i]] = static_cast<uint32_t>(rank);
    }
    for (uint32_t &number : m_numbersOfValues)
        number = ranks[number];
    for (uint32_t &number : other.m_numbersOfValues)
        number = ranks[inValues[number]];
    for (FieldKeys *ranked : {this, &other}) {
        ranked->m_dictionary = {};
        ranked->m_mode = Mode::Ranks;
    }
}

uint64_t FieldKeys::prefix(size_t place) const
{
    uint64_t value = 0;
    if (m_mode == Mode::TextKeys) {
        thread_local std::string room;
        const std::string_view key = wholeKey(place, room);
        for (size_t i = 0; i < 8; ++i)
            value = value << 8 | (i < key.size() ? uint8_t(key[i]) : 0);
    } else if (m_mode == Mode::Ranks) {
        value = m_numbersOfValues[place];
    } else {
        value = orderedBits(m_numbers[place]);
    }
    return m_descending ? ~value : value;
}

int FieldKeys::compare(size_t a, const FieldKeys &other, size_t b) const
{
    int order = 0;
    if (m_mode == Mode::TextKeys) {
        // Most ties beyond the prefix are the same value again: equal bytes, equal keys.
        if (!m_byteKeys || keptSlot(a) != other.keptSlot(b)) {
            thread_local std::string roomA, roomB;
            order = wholeKey(a, roomA).compare(other.wholeKey(b, roomB));
        }
    } else if (m_mode == Mode::Ranks) {
        const uint32_t rankA = m_numbersOfValues[a], rankB = other.m_numbersOfValues[b];
        order = rankA < rankB ? -1 : rankA > rankB ? 1 : 0;
    } else {
        order = compareNumbers(m_numbers[a], other.m_numbers[b]);
    }
    return m_descending ? -order : order;
}

// What a text is collated from: the field's bytes where byte keys stand in for the
// collator, else the text's UTF-16 code units.
std::string_view FieldKeys::valueOf(std::string_view record)
{
    if (m_byteKeys)
        return m_values.trimmedBytes(record);
    m_values.utf16Text(record, m_utf16);
    return {reinterpret_cast<const char *>(m_utf16.data()), m_utf16.size() * 2};
}

// Appends the sort key of a value valueOf() gave.
void FieldKeys::appendKey(std::string_view value, std::string &out)
{
    if (m_byteKeys) {
        m_byteKeys->append(value, out);
        return;
    }
    m_units.resize(value.size() / 2);
    std::memcpy(m_units.data(), value.data(), value.size());
    m_collator.appendSortKey(m_units, out);
}

// Keeps what the next record's text sorts by: with byte keys its bytes, in a slot of the
// field's width, from which keys are quickly built; else its sort key, `key` when known.
void FieldKeys::keepText(std::string_view value, const std::string *key)
{
    if (m_byteKeys) {
        m_arena.append(value).append(m_length - value.size(), '\0');
        return;
    }
    if (key)
        m_arena += *key;
    else
        appendKey(value, m_arena);
    m_offsets.push_back(m_arena.size());
}

// The slot of the text at `place`, with byte keys: its bytes, then NULs to the field's width.
std::string_view FieldKeys::keptSlot(size_t place) const
{
    return std::string_view(m_arena).substr(place * m_length, m_length);
}

// The sort key of the text at `place`; a byte key is built into `room`.
std::string_view FieldKeys::wholeKey(size_t place, std::string &room) const
{
    if (m_byteKeys) {
        room.clear();
        m_byteKeys->append(dbf::withoutTrailingPadding(keptSlot(place)), room);
        return room;
    }
    return std::string_view(m_arena).substr(m_offsets[place],
                                            m_offsets[place + 1] - m_offsets[place]);
}

} // namespace recordset
