// Sorting records over per-field keys built once per sort.
#include "sort_order.h"

#include "field_values.h"
#include "text_util.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace recordset {
namespace {

// The keys of one field for the records being sorted, in the records' current order.
class FieldKeys
{
public:
    // Keys for `records`; `slots` gives each record's place among them (UINT32_MAX for none),
    // so that one pass over the file in its own order builds them all.
    FieldKeys(const std::vector<uint32_t> &records, const std::vector<uint32_t> &slots,
              const SortField &sortField, const dbf::Table &table, const Collator &collator,
              const ByteSortKeys *byteKeys)
        : m_descending(sortField.descending)
    {
        const FieldValues values(table, sortField.field);
        m_text = values.kind() == ValueKind::Text;
        if (m_text) {
            // Keys go to the arena in file order; offsets and lengths say where each one is.
            m_offsets.assign(records.size(), 0);
            m_lengths.assign(records.size(), 0);
            m_arena.reserve(records.size() * 3 * table.field(sortField.field).length / 2);
            std::u16string utf16;
            table.scan([&](uint64_t record, std::string_view bytes) {
                const uint32_t slot = slots[record];
                if (slot == UINT32_MAX)
                    return;
                m_offsets[slot] = m_arena.size();
                if (byteKeys && values.isCharacterField()) {
                    byteKeys->append(values.trimmedBytes(bytes), m_arena);
                } else {
                    values.utf16Text(bytes, utf16);
                    collator.appendSortKey(utf16, m_arena);
                }
                m_lengths[slot] = static_cast<uint32_t>(m_arena.size() - m_offsets[slot]);
            });
            return;
        }
        m_numbers.assign(records.size(), NAN);
        table.scan([&](uint64_t record, std::string_view bytes) {
            if (slots[record] != UINT32_MAX)
                m_numbers[slots[record]] = numberKey(values, bytes);
        });
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

    bool m_descending;
    bool m_text = false;
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

void sortRecords(std::vector<uint32_t> &records, const std::vector<SortField> &fields,
                 const dbf::Table &table, const Collator &collator, const ByteSortKeys *byteKeys)
{
    if (fields.empty() || records.size() < 2)
        return;
    std::vector<uint32_t> slots(table.recordCount(), UINT32_MAX);
    for (size_t i = 0; i < records.size(); ++i)
        slots[records[i]] = static_cast<uint32_t>(i);
    std::vector<FieldKeys> keys;
    for (const SortField &field : fields)
        keys.emplace_back(records, slots, field, table, collator, byteKeys);
    slots = {};

    // Most comparisons end within the first eight key bytes of the first field, kept beside
    // the place so that they need no other memory; the rest compare whole keys, then places.
    struct Entry
    {
        uint64_t prefix;
        uint32_t place;
    };
    std::vector<Entry> entries(records.size());
    for (uint32_t i = 0; i < entries.size(); ++i)
        entries[i] = {keys.front().prefix(i), i};
    std::sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        for (const FieldKeys &key : keys) {
            if (const int c = key.compare(a.place, b.place))
                return c < 0;
        }
        return a.place < b.place;
    });
    std::vector<uint32_t> sorted(records.size());
    for (size_t i = 0; i < entries.size(); ++i)
        sorted[i] = records[entries[i].place];
    records.swap(sorted);
}

} // namespace recordset
