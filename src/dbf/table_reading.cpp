// Reading a table's records: one by one, or in large chunks for whole-table work, and the
// values of their fields.
#include "huge_pages.h"
#include "table.h"

#include <algorithm>

namespace dbf {

std::string_view Table::recordBytes(uint64_t record) const
{
    const uint64_t length = m_header.recordLength;
    if (!m_partialRecord.empty() && record + 1 == m_recordCount)
        return m_partialRecord;
    const char *data = reinterpret_cast<const char *>(m_bytes->data()) + m_header.headerLength;
    return {data + record * length, static_cast<size_t>(length)};
}

std::string_view Table::bytesAfterRecords() const
{
    const uint64_t end = m_header.headerLength + m_recordCount * m_header.recordLength;
    if (!m_partialRecord.empty() || end >= m_bytes->size())
        return {};
    return m_bytes->view().substr(static_cast<size_t>(end));
}

bool Table::readRecord(uint64_t record, std::string &into) const
{
    const uint64_t length = m_header.recordLength;
    if (m_bytes->isSnapshot()) {
        into.assign(recordBytes(record));
        return true;
    }
    const uint64_t offset = m_header.headerLength + record * length;
    // A partial last record ends with the file as it was opened, padded with blanks.
    const uint64_t present = std::min<uint64_t>(length, m_bytes->size() - offset);
    into.assign(static_cast<size_t>(length), ' ');
    if (m_bytes->read(offset, static_cast<size_t>(present), into.data()))
        return true;
    into.assign(static_cast<size_t>(length), ' ');
    return false;
}

std::string_view Table::fieldBytes(std::string_view recordBytes, size_t index) const
{
    const Field &f = field(index);
    return recordBytes.substr(f.offset, f.length);
}

FieldText Table::text(uint64_t record, size_t index) const
{
    return shownText(value(recordBytes(record), index));
}

FieldText Table::text(std::string_view bytes, size_t index) const
{
    const Field &f = field(index);
    if (f.isPlainCharacter()) {
        bool hasNul = false;
        FieldText shown {characterText(bytes.substr(f.offset, f.length), m_decoder, hasNul)};
        shown.raw = hasNul;
        return shown;
    }
    return shownText(value(bytes, index));
}

void Table::appendText(std::string_view bytes, size_t index, std::string &out) const
{
    const Field &f = field(index);
    if (f.isPlainCharacter()) {
        bool hasNul = false;
        appendCharacterText(bytes.substr(f.offset, f.length), m_decoder, out, hasNul);
        return;
    }
    appendDisplay(value(bytes, index), out);
}

Value Table::value(std::string_view bytes, size_t index) const
{
    std::string_view nullFlags;
    if (m_header.nullFlagsField >= 0) {
        const Field &flags = m_header.fields[static_cast<size_t>(m_header.nullFlagsField)];
        nullFlags = bytes.substr(flags.offset, flags.length);
    }
    const FieldContext context {m_header.dialect, m_decoder, m_memo ? &*m_memo : nullptr,
                                nullFlags};
    const Field &f = field(index);
    return decodeValue(f, bytes.substr(f.offset, f.length), context);
}

void Table::scan(const std::function<void(uint64_t record, std::string_view bytes)> &visit) const
{
    scanRange(0, m_recordCount, visit);
}

void Table::scanRange(
        uint64_t begin, uint64_t end,
        const std::function<void(uint64_t record, std::string_view bytes)> &visit) const
{
    scanWithin(begin, std::min(end, m_recordCount), false,
               [&](uint64_t record, std::string_view bytes) {
                   visit(record, bytes);
                   return true;
               });
}

void Table::scanFrom(
        uint64_t first, bool backward,
        const std::function<bool(uint64_t record, std::string_view bytes)> &visit) const
{
    scanWithin(first, m_recordCount, backward, visit);
}

void Table::scanWithin(
        uint64_t first, uint64_t end, bool backward,
        const std::function<bool(uint64_t record, std::string_view bytes)> &visit) const
{
    // Chunks start small, so that a caller who stops early reads little, and double up to 4 MB.
    constexpr size_t kFirstChunkBytes = 64 << 10, kChunkBytes = 4 << 20;
    const uint64_t length = m_header.recordLength;
    const uint64_t mostPerChunk = std::max<uint64_t>(1, kChunkBytes / length);
    uint64_t perChunk = std::max<uint64_t>(1, kFirstChunkBytes / length) / 2;
    const uint64_t records = backward ? first + 1 : end - std::min(first, end);
    // Read live, the chunks are checked against the file's state when the scan began.
    const bool live = !m_bytes->isSnapshot();
    const FileState before = live ? m_bytes->bytesState() : FileState {};
    std::optional<uint64_t> held; // found once a chunk could not be read
    std::string chunk, single;
    reserveHuge(chunk, static_cast<size_t>(std::min(mostPerChunk, records) * length));
    for (uint64_t next = first; next < end;) {
        perChunk = std::min(std::max<uint64_t>(1, perChunk * 2), mostPerChunk);
        // The chunk holds records [begin, begin + count), read at once.
        const uint64_t begin = backward ? (next + 1 >= perChunk ? next + 1 - perChunk : 0) : next;
        const uint64_t count = backward ? next + 1 - begin : std::min(perChunk, end - begin);
        chunk.resize(static_cast<size_t>(count * length));
        const bool read = !(m_partialRecord.size() && begin + count == m_recordCount)
                && m_bytes->read(m_header.headerLength + begin * length,
                                 static_cast<size_t>(count * length), chunk.data());
        if (live && m_bytes->bytesState() != before)
            return; // what this chunk holds may be of another state than what came before
        if (live && !read && !held)
            held = recordsHeld(before);
        for (uint64_t i = 0; i < count; ++i) {
            const uint64_t record = backward ? next - i : begin + i;
            std::string_view bytes;
            if (read) {
                bytes = std::string_view(chunk).substr(
                        static_cast<size_t>((record - begin) * length),
                        static_cast<size_t>(length));
            } else if (!live) {
                bytes = recordBytes(record);
            } else {
                // Records the file no longer holds are left out rather than read as zeros.
                if (record >= *held || !readRecord(record, single))
                    continue;
                bytes = single;
            }
            if (!visit(record, bytes))
                return;
        }
        if (backward && begin == 0)
            return;
        next = backward ? begin - 1 : begin + count;
    }
}

std::optional<uint64_t> Table::nextRecord(uint64_t record) const
{
    for (; record < m_recordCount; ++record) {
        if (visits(recordBytes(record)))
            return record;
    }
    return std::nullopt;
}

} // namespace dbf
