// The three output formats of `talvo-dbf show`.
#include "record_writer.h"

#include <algorithm>
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
    std::string text(std::string_view record, size_t index) const
    {
        return m_set.FieldText(record, index);
    }
    bool showsDeleted() const { return m_set.table().includesDeleted(); }
    static bool isDeleted(std::string_view record) { return record[0] == '*'; }

private:
    recordset::RecordSet &m_set;
    std::vector<std::string> m_names;
};

class TextWriter final : public RecordWriter
{
public:
    TextWriter(recordset::RecordSet &set, std::ostream &out) : m_fields(set), m_out(out)
    {
        for (const std::string &name : m_fields.names())
            m_width = std::max(m_width, displayWidth(name));
    }

    void write(std::string_view record, int64_t position) override
    {
        if (m_written++)
            m_out << '\n';
        m_out << "Datensatz " << position;
        if (m_fields.showsDeleted() && Fields::isDeleted(record))
            m_out << " (gelöscht)";
        m_out << '\n';
        for (size_t i = 0; i < m_fields.names().size(); ++i) {
            const std::string &name = m_fields.names()[i];
            m_out << name << std::string(m_width - displayWidth(name), ' ') << " : "
                  << m_fields.text(record, i) << '\n';
        }
    }

private:
    Fields m_fields;
    std::ostream &m_out;
    size_t m_width = 0;
    uint64_t m_written = 0;
};

class CsvWriter final : public RecordWriter
{
public:
    CsvWriter(recordset::RecordSet &set, std::ostream &out) : m_fields(set), m_out(out) { }

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
        for (size_t i = 0; i < count; ++i)
            cell(i, m_fields.text(record, i));
        if (m_fields.showsDeleted())
            cell(count, Fields::isDeleted(record) ? "1" : "0");
        endLine();
    }

private:
    // A line is put together in memory and written at once: far cheaper than many small writes.
    void cell(size_t index, const std::string &value)
    {
        if (index > 0)
            m_line.push_back(',');
        const bool plain = std::none_of(value.begin(), value.end(), [](char c) {
            return c == ',' || c == '"' || c == '\r' || c == '\n';
        });
        if (plain) {
            m_line += value;
            return;
        }
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
};

void writeJsonString(std::ostream &out, const std::string &value)
{
    static const char digits[] = "0123456789abcdef";
    out << '"';
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out << "\\\"";
            break;
        case '\\':
            out << "\\\\";
            break;
        case '\n':
            out << "\\n";
            break;
        case '\r':
            out << "\\r";
            break;
        case '\t':
            out << "\\t";
            break;
        default:
            if (byte < 0x20)
                out << "\\u00" << digits[byte >> 4] << digits[byte & 0x0F];
            else
                out << c;
        }
    }
    out << '"';
}

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
        m_out << '{';
        for (size_t i = 0; i < m_keys.size(); ++i) {
            if (i)
                m_out << ',';
            writeJsonString(m_out, m_keys[i]);
            m_out << ':';
            writeJsonString(m_out, m_fields.text(record, i));
        }
        if (m_fields.showsDeleted())
            m_out << (m_keys.empty() ? "" : ",")
                  << "\"_deleted\":" << (Fields::isDeleted(record) ? "true" : "false");
        m_out << "}\n";
    }

private:
    Fields m_fields;
    std::ostream &m_out;
    std::vector<std::string> m_keys;
};

} // namespace

std::unique_ptr<RecordWriter> RecordWriter::create(Format format, recordset::RecordSet &set,
                                                   std::ostream &out)
{
    switch (format) {
    case Format::Text:
        return std::make_unique<TextWriter>(set, out);
    case Format::Csv:
        return std::make_unique<CsvWriter>(set, out);
    case Format::Json:
        return std::make_unique<JsonWriter>(set, out);
    }
    return nullptr;
}

} // namespace cli
