// Sorting records over per-field keys built once per sort.
#include "sort_order.h"

#include "dbf/huge_pages.h"
#include "field_keys.h"
#include "table_halves.h"

#include <algorithm>
#include <array>
#include <thread>
#include <utility>

namespace recordset {
namespace {

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
// numbers. The passes move the entries to and fro between them and `room`, which holds as many.
void sortByPrefixAndPlace(std::vector<Entry> &entries, Entry *room)
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
    Entry *from = entries.data(), *to = room;
    for (int byte = placesInOrder ? 4 : 0; byte < 12; ++byte) {
        std::array<size_t, 256> &starts = counts[static_cast<size_t>(byte)];
        if (std::find(starts.begin(), starts.end(), entries.size()) != starts.end())
            continue;
        size_t start = 0;
        for (size_t &count : starts)
            start += std::exchange(count, start);
        for (const Entry *entry = from; entry != from + entries.size(); ++entry)
            to[starts[byteOf(*entry, byte)]++] = *entry;
        std::swap(from, to);
    }
    if (from != entries.data())
        std::copy(from, from + entries.size(), entries.data());
}

// Sorts the part's entries by prefix, then place, with the help of `room` for as many.
void sortPart(SortedPart &part, Entry *room)
{
    if (part.keys.empty())
        return;
    for (Entry &entry : part.entries)
        entry.prefix = part.keys.front().prefix(entry.key);
    sortByPrefixAndPlace(part.entries, room);
}

// Puts the entries of both sorted parts into `entries` in prefix and place order, from two
// threads: one merges from the front, one from the back, and as places are unique the two halves
// meet exactly. Keys are numbered on through the second part.
void merge(const std::array<SortedPart, 2> &parts, std::vector<Entry> &entries)
{
    const std::vector<Entry> &a = parts[0].entries, &b = parts[1].entries;
    const auto less = [](const Entry &x, const Entry &y) {
        return x.prefix != y.prefix ? x.prefix < y.prefix : x.place < y.place;
    };
    const auto fromSecond = [&](Entry entry) {
        entry.key += static_cast<uint32_t>(a.size());
        return entry;
    };
    const size_t total = entries.size();
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
    // The memory the entries merge into first serves the halves' sorts: fresh memory is costly.
    const size_t total = parts[0].entries.size() + parts[1].entries.size();
    std::vector<Entry> entries;
    dbf::reserveHuge(entries, total);
    entries.resize(total);
    onBothParts([&](size_t part) {
        sortPart(parts[part], entries.data() + (part == 0 ? 0 : parts[0].entries.size()));
    });
    merge(parts, entries);
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
