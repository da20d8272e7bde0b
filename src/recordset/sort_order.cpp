// Sorting records over per-field keys built once per sort.
#include "sort_order.h"

#include "field_values.h"
#include "text_util.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace recordset {
namespace {

// The keys of one field for the records being sorted, in the records' current order.
class FieldKeys
{
public:
    FieldKeys(const std::vector<uint32_t> &records, const SortField &sortField,
              const dbf::Table &table, const Collator &collator)
        : m_descending(sortField.descending)
    {
        const FieldValues values(table, sortField.field);
        m_text = values.kind() == ValueKind::Text;
        if (m_text) {
            std::u16string utf16;
            m_offsets.reserve(records.size() + 1);
            for (uint32_t record : records) {
                m_offsets.push_back(m_arena.size());
                values.utf16Text(record, utf16);
                collator.appendSortKey(utf16, m_arena);
            }
            m_offsets.push_back(m_arena.size());
            return;
        }
        m_numbers.reserve(records.size());
        for (uint32_t record : records)
            m_numbers.push_back(numberKey(values, record));
    }

    // <0, 0 or >0 for the records at `a` and `b` of the sorted range, direction applied.
    int compare(size_t a, size_t b) const
    {
        const int order = m_text ? compareText(a, b) : compareNumbers(m_numbers[a], m_numbers[b]);
        return m_descending ? -order : order;
    }

private:
    static double numberKey(const FieldValues &values, uint32_t record)
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

    static int compareNumbers(double a, double b)
    {
        const bool emptyA = std::isnan(a), emptyB = std::isnan(b);
        if (emptyA || emptyB)
            return emptyA == emptyB ? 0 : emptyA ? -1 : 1;
        return a < b ? -1 : a > b ? 1 : 0;
    }

    int compareText(size_t a, size_t b) const
    {
        const size_t lengthA = m_offsets[a + 1] - m_offsets[a];
        const size_t lengthB = m_offsets[b + 1] - m_offsets[b];
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
                 const dbf::Table &table, const Collator &collator)
{
    if (fields.empty() || records.size() < 2)
        return;
    std::vector<FieldKeys> keys;
    for (const SortField &field : fields)
        keys.emplace_back(records, field, table, collator);

    std::vector<uint32_t> order(records.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        for (const FieldKeys &key : keys) {
            if (const int c = key.compare(a, b))
                return c < 0;
        }
        return false;
    });
    std::vector<uint32_t> sorted(records.size());
    for (size_t i = 0; i < order.size(); ++i)
        sorted[i] = records[order[i]];
    records.swap(sorted);
}

} // namespace recordset
