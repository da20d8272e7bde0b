// The three output formats of `talvo-dbf show`.
#include "record_writer.h"

#include "dbf/display.h"
#include "value_formats.h"
#include "visible_text.h"

#include <algorithm>
#include <array>
#include <set>

namespace cli {
namespace {

size_t displayWidth(const std::string &utf8)
{
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// What every writer needs: the field names, and the texts and deleted flag of a record. All
// that it reads of the set is const and safe on several threads (dbf::Table's reading is).
class Fields
{
public:
    explicit Fields(const recordset::RecordSet &set) : m_set(set)
    {
        for (size_t i = 0; i < *set.FieldCount(); ++i)
            m_names.push_back(*set.FieldName(i));
    }

    const std::vector<std::string> &names() const { return m_names; }
    void appendText(std::string_view record, size_t index, std::string &out) const
    {
        m_set.AppendFieldText(record, index, out);
    }
    dbf::Value value(std::string_view record, size_t index) const
    {
        return m_set.FieldValue(record, index);
    }
    const dbf::Table &table() const { return m_set.table(); }
    size_t tableField(size_t index) const { return m_set.TableField(index); }
    bool showsDeleted() const { return m_set.table().includesDeleted(); }
    static bool isDeleted(std::string_view record) { return record[0] == '*'; }

private:
    const recordset::RecordSet &m_set;
    std::vector<std::string> m_names;
};

// Text blocks for reading on a terminal: names and values with their control characters
// visible (visible_text.h), so that no table steers the terminal or forges a line.
class TextWriter final : public RecordWriter
{
public:
    explicit TextWriter(const recordset::RecordSet &set) : m_fields(set)
    {
        size_t width = 0;
        for (const std::string &name : m_fields.names()) {
            m_labels.push_back(visible(name));
            width = std::max(width, displayWidth(m_labels.back()));
        }
        for (std::string &label : m_labels)
            label += std::string(width - displayWidth(label), ' ') + " : ";
    }

    void append(std::string_view record, int64_t position, uint64_t index,
                std::string &out) const override
    {
        out += index ? "\nDatensatz " : "Datensatz ";
        out += std::to_string(position);
        if (m_fields.showsDeleted() && Fields::isDeleted(record))
            out += " (gelöscht)";
        out.push_back('\n');
        for (size_t i = 0; i < m_labels.size(); ++i) {
            out += m_labels[i];
            const size_t start = out.size();
            m_fields.appendText(record, i, out);
            cutAtNul(out, start);
            makeVisible(out, start);
            out.push_back('\n');
        }
    }

private:
    Fields m_fields;
    std::vector<std::string> m_labels; // "NAME    : ", the names visible and aligned
};

class CsvWriter final : public RecordWriter
{
public:
    CsvWriter(const recordset::RecordSet &set, bool plain) : m_fields(set), m_plain(plain) { }

    void appendBegin(std::string &out) const override
    {
        const size_t count = m_fields.names().size();
        for (size_t i = 0; i < count; ++i)
            cell(i, m_fields.names()[i], out);
        if (m_fields.showsDeleted())
            cell(count, "_deleted", out);
        out += "\r\n";
    }

    void append(std::string_view record, int64_t, uint64_t, std::string &out) const override
    {
        const size_t count = m_fields.names().size();
        for (size_t i = 0; i < count; ++i) {
            if (m_plain) {
                const dbf::Value value = m_fields.value(record, i);
                cell(i, textBeforeNul(plainText(value, dbf::display(value))), out);
            } else {
                // The text goes straight into the line, cut at a NUL as textBeforeNul() cuts,
                // then quoted when it needs to be.
                const size_t start = startCell(i, out);
                m_fields.appendText(record, i, out);
                finishCell(start, out);
            }
        }
        if (m_fields.showsDeleted())
            cell(count, Fields::isDeleted(record) ? "1" : "0", out);
        out += "\r\n";
    }

private:
    static void cell(size_t index, std::string_view value, std::string &out)
    {
        const size_t start = startCell(index, out);
        out += value;
        finishCell(start, out);
    }

    // Where the cell `index` begins in the line.
    static size_t startCell(size_t index, std::string &out)
    {
        if (index > 0)
            out.push_back(',');
        return out.size();
    }

    // Cuts the cell from `start` to the end of `out` at a NUL, as textBeforeNul() does, and
    // quotes it if it holds a separator, a quote or a line break, doubling its quotes. Most cells
    // hold none of these: one pass through a table of bytes tells.
    static void finishCell(size_t start, std::string &out)
    {
        static constexpr auto kSpecial = [] {
            std::array<bool, 256> special {};
            for (unsigned char c : {',', '"', '\r', '\n', '\0'})
                special[c] = true;
            return special;
        }();
        const auto begin = out.begin() + static_cast<std::ptrdiff_t>(start);
        const auto first = std::find_if(
                begin, out.end(), [](char c) { return kSpecial[static_cast<unsigned char>(c)]; });
        if (first == out.end())
            return;
        const auto at = static_cast<size_t>(first - out.begin());
        cutAtNul(out, at);
        if (out.size() == at)
            return; // the NUL came first: nothing to quote before it
        const auto from = out.begin() + static_cast<std::ptrdiff_t>(at);
        if (std::find(from, out.end(), '"') == out.end()) {
            out.insert(start, 1, '"');
            out.push_back('"');
            return;
        }
        const std::string value = out.substr(start);
        out.resize(start);
        out.push_back('"');
        for (char c : value) {
            if (c == '"')
                out.push_back('"');
            out.push_back(c);
        }
        out.push_back('"');
    }

    Fields m_fields;
    bool m_plain;
};

class JsonWriter final : public RecordWriter
{
public:
    explicit JsonWriter(const recordset::RecordSet &set) : m_fields(set)
    {
        // Duplicate field names (dbase_03.dbf has two Point_ID) would collapse in a JSON
        // object, so later ones get a number. Keys come written as JSON, with their ':'.
        std::set<std::string> used;
        for (const std::string &name : m_fields.names()) {
            std::string key = name;
            for (int n = 2; used.count(key); ++n)
                key = name + "_" + std::to_string(n);
            used.insert(key);
            std::string written;
            appendJsonString(key, written);
            m_keys.push_back(written + ':');
        }
    }

    void append(std::string_view record, int64_t, uint64_t, std::string &out) const override
    {
        out.push_back('{');
        const dbf::Table &table = m_fields.table();
        for (size_t i = 0; i < m_keys.size(); ++i) {
            if (i)
                out.push_back(',');
            out += m_keys[i];
            // Text fields, most of a record, without a Value in between.
            const size_t field = m_fields.tableField(i);
            if (table.field(field).isPlainCharacter()
                && appendJsonCharacter(table.fieldBytes(record, field), table.decoder(), out))
                continue;
            const dbf::Value value = m_fields.value(record, i);
            appendJson(value, value.flagged() ? dbf::display(value) : std::string(), out);
        }
        if (m_fields.showsDeleted()) {
            out += m_keys.empty() ? "" : ",";
            out += "\"_deleted\":";
            out += Fields::isDeleted(record) ? "true" : "false";
        }
        out += "}\n";
    }

private:
    Fields m_fields;
    std::vector<std::string> m_keys; // "\"NAME\":"
};

} // namespace

std::unique_ptr<RecordWriter> RecordWriter::create(Format format, const recordset::RecordSet &set,
                                                   bool plain)
{
    switch (format) {
    case Format::Text:
        return std::make_unique<TextWriter>(set);
    case Format::Csv:
        return std::make_unique<CsvWriter>(set, plain);
    case Format::Json:
        return std::make_unique<JsonWriter>(set);
    }
    return nullptr;
}

} // namespace cli
