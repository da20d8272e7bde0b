// A table whose file another program changes while it is open: which records the file still
// holds, what changed, and passes that read the file in one state.
#include "table.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace dbf {
namespace {

// Words mixed into four sums at once (a multiply and a shift each, four chains the processor
// works on side by side): fast enough to read a large table twice more right after a save,
// and a change of one word changes its sum.
class Digest
{
public:
    void add(std::string_view bytes)
    {
        size_t at = 0;
        for (; at + 32 <= bytes.size(); at += 32) {
            for (size_t lane = 0; lane < 4; ++lane)
                mix(m_sums[lane], bytes.substr(at + 8 * lane, 8));
        }
        for (; at < bytes.size(); at += 8)
            mix(m_sums[0], bytes.substr(at, 8));
    }
    uint64_t value() const { return m_sums[0] ^ m_sums[1] * 3 ^ m_sums[2] * 5 ^ m_sums[3] * 7; }

private:
    static void mix(uint64_t &sum, std::string_view bytes)
    {
        uint64_t word = 0;
        std::memcpy(&word, bytes.data(), bytes.size());
        sum = (sum ^ word) * 0x9E3779B97F4A7C15u;
        sum ^= sum >> 29;
    }

    std::array<uint64_t, 4> m_sums {};
};

} // namespace

uint64_t Table::recordsIn(uint64_t fileSize) const
{
    if (fileSize >= m_bytes->size())
        return m_recordCount;
    if (fileSize < m_header.headerLength)
        return 0;
    return std::min<uint64_t>(m_recordCount,
                              (fileSize - m_header.headerLength) / m_header.recordLength);
}

uint64_t Table::recordsHeld(const FileState &state) const
{
    return m_bytes->isSnapshot() ? m_recordCount : recordsIn(state.size);
}

std::optional<Error> Table::checkRecord(uint64_t record) const
{
    if (m_bytes->isSnapshot() || record < recordsHeld(m_bytes->bytesState()))
        return std::nullopt;
    const uint64_t offset = m_header.headerLength + record * m_header.recordLength;
    return Error {ErrorCode::FileChanged,
                  "Die Datei »" + m_path + "« wurde von einem anderen Programm verkürzt: Datensatz "
                          + std::to_string(record + 1) + " (ab Byte " + std::to_string(offset)
                          + ") gibt es nicht mehr. Neu laden zeigt die Datei, wie sie jetzt ist."};
}

std::optional<Error> Table::change() const
{
    const FileState &was = m_bytes->openedState();
    const FileState now = m_bytes->pathState();
    if (now == was)
        return std::nullopt;
    auto count = [](const FileState &state) {
        uint32_t records = 0;
        for (int i = 7; i >= 4; --i)
            records = records << 8 | state.header[static_cast<size_t>(i)];
        return records;
    };
    auto bytes = [](uint64_t size) { return std::to_string(size) + " Bytes"; };
    std::string what;
    if (!now.present) {
        what = "gelöscht oder umbenannt";
    } else if (now.device != was.device || now.inode != was.inode) {
        what = "durch eine andere Datei ersetzt";
    } else if (now.size < was.size) {
        what = "verkürzt (von " + bytes(was.size) + " auf " + bytes(now.size) + ")";
        if (const uint64_t held = recordsIn(now.size); held < m_recordCount)
            what += ": Datensatz " + std::to_string(held + 1)
                    + (held + 1 < m_recordCount ? " bis Datensatz " + std::to_string(m_recordCount)
                                                : std::string())
                    + " gibt es nicht mehr";
    } else if (now.size > was.size) {
        what = "verlängert (von " + bytes(was.size) + " auf " + bytes(now.size) + ")";
    } else {
        what = "überschrieben";
    }
    if (now.present && count(now) != count(was))
        what += "; der Dateikopf nennt jetzt " + std::to_string(count(now)) + " statt "
                + std::to_string(count(was)) + " Datensätze";
    return Error {ErrorCode::FileChanged,
                  "Die Datei »" + m_path + "« wurde von einem anderen Programm " + what + "."};
}

Error Table::changeFoundByPass() const
{
    if (auto found = change())
        return *found;
    return {ErrorCode::FileChanged,
            "Die Datei »" + m_path + "« wurde von einem anderen Programm geändert."};
}

uint64_t Table::digest(uint64_t first, uint64_t end) const
{
    Digest sum;
    std::string chunk;
    auto add = [&](uint64_t offset, uint64_t length) {
        for (uint64_t done = 0; done < length; done += chunk.size()) {
            chunk.resize(static_cast<size_t>(std::min<uint64_t>(1 << 20, length - done)));
            if (!m_bytes->read(offset + done, chunk.size(), chunk.data()))
                chunk.assign(chunk.size(), 0); // cut off: the file's size tells
            sum.add(chunk);
        }
    };
    add(0, m_header.headerLength);
    end = std::min(end, m_recordCount);
    if (first < end)
        add(m_header.headerLength + first * m_header.recordLength,
            (end - first) * m_header.recordLength);
    return sum.value();
}

bool Table::inOneState(const std::function<void()> &pass, int attempts, uint64_t first,
                       uint64_t end) const
{
    if (m_bytes->isSnapshot()) {
        pass();
        return true;
    }
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const FileState before = m_bytes->bytesState();
        const bool racy = before.racy();
        const uint64_t bytes = racy ? digest(first, end) : 0;
        pass();
        if (m_bytes->bytesState() == before && (!racy || digest(first, end) == bytes))
            return true;
    }
    return false;
}

} // namespace dbf
