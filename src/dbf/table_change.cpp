// A table whose file another program changes while it is open: which records the file still
// holds, what changed, and passes that read the file in one state.
#include "table.h"

namespace dbf {

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

bool Table::inOneState(const std::function<void()> &pass, int attempts) const
{
    if (m_bytes->isSnapshot()) {
        pass();
        return true;
    }
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const FileState before = m_bytes->bytesState();
        pass();
        if (m_bytes->bytesState() == before)
            return true;
    }
    return false;
}

} // namespace dbf
