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

class TextWriter final : public RecordWriter
{
public:
    TextWriter(const dbf::Table &table, std::ostream &out) : m_table(table), m_out(out)
    {
        for (size_t i = 0; i < table.fieldCount(); ++i)
            m_width = std::max(m_width, displayWidth(table.fieldName(i)));
    }

    void write(uint64_t record) override
    {
        if (m_written++)
            m_out << '\n';
        m_out << "Datensatz " << record + 1;
        if (m_table.includesDeleted() && m_table.isDeleted(record))
            m_out << " (gelöscht)";
        m_out << '\n';
        for (size_t i = 0; i < m_table.fieldCount(); ++i) {
            const std::string &name = m_table.fieldName(i);
            m_out << name << std::string(m_width - displayWidth(name), ' ') << " : "
                  << m_table.text(record, i).text << '\n';
        }
    }

private:
    const dbf::Table &m_table;
    std::ostream &m_out;
    size_t m_width = 0;
    uint64_t m_written = 0;
};

class CsvWriter final : public RecordWriter
{
public:
    CsvWriter(const dbf::Table &table, std::ostream &out) : m_table(table), m_out(out) { }

    void begin() override
    {
        for (size_t i = 0; i < m_table.fieldCount(); ++i)
            cell(i, m_table.fieldName(i));
        if (m_table.includesDeleted())
            cell(m_table.fieldCount(), "_deleted");
        m_out << "\r\n";
    }

    void write(uint64_t record) override
    {
        for (size_t i = 0; i < m_table.fieldCount(); ++i)
            cell(i, m_table.text(record, i).text);
        if (m_table.includesDeleted())
            cell(m_table.fieldCount(), m_table.isDeleted(record) ? "1" : "0");
        m_out << "\r\n";
    }

private:
    void cell(size_t index, const std::string &value)
    {
        if (index > 0)
            m_out << ',';
        if (value.find_first_of(",\"\r\n") == std::string::npos) {
            m_out << value;
            return;
        }
        m_out << '"';
        for (char c : value) {
            if (c == '"')
                m_out << '"';
            m_out << c;
        }
        m_out << '"';
    }

    const dbf::Table &m_table;
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
    JsonWriter(const dbf::Table &table, std::ostream &out) : m_table(table), m_out(out)
    {
        // Duplicate field names (dbase_03.dbf has two Point_ID) would collapse in a JSON
        // object, so later ones get a number.
        std::set<std::string> used;
        for (size_t i = 0; i < table.fieldCount(); ++i) {
            std::string key = table.fieldName(i);
            for (int n = 2; used.count(key); ++n)
                key = table.fieldName(i) + "_" + std::to_string(n);
            used.insert(key);
            m_keys.push_back(std::move(key));
        }
    }

    void write(uint64_t record) override
    {
        m_out << '{';
        for (size_t i = 0; i < m_keys.size(); ++i) {
            if (i)
                m_out << ',';
            writeJsonString(m_out, m_keys[i]);
            m_out << ':';
            const dbf::FieldText value = m_table.text(record, i);
            if (value.null)
                m_out << "null";
            else
                writeJsonString(m_out, value.text);
        }
        if (m_table.includesDeleted())
            m_out << (m_keys.empty() ? "" : ",")
                  << "\"_deleted\":" << (m_table.isDeleted(record) ? "true" : "false");
        m_out << "}\n";
    }

private:
    const dbf::Table &m_table;
    std::ostream &m_out;
    std::vector<std::string> m_keys;
};

} // namespace

std::unique_ptr<RecordWriter> RecordWriter::create(Format format, const dbf::Table &table,
                                                   std::ostream &out)
{
    switch (format) {
    case Format::Text:
        return std::make_unique<TextWriter>(table, out);
    case Format::Csv:
        return std::make_unique<CsvWriter>(table, out);
    case Format::Json:
        return std::make_unique<JsonWriter>(table, out);
    }
    return nullptr;
}

} // namespace cli
