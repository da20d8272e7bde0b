// Keeps a whole DBF table in memory for tests that need the complete file at once.
#include "dbf_builder.h"

namespace dbfbuild {

DbfBuilder::DbfBuilder(uint8_t version, std::vector<FieldSpec> fields, Layout layout)
    : m_writer(version, std::move(fields), layout)
{ }

DbfBuilder &DbfBuilder::languageDriver(uint8_t ldid)
{
    m_writer.languageDriver(ldid);
    return *this;
}

DbfBuilder &DbfBuilder::languageDriverName(std::string_view name)
{
    m_writer.languageDriverName(name);
    return *this;
}

DbfBuilder &DbfBuilder::lastUpdate(int year, int month, int day)
{
    m_writer.lastUpdate(year, month, day);
    return *this;
}

DbfBuilder &DbfBuilder::record(const std::vector<std::string> &values, bool deleted)
{
    m_records += m_writer.record(values, deleted);
    ++m_recordCount;
    return *this;
}

std::string DbfBuilder::bytes() const
{
    return m_writer.header(m_recordCount) + m_records + DbfWriter::kEndOfFile;
}

} // namespace dbfbuild
