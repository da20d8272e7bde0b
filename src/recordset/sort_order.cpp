// Sorting records over per-field keys built once per sort.
#include "sort_order.h"

#include "dbf/ascii.h"
#include "dbf/huge_pages.h"
#include "field_values.h"
#include "table_halves.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numeric>
#include <thread>
#include <unordered_map>
#include <utility>

namespace recordset {
namespace {

// A text field's distinct values, numbered in the order they first occur. Columns such as
// VORNAME or DXCC_WAE hold a few hundred values among millions of records: each value is
// collated once, and the records sort by the rank of their value.
struct Dictionary
{
    struct Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view value) const
        {
            return std::hash<std::string_view>()(value);
        }
    };
    std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> numbers;
    std::vector<std::string_view> values; // by number; the texts live in `numbers`

    uint32_t numberOf(std::string_view value)
    {
        auto found = numbers.find(value);
        if (found == numbers.end()) {
            found = numbers.emplace(value, static_cast<uint32_t>(values.size())).first;
            values.push_back(found->first);
        }
        return found->second;
    }
};

// Past this many values, when more than every second record brings a new one (CALL, E_MAIL), a
// dictionary costs more than it saves: each record then gets a key of its own.
constexpr size_t kMostValues = 4096;

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
          m_mode(m_values.kind() == ValueKind::Text ? Mode::Values : Mode::Numbers),
          m_expected(expected),
          m_length(table.field(sortField.field).length)
    {
        if (m_mode == Mode::Values)
            dbf::reserveHuge(m_numbersOfValues, expected);
        else
            dbf::reserveHuge(m_numbers, expected);
    }

    // Adds the key of the record with these bytes.
    void add(std::string_view record)
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

    // Whether the records' values are still numbers into a dictionary: after adding, either
    // rankWith() or toTextKeys() turns them into keys that sort.
    bool hasDictionary() const { return m_mode == Mode::Values; }

    // Gives up the dictionary: every record added gets the text of its value kept.
    void toTextKeys()
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

    // Collates each value of this field's and `other`'s dictionaries once and gives every record
    // of both the rank of its value instead: equal keys, equal ranks.
    void rankWith(FieldKeys &other)
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

    // The first eight bytes of the key at `place`, so that comparing them as numbers orders as
    // the keys do (direction applied); equal prefixes leave the decision to compare().
    uint64_t prefix(size_t place) const
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

    // <0, 0 or >0 for key `a` here and key `b` of `other`, keys of the same field, direction
    // applied.
    int compare(size_t a, const FieldKeys &other, size_t b) const
    {
        int order = 0;
        if (m_mode == Mode::TextKeys) {
            // Most ties beyond the prefix are the same value again: equal bytes, equal keys.
            if (!m_byteKeys || keptBytes(a) != other.keptBytes(b)) {
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

    // Whether the prefix decides every comparison by itself.
    bool prefixIsWholeKey() const { return m_mode != Mode::TextKeys; }

private:
    // Numbers: numbers and dates by value. Values: texts as numbers of dictionary values;
    // Ranks: the same numbers replaced by the values' ranks. TextKeys: a sort key per record.
    enum class Mode { Numbers, Values, Ranks, TextKeys };

    // What a text is collated from: the field's bytes where byte keys stand in for the
    // collator, else the text's UTF-16 code units.
    std::string_view valueOf(std::string_view record)
    {
        if (m_byteKeys)
            return m_values.trimmedBytes(record);
        m_values.utf16Text(record, m_utf16);
        return {reinterpret_cast<const char *>(m_utf16.data()), m_utf16.size() * 2};
    }

    // Appends the sort key of a value valueOf() gave.
    void appendKey(std::string_view value, std::string &out)
    {
        if (m_byteKeys) {
            m_byteKeys->append(value, out);
            return;
        }
        m_units.resize(value.size() / 2);
        std::memcpy(m_units.data(), value.data(), value.size());
        m_collator.appendSortKey(m_units, out);
    }

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

    // Keeps what the next record's text sorts by: with byte keys its bytes, in a slot of the
    // field's width, from which keys are quickly built; else its sort key, `key` when known.
    void keepText(std::string_view value, const std::string *key = nullptr)
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

    // The bytes kept for the text at `place`, with byte keys.
    std::string_view keptBytes(size_t place) const
    {
        return dbf::withoutTrailingPadding(
                std::string_view(m_arena).substr(place * m_length, m_length));
    }

    // The sort key of the text at `place`; a byte key is built into `room`.
    std::string_view wholeKey(size_t place, std::string &room) const
    {
        if (m_byteKeys) {
            room.clear();
            m_byteKeys->append(keptBytes(place), room);
            return room;
        }
        return std::string_view(m_arena).substr(m_offsets[place],
                                                m_offsets[place + 1] - m_offsets[place]);
    }

    FieldValues m_values;
    const Collator &m_collator;
    const ByteSortKeys *m_byteKeys;
    std::u16string m_utf16; // the text valueOf() gave last
    std::u16string m_units; // the text appendKey() collates
    bool m_descending;
    Mode m_mode;
    size_t m_expected; // records to make room for
    size_t m_length; // of the field
    Dictionary m_dictionary;
    std::vector<uint32_t> m_numbersOfValues; // Values: dictionary numbers; Ranks: ranks
    std::string m_arena; // TextKeys: bytes of the field's width, or sort keys one after another
    std::vector<uint64_t> m_offsets; // of sort keys: where each starts, and where the last ends
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

// The records of one stretch of the file that `place` lets through, keyed and then sorted.
struct SortedPart
{
    std::vector<FieldKeys> keys;
    std::vector<Entry> entries;
};

// Whether `a` comes before `b`, entries of the merged parts with equal prefixes. Their keys are
// numbered through the first part, then the second. A prefix that is the first field's whole
// key leaves that field equal.
bool before(const std::array<SortedPart, 2> &parts, const Entry &a, const Entry &b)
{
    const size_t inFirst = parts[0].entries.size();
    const auto located = [&](const Entry &entry) {
        return entry.key < inFirst ? std::pair<size_t, size_t>(0, entry.key)
                                   : std::pair<size_t, size_t>(1, entry.key - inFirst);
    };
    const auto [partA, keyA] = located(a);
    const auto [partB, keyB] = located(b);
    const std::vector<FieldKeys> &keysA = parts[partA].keys, &keysB = parts[partB].keys;
    for (size_t field = keysA.front().prefixIsWholeKey() ? 1 : 0; field < keysA.size(); ++field) {
        if (const int c = keysA[field].compare(keyA, keysB[field], keyB))
            return c < 0;
    }
    return a.place < b.place;
}

// Runs `work(0)` and `work(1)` on two threads at once.
void onBothParts(const std::function<void(size_t part)> &work)
{
    std::jthread second([&] { work(1); });
    work(0);
}

// The records of [begin, end) that `place` lets through, with their keys, in file order.
SortedPart keyedPart(const std::vector<SortField> &fields, const dbf::Table &table,
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
        for (FieldKeys &fieldKeys : part.keys)
            fieldKeys.add(bytes);
        part.entries.push_back({0, *at, static_cast<uint32_t>(part.entries.size())});
    });
    return part;
}

// Sorts entries by prefix, then place, a byte at a time from the least significant one, each
// pass keeping the order of the one before; a byte that all entries share costs no pass. Ranks
// of a few hundred values take one pass; places are in order already when they are record
// numbers.
void sortByPrefixAndPlace(std::vector<Entry> &entries)
{
    // Bytes 0 to 3 are those of the place, 4 to 11 those of the prefix.
    const auto byteOf = [](const Entry &entry, int byte) {
        return static_cast<uint8_t>(byte < 4 ? entry.place >> (8 * byte)
                                             : entry.prefix >> (8 * (byte - 4)));
    };
    std::array<std::array<size_t, 256>, 12> counts {};
    for (const Entry &entry : entries) {
        for (int byte = 0; byte < 12; ++byte)
            ++counts[static_cast<size_t>(byte)][byteOf(entry, byte)];
    }
    const bool placesInOrder =
            std::is_sorted(entries.begin(), entries.end(),
                           [](const Entry &a, const Entry &b) { return a.place < b.place; });
    std::vector<Entry> sorted;
    for (int byte = placesInOrder ? 4 : 0; byte < 12; ++byte) {
        std::array<size_t, 256> &starts = counts[static_cast<size_t>(byte)];
        if (std::find(starts.begin(), starts.end(), entries.size()) != starts.end())
            continue;
        size_t start = 0;
        for (size_t &count : starts)
            start += std::exchange(count, start);
        sorted.resize(entries.size());
        for (const Entry &entry : entries)
            sorted[starts[byteOf(entry, byte)]++] = entry;
        entries.swap(sorted);
    }
}

// Sorts the part's entries by prefix, then place.
void sortPart(SortedPart &part)
{
    if (part.keys.empty())
        return;
    for (Entry &entry : part.entries)
        entry.prefix = part.keys.front().prefix(entry.key);
    sortByPrefixAndPlace(part.entries);
}

// The entries of both sorted parts in prefix and place order, from two threads: one merges from
// the front, one from the back, and as places are unique the two halves meet exactly. Keys are
// numbered on through the second part.
std::vector<Entry> merged(const std::array<SortedPart, 2> &parts)
{
    const std::vector<Entry> &a = parts[0].entries, &b = parts[1].entries;
    const auto less = [](const Entry &x, const Entry &y) {
        return x.prefix != y.prefix ? x.prefix < y.prefix : x.place < y.place;
    };
    const auto fromSecond = [&](Entry entry) {
        entry.key += static_cast<uint32_t>(a.size());
        return entry;
    };
    const size_t total = a.size() + b.size();
    std::vector<Entry> entries;
    dbf::reserveHuge(entries, total);
    entries.resize(total);
    onBothParts([&](size_t part) {
        if (part == 0) {
            size_t i = 0, j = 0;
            for (size_t out = 0; out < total / 2; ++out) {
                const bool takeB = i == a.size() || (j < b.size() && less(b[j], a[i]));
                entries[out] = takeB ? fromSecond(b[j++]) : a[i++];
            }
        } else {
            size_t i = a.size(), j = b.size();
            for (size_t out = total; out > total / 2; --out) {
                const bool takeA = j == 0 || (i > 0 && less(b[j - 1], a[i - 1]));
                entries[out - 1] = takeA ? a[--i] : fromSecond(b[--j]);
            }
        }
    });
    return entries;
}

// Sorts the runs of equal prefixes in [begin, end) on whole keys; they are in place order, and
// most are sorted already (the same value several times).
void sortRuns(const std::array<SortedPart, 2> &parts, std::vector<Entry>::iterator begin,
              std::vector<Entry>::iterator end)
{
    const auto byKeys = [&](const Entry &a, const Entry &b) { return before(parts, a, b); };
    for (auto run = begin; run != end;) {
        const auto runEnd =
                std::find_if(run, end, [&](const Entry &e) { return e.prefix != run->prefix; });
        if (runEnd - run > 1 && !std::is_sorted(run, runEnd, byKeys))
            std::sort(run, runEnd, byKeys);
        run = runEnd;
    }
}

// Gives the keys of text fields of both parts the same form: ranks of values both share, or
// keys of their own where either part gave up its dictionary.
void matchKeys(std::array<SortedPart, 2> &parts)
{
    for (size_t field = 0; field < parts[0].keys.size(); ++field) {
        FieldKeys &first = parts[0].keys[field], &second = parts[1].keys[field];
        if (first.hasDictionary() && second.hasDictionary()) {
            first.rankWith(second);
            continue;
        }
        for (FieldKeys *keys : {&first, &second}) {
            if (keys->hasDictionary())
                keys->toTextKeys();
        }
    }
}

// The places of the records `place` lets through, in key order; equal keys keep the order of
// their places. The two halves of the file are read and keyed on two threads at once; once the
// values of text fields are ranked, each half is sorted by prefix on a thread of its own, the two
// are merged, and runs of equal prefixes are sorted on whole keys, each half of them on a thread.
std::vector<uint32_t> placesInKeyOrder(const std::vector<SortField> &fields,
                                       const dbf::Table &table, const Collator &collator,
                                       const ByteSortKeys *byteKeys, size_t expected,
                                       const Placer &place)
{
    std::array<SortedPart, 2> parts;
    inTableHalves(table, [&](int half, uint64_t begin, uint64_t end) {
        parts[static_cast<size_t>(half)] =
                keyedPart(fields, table, collator, byteKeys, expected, begin, end, place);
    });
    matchKeys(parts);
    onBothParts([&](size_t part) { sortPart(parts[part]); });
    std::vector<Entry> entries = merged(parts);
    if (fields.size() > 1 || (!fields.empty() && !parts[0].keys.front().prefixIsWholeKey())) {
        // Split where a run begins, near the middle.
        const auto middle = entries.begin() + static_cast<std::ptrdiff_t>(entries.size() / 2);
        const auto split = middle == entries.begin()
                ? middle
                : std::find_if(middle, entries.end(), [&](const Entry &e) {
                      return e.prefix != std::prev(middle)->prefix;
                  });
        onBothParts([&](size_t part) {
            if (part == 0)
                sortRuns(parts, entries.begin(), split);
            else
                sortRuns(parts, split, entries.end());
        });
    }
    std::vector<uint32_t> places;
    dbf::reserveHuge(places, entries.size());
    for (const Entry &entry : entries)
        places.push_back(entry.place);
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
