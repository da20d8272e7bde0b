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

// What every writer needs: the field names, and the texts and deleted flag of the current record.
class Fields
{
public:
    explicit Fields(recordset::RecordSet &set) : m_set(set)
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
    bool showsDeleted() const { return m_set.table().includesDeleted(); }
    static bool isDeleted(std::string_view record) { return record[0] == '*'; }

private:
    recordset::RecordSet &m_set;
    std::vector<std::string> m_names;
};

// Text blocks for reading on a terminal: names and values with their control characters
// visible (visible_text.h), so that no table steers the terminal or forges a line.
class TextWriter final : public RecordWriter
{
public:
    TextWriter(recordset::RecordSet &set, std::ostream &out) : m_fields(set), m_out(out)
    {
        size_t width = 0;
        for (const std::string &name : m_fields.names()) {
            m_labels.push_back(visible(name));
            width = std::max(width, displayWidth(m_labels.back()));
        }
        for (std::string &label : m_labels)
            label += std::string(width - displayWidth(label), ' ') + " : ";
    }

    void write(std::string_view record, int64_t position) override
    {
        m_block.assign(m_written++ ? "\nDatensatz " : "Datensatz ");
        m_block += std::to_string(position);
        if (m_fields.showsDeleted() && Fields::isDeleted(record))
            m_block += " (gelöscht)";
        m_block.push_back('\n');
        for (size_t i = 0; i < m_labels.size(); ++i) {
            m_block += m_labels[i];
            m_value.clear();
            m_fields.appendText(record, i, m_value);
            cutAtNul(m_value, 0);
            appendVisible(m_value, m_block);
            m_block.push_back('\n');
        }
        m_out.write(m_block.data(), static_cast<std::streamsize>(m_block.size()));
    }

private:
    Fields m_fields;
    std::ostream &m_out;
    std::vector<std::string> m_labels; // "NAME    : ", the names visible and aligned
    std::string m_block, m_value; // kept to spare allocations per record
    uint64_t m_written = 0;
};

class CsvWriter final : public RecordWriter
{
public:
    CsvWriter(recordset::RecordSet &set, std::ostream &out, bool plain)
        : m_fields(set), m_out(out), m_plain(plain)
    { }

    void begin() override
    {
        const size_t count = m_fields.names().size();
        for (size_t i = 0; i < count; ++i)
            cell(i, m_fields.names()[i]);
        if (m_fields.showsDeleted())
            cell(count, "_deleted");
        endLine();
    }

    void write(std::string_view record, int64_t) override
    {
        const size_t count = m_fields.names().size();
        for (size_t i = 0; i < count; ++i) {
            if (m_plain) {
                const dbf::Value value = m_fields.value(record, i);
                cell(i, textBeforeNul(plainText(value, dbf::display(value))));
            } else {
                // The text goes straight into the line, cut at a NUL as textBeforeNul() cuts,
                // then quoted when it needs to be.
                const size_t start = startCell(i);
                m_fields.appendText(record, i, m_line);
                finishCell(start);
            }
        }
        if (m_fields.showsDeleted())
            cell(count, Fields::isDeleted(record) ? "1" : "0");
        endLine();
    }

private:
    // A line is put together in memory and written at once: far cheaper than many small writes.
    void cell(size_t index, std::string_view value)
    {
        const size_t start = startCell(index);
        m_line += value;
        finishCell(start);
    }

    // Where the cell `index` begins in the line.
    size_t startCell(size_t index)
    {
        if (index > 0)
            m_line.push_back(',');
        return m_line.size();
    }

    // Cuts the cell from `start` to the end of the line at a NUL, as textBeforeNul() does, and
    // quotes it if it holds a separator, a quote or a line break, doubling its quotes. Most cells
    // hold none of these: one pass through a table of bytes tells.
    void finishCell(size_t start)
    {
        static constexpr auto kSpecial = [] {
            std::array<bool, 256> special {};
            for (unsigned char c : {',', '"', '\r', '\n', '\0'})
                special[c] = true;
            return special;
        }();
        const auto begin = m_line.begin() + static_cast<std::ptrdiff_t>(start);
        const auto first = std::find_if(begin, m_line.end(), [](char c) {
            return kSpecial[static_cast<unsigned char>(c)];
        });
        if (first == m_line.end())
            return;
        const auto at = static_cast<size_t>(first - m_line.begin());
        cutAtNul(m_line, at);
        if (m_line.size() == at)
            return; // the NUL came first: nothing to quote before it
        const auto from = m_line.begin() + static_cast<std::ptrdiff_t>(at);
        if (std::find(from, m_line.end(), '"') == m_line.end()) {
            m_line.insert(start, 1, '"');
            m_line.push_back('"');
            return;
        }
        const std::string value = m_line.substr(start);
        m_line.resize(start);
        m_line.push_back('"');
        for (char c : value) {
            if (c == '"')
                m_line.push_back('"');
            m_line.push_back(c);
        }
        m_line.push_back('"');
    }

    void endLine()
    {
        m_line += "\r\n";
        m_out.write(m_line.data(), static_cast<std::streamsize>(m_line.size()));
        m_line.clear();
    }

    std::string m_line;

    Fields m_fields;
    std::ostream &m_out;
    bool m_plain;
};

class JsonWriter final : public RecordWriter
{
public:
    JsonWriter(recordset::RecordSet &set, std::ostream &out) : m_fields(set), m_out(out)
    {
        // Duplicate field names (dbase_03.dbf has two Point_ID) would collapse in a JSON
        // object, so later ones get a number.
        std::set<std::string> used;
        for (const std::string &name : m_fields.names()) {
            std::string key = name;
            for (int n = 2; used.count(key); ++n)
                key = name + "_" + std::to_string(n);
            used.insert(key);
            m_keys.push_back(std::move(key));
        }
    }

    void write(std::string_view record, int64_t) override
    {
        m_line.assign(1, '{');
        for (size_t i = 0; i < m_keys.size(); ++i) {
            if (i)
                m_line.push_back(',');
            appendJsonString(m_keys[i], m_line);
            m_line.push_back(':');
            const dbf::Value value = m_fields.value(record, i);
            appendJson(value, value.flagged() ? dbf::display(value) : std::string(), m_line);
        }
        if (m_fields.showsDeleted()) {
            m_line += m_keys.empty() ? "" : ",";
            m_line += "\"_deleted\":";
            m_line += Fields::isDeleted(record) ? "true" : "false";
        }
        m_line += "}\n";
        m_out.write(m_line.data(), static_cast<std::streamsize>(m_line.size()));
    }

private:
    Fields m_fields;
    std::ostream &m_out;
    std::vector<std::string> m_keys;
    std::string m_line;
};

} // namespace

std::unique_ptr<RecordWriter> RecordWriter::create(Format format, recordset::RecordSet &set,
                                                   std::ostream &out, bool plain)
{
    switch (format) {
    case Format::Text:
        return std::make_unique<TextWriter>(set, out);
    case Format::Csv:
        return std::make_unique<CsvWriter>(set, out, plain);
    case Format::Json:
        return std::make_unique<JsonWriter>(set, out);
    }
    return nullptr;
}

} // namespace cli
