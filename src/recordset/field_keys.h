// The sort keys of one field over the records of a sort, built once per sort.
#pragma once

#include "byte_sort_keys.h"
#include "collator.h"
#include "dbf/table.h"
#include "field_values.h"
#include "sort_text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace recordset {

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

    uint32_t numberOf(std::string_view value);
};

// The keys of one field, one per record added, in the order they were added. Texts are numbered
// by value while few are distinct; once every record is added, the values of the two halves of
// the table are ranked together (rankWith), or, where nearly all are distinct (CALL, E_MAIL),
// each record keeps its text (toTextKeys). Const functions may be called from two threads.
class FieldKeys
{
public:
    FieldKeys(const SortField &sortField, const dbf::Table &table, const Collator &collator,
              const ByteSortKeys *byteKeys, size_t expected);

    // Adds the key of the record with these bytes.
    void add(std::string_view record);

    // Whether the records' values are still numbers into a dictionary: after adding, either
    // rankWith() or toTextKeys() turns them into keys that sort.
    bool hasDictionary() const { return m_mode == Mode::Values; }
    // Gives up the dictionary: every record added gets the text of its value kept.
    void toTextKeys();
    // Collates each value of this field's and `other`'s dictionaries once and gives every record
    // of both the rank of its value instead: equal keys, equal ranks.
    void rankWith(FieldKeys &other);

    // The first eight bytes of the key at `place`, so that comparing them as numbers orders as
    // the keys do (direction applied); equal prefixes leave the decision to compare().
    uint64_t prefix(size_t place) const;
    // <0, 0 or >0 for key `a` here and key `b` of `other`, keys of the same field, direction
    // applied.
    int compare(size_t a, const FieldKeys &other, size_t b) const;
    // Whether the prefix decides every comparison by itself.
    bool prefixIsWholeKey() const { return m_mode != Mode::TextKeys; }

private:
    // Numbers: numbers and dates by value. Values: texts as numbers of dictionary values;
    // Ranks: the same numbers replaced by the values' ranks. TextKeys: each record's text kept.
    enum class Mode { Numbers, Values, Ranks, TextKeys };

    std::string_view valueOf(std::string_view record);
    void appendKey(std::string_view value, std::string &out);
    void keepText(std::string_view value, const std::string *key = nullptr);
    std::string_view keptSlot(size_t place) const;
    std::string_view wholeKey(size_t place, std::string &room) const;

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

} // namespace recordset
