// Encodes DBF headers and records for the supported header layouts.
#include "byte_order.h"
#include "dbf_builder.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace dbfbuild {

namespace {

constexpr char kTerminator = 0x0D;
constexpr std::size_t kBacklinkLength = 263;
constexpr std::size_t kDBase2HeaderLength = 521;
constexpr std::size_t kDBase2MaxFields = 32;
constexpr std::size_t kMaxUint16 = std::numeric_limits<uint16_t>::max();
constexpr std::string_view kBinaryTypes = "IBYTO@+0=^";

struct Shape
{
    std::size_t prefix;
    std::size_t descriptor;
    std::size_t nameSize;
};

Shape shapeOf(Layout layout)
{
    switch (layout) {
    case Layout::DBase7:
        return {68, 48, 32};
    case Layout::DBase2:
        return {8, 16, 11};
    case Layout::DBase3:
    case Layout::FoxPro:
        break;
    }
    return {32, 32, 11};
}

uint8_t toByte(int value, const char *what)
{
    if (value < 0 || value > std::numeric_limits<uint8_t>::max())
        throw std::invalid_argument(std::string(what) + " does not fit into a byte");
    return static_cast<uint8_t>(value);
}

} // namespace

DbfWriter::DbfWriter(uint8_t version, std::vector<FieldSpec> fields, Layout layout)
    : m_version(version), m_fields(std::move(fields)), m_layout(layout)
{
    const Shape shape = shapeOf(layout);
    if (layout == Layout::DBase2 && m_fields.size() > kDBase2MaxFields)
        throw std::invalid_argument("a dBase II table holds at most 32 fields");

    std::size_t recordLength = 1;
    m_offsets.reserve(m_fields.size());
    for (const FieldSpec &field : m_fields) {
        if (field.name.size() > shape.nameSize)
            throw std::invalid_argument("field name too long: " + field.name);
        m_offsets.push_back(static_cast<uint16_t>(recordLength));
        recordLength += field.length;
        if (recordLength > kMaxUint16)
            throw std::invalid_argument("record length exceeds 65535 bytes");
    }
    m_recordLength = static_cast<uint16_t>(recordLength);

    std::size_t headerLength = kDBase2HeaderLength;
    if (layout != Layout::DBase2) {
        headerLength = shape.prefix + m_fields.size() * shape.descriptor + 1;
        if (layout == Layout::FoxPro)
            headerLength += kBacklinkLength;
    }
    if (headerLength > kMaxUint16)
        throw std::invalid_argument("header length exceeds 65535 bytes");
    m_headerLength = static_cast<uint16_t>(headerLength);
}

DbfWriter &DbfWriter::languageDriver(uint8_t ldid)
{
    m_languageDriver = ldid;
    return *this;
}

DbfWriter &DbfWriter::languageDriverName(std::string_view name)
{
    if (name.size() > 32)
        throw std::invalid_argument("language driver name longer than 32 bytes");
    m_languageDriverName = name;
    return *this;
}

DbfWriter &DbfWriter::lastUpdate(int year, int month, int day)
{
    toByte(year - 1900, "year - 1900");
    m_year = year;
    m_month = toByte(month, "month");
    m_day = toByte(day, "day");
    return *this;
}

std::string DbfWriter::header(uint32_t recordCount) const
{
    std::string bytes(m_headerLength, '\0');
    bytes[0] = static_cast<char>(m_version);
    if (m_layout == Layout::DBase2) {
        if (recordCount > kMaxUint16)
            throw std::out_of_range("a dBase II table holds at most 65535 records");
        detail::storeLittleEndian(bytes, 1, static_cast<uint16_t>(recordCount));
        bytes[3] = static_cast<char>(m_month);
        bytes[4] = static_cast<char>(m_day);
        bytes[5] = static_cast<char>(m_year % 100);
        detail::storeLittleEndian(bytes, 6, m_recordLength);
    } else {
        bytes[1] = static_cast<char>(m_year - 1900);
        bytes[2] = static_cast<char>(m_month);
        bytes[3] = static_cast<char>(m_day);
        detail::storeLittleEndian(bytes, 4, recordCount);
        detail::storeLittleEndian(bytes, 8, m_headerLength);
        detail::storeLittleEndian(bytes, 10, m_recordLength);
        bytes[29] = static_cast<char>(m_languageDriver);
        if (m_layout == Layout::DBase7)
            bytes.replace(32, m_languageDriverName.size(), m_languageDriverName);
    }

    for (std::size_t i = 0; i < m_fields.size(); ++i)
        writeDescriptor(bytes, i);
    const Shape shape = shapeOf(m_layout);
    bytes[shape.prefix + m_fields.size() * shape.descriptor] = kTerminator;
    return bytes;
}

void DbfWriter::writeDescriptor(std::string &bytes, std::size_t index) const
{
    const FieldSpec &field = m_fields[index];
    const Shape shape = shapeOf(m_layout);
    const std::size_t at = shape.prefix + index * shape.descriptor;
    bytes.replace(at, field.name.size(), field.name);
    switch (m_layout) {
    case Layout::DBase2:
        bytes[at + 11] = field.type;
        bytes[at + 12] = static_cast<char>(field.length);
        detail::storeLittleEndian(bytes, at + 13, m_offsets[index]);
        bytes[at + 15] = static_cast<char>(field.decimals);
        break;
    case Layout::DBase7:
        bytes[at + 32] = field.type;
        bytes[at + 33] = static_cast<char>(field.length);
        bytes[at + 34] = static_cast<char>(field.decimals);
        break;
    case Layout::FoxPro:
        detail::storeLittleEndian(bytes, at + 12, static_cast<uint32_t>(m_offsets[index]));
        [[fallthrough]];
    case Layout::DBase3:
        bytes[at + 11] = field.type;
        bytes[at + 16] = static_cast<char>(field.length);
        bytes[at + 17] = static_cast<char>(field.decimals);
        bytes[at + 18] = static_cast<char>(field.flags);
        break;
    }
}

std::string DbfWriter::record(const std::vector<std::string> &values, bool deleted) const
{
    const std::vector<std::string_view> views(values.begin(), values.end());
    std::string bytes;
    appendRecord(bytes, views, deleted);
    return bytes;
}

void DbfWriter::appendRecord(std::string &out, std::span<const std::string_view> values,
                             bool deleted) const
{
    if (values.size() != m_fields.size())
        throw std::invalid_argument("number of values differs from number of fields");

    const std::size_t start = out.size();
    out.resize(start + m_recordLength, ' ');
    char *record = out.data() + start;
    record[0] = deleted ? '*' : ' ';
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const FieldSpec &field = m_fields[i];
        char *target = record + m_offsets[i];
        std::string_view value = values[i];
        if (kBinaryTypes.find(field.type) != std::string_view::npos) {
            if (value.empty()) {
                std::memset(target, 0, field.length);
                continue;
            }
            if (value.size() != field.length) {
                out.resize(start);
                throw std::invalid_argument("binary value of field " + field.name
                                            + " must have exactly the field length");
            }
            std::memcpy(target, value.data(), value.size());
            continue;
        }
        // An empty value may carry a null data pointer, which memcpy must never see.
        if (value.empty())
            continue;
        value = value.substr(0, field.length);
        const bool rightAligned = field.type == 'N' || field.type == 'F';
        std::memcpy(target + (rightAligned ? field.length - value.size() : 0), value.data(),
                    value.size());
    }
}

} // namespace dbfbuild
