// Sorting records over per-field keys built once per sort.
#include "sort_order.h"

#include "dbf/huge_pages.h"
#include "field_values.h"
#include "table_halves.h"

#include <algorithm>
#include <array>
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
            // Room for the usual key: three weights per byte of a text of up to 32 bytes.
            const size_t length = std::min<size_t>(table.field(sortField.field).length, 32);
            dbf::reserveHuge(m_arena, expected * (3 * length + 2));
            dbf::reserveHuge(m_offsets, expected + 1);
            m_offsets.push_back(0);
        } else {
            dbf::reserveHuge(m_numbers, expected);
        }
    }

    // Adds the key of the record with these bytes.
    void add(std::string_view record)
    {
        if (!m_text) {
            m_numbers.push_back(numberKey(m_values, record));
            return;
        }
        if (m_byteKeys) {
            m_byteKeys->append(m_values.trimmedBytes(record), m_arena);
        } else {
            m_values.utf16Text(record, m_utf16);
            m_collator.appendSortKey(m_utf16, m_arena);
        }
        m_offsets.push_back(m_arena.size());
    }

    // The first eight bytes of the key at `place`, so that comparing them as numbers orders as
    // the keys do (direction applied); equal prefixes leave the decision to compare().
    uint64_t prefix(size_t place) const
    {
        uint64_t value = 0;
        if (m_text) {
            const std::string_view key = textKey(place);
            for (size_t i = 0; i < 8; ++i)
                value = value << 8 | (i < key.size() ? uint8_t(key[i]) : 0);
        } else {
            value = orderedBits(m_numbers[place]);
        }
        return m_descending ? ~value : value;
    }

    // <0, 0 or >0 for key `a` here and key `b` of `other`, keys of the same field, direction
    // applied.
    int compare(size_t a, const FieldKeys &other, size_t b) const
    {
        const int order = m_text ? textKey(a).compare(other.textKey(b))
                                 : compareNumbers(m_numbers[a], other.m_numbers[b]);
        return m_descending ? -order : order;
    }

    // Whether the prefix decides every comparison by itself.
    bool prefixIsWholeKey() const { return !m_text; }

private:
    // The value to sort by; NaN for an empty value and for one that is no number or date.
    static double numberKey(const FieldValues &values, std::string_view record)
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

    std::string_view textKey(size_t place) const
    {
        return std::string_view(m_arena).substr(m_offsets[place],
                                                m_offsets[place + 1] - m_offsets[place]);
    }

    FieldValues m_values;
    const Collator &m_collator;
    const ByteSortKeys *m_byteKeys;
    std::u16string m_utf16;
    bool m_descending;
    bool m_text;
    std::string m_arena; // sort keys of text fields, one after another
    std::vector<uint64_t> m_offsets; // where each key starts, and where the last one ends
    std::vector<double> m_numbers; // NaN for empty values
};

// One record to sort: the first eight key bytes of its first field, its place in the order that
// breaks ties, and the number of its keys. Most comparisons end at the prefix, which needs no
// other memory.
struct Entry
{
    uint64_t prefix;
    uint32_t place;
    uint32_t key;
};

using Placer = std::function<std::optional<uint32_t>(uint64_t record, std::string_view bytes)>;

// The records of one stretch of the file that `place` lets through, keyed and sorted.
struct SortedPart
{
    std::vector<FieldKeys> keys;
    std::vector<Entry> entries;
};

// Whether `a` of part `partA` comes before `b` of `partB` when their prefixes are equal.
bool before(const SortedPart &partA, const Entry &a, const SortedPart &partB, const Entry &b)
{
    for (size_t field = 0; field < partA.keys.size(); ++field) {
        if (const int c = partA.keys[field].compare(a.key, partB.keys[field], b.key))
            return c < 0;
    }
    return a.place < b.place;
}

SortedPart sortedPart(const std::vector<SortField> &fields, const dbf::Table &table,
                      const Collator &collator, const ByteSortKeys *byteKeys, size_t expected,
                      uint64_t begin, uint64_t end, const Placer &place)
{
    SortedPart part;
    expected = static_cast<size_t>(std::min<uint64_t>(expected, end - begin));
    for (const SortField &field : fields)
        part.keys.emplace_back(field, table, collator, byteKeys, expected);
    dbf::reserveHuge(part.entries, expected);
    table.scanRange(begin, end, [&](uint64_t record, std::string_view bytes) {
        const std::optional<uint32_t> at = place(record, bytes);
        if (!at)
            return;
        const auto key = static_cast<uint32_t>(part.entries.size());
        for (FieldKeys &fieldKeys : part.keys)
            fieldKeys.add(bytes);
        part.entries.push_back({part.keys.empty() ? 0 : part.keys.front().prefix(key), *at, key});
    });

    // Entries sort by prefix, then whole keys, then place. Comparing prefix and place first
    // leaves runs of equal prefixes in place order; only runs whose keys differ beyond the
    // prefix are sorted again on whole keys.
    std::sort(part.entries.begin(), part.entries.end(), [](const Entry &a, const Entry &b) {
        return a.prefix != b.prefix ? a.prefix < b.prefix : a.place < b.place;
    });
    if (part.keys.size() == 1 && part.keys.front().prefixIsWholeKey())
        return part;
    const auto byKeys = [&](const Entry &a, const Entry &b) { return before(part, a, part, b); };
    for (auto run = part.entries.begin(); run != part.entries.end();) {
        const auto runEnd = std::find_if(run, part.entries.end(),
                                         [&](const Entry &e) { return e.prefix != run->prefix; });
        if (runEnd - run > 1 && !std::is_sorted(run, runEnd, byKeys))
            std::sort(run, runEnd, byKeys);
        run = runEnd;
    }
    return part;
}

// The places of the records `place` lets through, in key order; equal keys keep the order of
// their places. The two halves of the file are read, keyed and sorted on two threads at once,
// then merged.
std::vector<uint32_t> placesInKeyOrder(const std::vector<SortField> &fields,
                                       const dbf::Table &table, const Collator &collator,
                                       const ByteSortKeys *byteKeys, size_t expected,
                                       const Placer &place)
{
    std::array<SortedPart, 2> parts;
    inTableHalves(table, [&](int half, uint64_t begin, uint64_t end) {
        parts[static_cast<size_t>(half)] =
                sortedPart(fields, table, collator, byteKeys, expected, begin, end, place);
    });
    const SortedPart &first = parts[0], &second = parts[1];
    std::vector<uint32_t> places;
    dbf::reserveHuge(places, first.entries.size() + second.entries.size());
    auto a = first.entries.cbegin(), b = second.entries.cbegin();
    while (a != first.entries.cend() || b != second.entries.cend()) {
        const bool takeB = a == first.entries.cend()
                || (b != second.entries.cend()
                    && (b->prefix != a->prefix ? b->prefix < a->prefix
                                               : before(second, *b, first, *a)));
        places.push_back((takeB ? b++ : a++)->place);
    }
    return places;
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
    std::vector<uint32_t> places =
            placesInKeyOrder(fields, table, collator, byteKeys, records.size(),
                             [&](uint64_t record, std::string_view) -> std::optional<uint32_t> {
                                 if (slots[record] == UINT32_MAX)
                                     return std::nullopt;
                                 return slots[record];
                             });
    for (uint32_t &place : places)
        place = records[place];
    records = std::move(places);
}

std::vector<uint32_t> sortedRecords(const std::vector<SortField> &fields, const dbf::Table &table,
                                    const Collator &collator, const ByteSortKeys *byteKeys,
                                    const std::function<bool(std::string_view)> &keep)
{
    // A record's number is its place: equal keys keep the file order.
    return placesInKeyOrder(
            fields, table, collator, byteKeys, table.recordCount(),
            [&](uint64_t record, std::string_view bytes) -> std::optional<uint32_t> {
                if (!keep(bytes))
                    return std::nullopt;
                return static_cast<uint32_t>(record);
            });
}

} // namespace recordset
