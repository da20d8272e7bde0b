// Sorting records over per-field keys built once per sort.
#include "sort_order.h"

#include "field_values.h"
#include "text_util.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace recordset {
namespace {

// The keys of one field, one per record added, in the order they were added.
class FieldKeys
{
public:
    FieldKeys(const SortField &sortField, const dbf::Table &table, const Collator &collator,
              const ByteSortKeys *byteKeys, size_t expected)
        : m_values(table, sortField.field),
          m_collator(collator),
          m_byteKeys(m_values.isCharacterField() ? byteKeys : nullptr),
          m_descending(sortField.descending),
          m_text(m_values.kind() == ValueKind::Text)
    {
        if (m_text) {
            m_offsets.reserve(expected);
            m_lengths.reserve(expected);
            m_arena.reserve(expected * 3 * table.field(sortField.field).length / 2);
        } else {
            m_numbers.reserve(expected);
        }
    }

    // Adds the key of the record with these bytes.
    void add(std::string_view record)
    {
        if (!m_text) {
            m_numbers.push_back(numberKey(m_values, record));
            return;
        }
        const size_t start = m_arena.size();
        if (m_byteKeys) {
            m_byteKeys->append(m_values.trimmedBytes(record), m_arena);
        } else {
            m_values.utf16Text(record, m_utf16);
            m_collator.appendSortKey(m_utf16, m_arena);
        }
        m_offsets.push_back(start);
        m_lengths.push_back(static_cast<uint32_t>(m_arena.size() - start));
    }

    // The first eight bytes of the key at `place`, so that comparing them as numbers orders as
    // the keys do (direction applied); equal prefixes leave the decision to compare().
    uint64_t prefix(size_t place) const
    {
        uint64_t value = 0;
        if (m_text) {
            const size_t length = std::min<size_t>(8, m_lengths[place]);
            for (size_t i = 0; i < 8; ++i)
                value = value << 8 | (i < length ? uint8_t(m_arena[m_offsets[place] + i]) : 0);
        } else {
            value = orderedBits(m_numbers[place]);
        }
        return m_descending ? ~value : value;
    }

    // <0, 0 or >0 for the records at `a` and `b` of the sorted range, direction applied.
    int compare(size_t a, size_t b) const
    {
        const int order = m_text ? compareText(a, b) : compareNumbers(m_numbers[a], m_numbers[b]);
        return m_descending ? -order : order;
    }

private:
    static double numberKey(const FieldValues &values, std::string_view record)
    {
        double value = NAN; // empty
        switch (values.kind()) {
        case ValueKind::Number:
            values.number(record, value);
            break;
        case ValueKind::Date:
            values.date(record, value);
            break;
        case ValueKind::Logical: {
            const std::string text = values.text(record);
            if (!text.empty())
                value = text == "Wahr" ? 1 : 0;
            break;
        }
        case ValueKind::Text:
            break;
        }
        return value;
    }

    // Doubles as unsigned numbers in the same order, empty (NaN) values first.
    static uint64_t orderedBits(double value)
    {
        if (std::isnan(value))
            return 0;
        if (value == 0)
            value = 0; // -0 and 0 are the same number
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
    }

    static int compareNumbers(double a, double b)
    {
        const bool emptyA = std::isnan(a), emptyB = std::isnan(b);
        if (emptyA || emptyB)
            return emptyA == emptyB ? 0 : emptyA ? -1 : 1;
        return a < b ? -1 : a > b ? 1 : 0;
    }

    int compareText(size_t a, size_t b) const
    {
        const size_t lengthA = m_lengths[a], lengthB = m_lengths[b];
        const int order = std::memcmp(m_arena.data() + m_offsets[a], m_arena.data() + m_offsets[b],
                                      std::min(lengthA, lengthB));
        if (order != 0)
            return order;
        return lengthA < lengthB ? -1 : lengthA > lengthB ? 1 : 0;
    }

    FieldValues m_values;
    const Collator &m_collator;
    const ByteSortKeys *m_byteKeys;
    std::u16string m_utf16;
    bool m_descending;
    bool m_text;
    std::string m_arena; // sort keys of text fields, one after another
    std::vector<size_t> m_offsets;
    std::vector<uint32_t> m_lengths;
    std::vector<double> m_numbers; // NaN for empty values
};

} // namespace

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
                          "Die Sortierangabe »" + text + "« ist ungültig: " + why + "."};
        };
        if (words.empty() || words.size() > 2)
            return fail("erwartet wird »Feld [ASC|DESC]«, durch Kommas getrennt");
        std::string name = words[0];
        if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
            name = name.substr(1, name.size() - 2);
        const int field = fieldOf(name);
        if (field < 0)
            return fail("das Feld »" + name + "« gibt es nicht");
        SortField sortField {static_cast<size_t>(field), false};
        if (words.size() == 2) {
            const std::string direction = asciiLower(words[1]);
            if (direction != "asc" && direction != "desc")
                return fail("»" + words[1] + "« ist weder ASC noch DESC");
            sortField.descending = direction == "desc";
        }
        fields.push_back(sortField);
    }
    return fields;
}

namespace {

// Keys of every field, built in one pass over the file for the records `keep` lets through.
struct KeyedRecords
{
    std::vector<uint32_t> records; // in file order
    std::vector<uint32_t> places; // each record's place in the order that breaks ties
    std::vector<FieldKeys> keys;
};

KeyedRecords
keyRecords(const std::vector<SortField> &fields, const dbf::Table &table, const Collator &collator,
           const ByteSortKeys *byteKeys, size_t expected,
           const std::function<std::optional<uint32_t>(uint64_t, std::string_view)> &place)
{
    KeyedRecords keyed;
    for (const SortField &field : fields)
        keyed.keys.emplace_back(field, table, collator, byteKeys, expected);
    keyed.records.reserve(expected);
    keyed.places.reserve(expected);
    table.scan([&](uint64_t record, std::string_view bytes) {
        const std::optional<uint32_t> at = place(record, bytes);
        if (!at)
            return;
        keyed.records.push_back(static_cast<uint32_t>(record));
        keyed.places.push_back(*at);
        for (FieldKeys &key : keyed.keys)
            key.add(bytes);
    });
    return keyed;
}

// The records in key order; equal keys keep the order of their places.
std::vector<uint32_t> inKeyOrder(const KeyedRecords &keyed)
{
    // Most comparisons end within the first eight key bytes of the first field, kept beside
    // the key's number so that they need no other memory; the rest compare whole keys.
    struct Entry
    {
        uint64_t prefix;
        uint32_t key;
    };
    std::vector<Entry> entries(keyed.records.size());
    for (uint32_t k = 0; k < entries.size(); ++k)
        entries[k] = {keyed.keys.front().prefix(k), k};
    std::sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        for (const FieldKeys &key : keyed.keys) {
            if (const int c = key.compare(a.key, b.key))
                return c < 0;
        }
        return keyed.places[a.key] < keyed.places[b.key];
    });
    std::vector<uint32_t> sorted(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        sorted[i] = keyed.records[entries[i].key];
    return sorted;
}

} // namespace

void sortRecords(std::vector<uint32_t> &records, const std::vector<SortField> &fields,
                 const dbf::Table &table, const Collator &collator, const ByteSortKeys *byteKeys)
{
    if (fields.empty() || records.size() < 2)
        return;
    std::vector<uint32_t> slots(table.recordCount(), UINT32_MAX);
    for (size_t i = 0; i < records.size(); ++i)
        slots[records[i]] = static_cast<uint32_t>(i);
    records = inKeyOrder(
            keyRecords(fields, table, collator, byteKeys, records.size(),
                       [&](uint64_t record, std::string_view) -> std::optional<uint32_t> {
                           if (slots[record] == UINT32_MAX)
                               return std::nullopt;
                           return slots[record];
                       }));
}

std::vector<uint32_t> sortedRecords(const std::vector<SortField> &fields, const dbf::Table &table,
                                    const Collator &collator, const ByteSortKeys *byteKeys,
                                    const std::function<bool(std::string_view)> &keep)
{
    uint32_t kept = 0;
    return inKeyOrder(keyRecords(fields, table, collator, byteKeys, table.recordCount(),
                                 [&](uint64_t, std::string_view bytes) -> std::optional<uint32_t> {
                                     if (!keep(bytes))
                                         return std::nullopt;
                                     return kept++;
                                 }));
}

} // namespace recordset
