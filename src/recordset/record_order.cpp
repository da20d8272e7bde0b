// Lazy file order and explicit record lists.
#include "record_order.h"

namespace recordset {

RecordOrder RecordOrder::fileOrder(const dbf::Table &table)
{
    RecordOrder order;
    order.m_table = &table;
    return order;
}

RecordOrder RecordOrder::list(std::vector<uint32_t> records)
{
    RecordOrder order;
    order.m_records = std::move(records);
    order.m_listed = true;
    return order;
}

void RecordOrder::materialize()
{
    if (m_listed || m_identity)
        return;
    m_table->inOneState([&] {
        m_records.clear();
        m_table->scan([&](uint64_t record, std::string_view bytes) {
            if (m_table->visits(bytes))
                m_records.push_back(static_cast<uint32_t>(record));
        });
    });
    if (m_records.size() == m_table->recordCount()) {
        m_identity = true; // nothing left out: positions are record numbers, no list needed
        m_records = {};
        return;
    }
    m_listed = true;
}

uint64_t RecordOrder::size()
{
    materialize();
    return m_identity ? m_table->recordCount() : m_records.size();
}

std::optional<uint32_t> RecordOrder::at(uint64_t position)
{
    if (m_listed)
        return position < m_records.size() ? std::optional<uint32_t>(m_records[position])
                                           : std::nullopt;
    if (m_identity)
        return position < m_table->recordCount() ? std::optional<uint32_t>(uint32_t(position))
                                                 : std::nullopt;

    // Lazy file order: the first record and the neighbours of the last one need no count.
    std::optional<uint64_t> record;
    if (position == 0) {
        record = m_table->nextRecord(0);
    } else if (m_haveLast && position == m_lastPosition + 1) {
        record = m_table->nextRecord(uint64_t(m_lastRecord) + 1);
    } else if (m_haveLast && position == m_lastPosition) {
        record = m_lastRecord;
    } else {
        materialize();
        return at(position);
    }
    if (!record)
        return std::nullopt;
    m_lastPosition = position;
    m_lastRecord = static_cast<uint32_t>(*record);
    m_haveLast = true;
    return m_lastRecord;
}

std::optional<uint64_t> RecordOrder::positionOf(uint32_t record)
{
    if (!m_listed && !m_identity && m_haveLast && record == m_lastRecord)
        return m_lastPosition;
    materialize();
    if (m_identity) {
        if (record < m_table->recordCount())
            return record;
        return std::nullopt;
    }
    for (size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i] == record)
            return i;
    }
    return std::nullopt;
}

std::vector<uint32_t> RecordOrder::records()
{
    materialize();
    if (!m_identity)
        return m_records;
    std::vector<uint32_t> all(m_table->recordCount());
    for (uint32_t i = 0; i < all.size(); ++i)
        all[i] = i;
    return all;
}

} // namespace recordset
