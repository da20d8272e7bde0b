// Checking a memo file: what is wrong with its header and with the memos the table points to.
#include "memo_file.h"

namespace dbf {

const char *memoFaultName(MemoFault::Kind kind)
{
    switch (kind) {
    case MemoFault::Kind::BlockSize:
        return "memo-block-size";
    case MemoFault::Kind::PastEnd:
        return "memo-past-end";
    case MemoFault::Kind::InHeader:
        return "memo-in-header";
    case MemoFault::Kind::Damaged:
        return "memo-block-damaged";
    case MemoFault::Kind::NoEndMarker:
        return "memo-no-end-marker";
    }
    return "unknown";
}

uint64_t MemoFile::startOf(uint64_t block) const
{
    // Compared before multiplying, so that a huge block number cannot wrap around.
    const uint64_t size = m_bytes->size();
    return block < size / m_blockSize + 1 ? block * m_blockSize : size;
}

uint64_t MemoFile::blockCount() const
{
    return m_blockSize ? (m_bytes->size() + m_blockSize - 1) / m_blockSize : 0;
}

std::optional<MemoFault> MemoFile::headerFault() const
{
    // Only a FoxPro header can give 0: dBase IV's 0 stands for 512 (see open()).
    if (m_blockSize == 0)
        return MemoFault {MemoFault::Kind::BlockSize, 6, "Blockgröße 0 im Kopf der Memodatei"};
    return std::nullopt;
}

std::optional<MemoFault> MemoFile::blockFault(uint64_t block) const
{
    if (auto fault = headerFault())
        return fault;
    MemoValue value = read(block);
    if (value.problem.empty())
        return std::nullopt;
    const uint64_t size = m_bytes->size();
    const uint64_t start = startOf(block);
    if (start >= size || start < m_headerSize)
        return MemoFault {start >= size ? MemoFault::Kind::PastEnd : MemoFault::Kind::InHeader,
                          start, std::move(value.problem)};
    // Text memos run to their 0x1A; the others carry their length in a block header.
    const uint8_t *data = m_bytes->data() + start;
    const bool textMemo = m_format == MemoFormat::DBase3
            || (m_format == MemoFormat::DBase4
                && !(size - start >= 8 && data[0] == 0xFF && data[1] == 0xFF && data[2] == 0x08
                     && data[3] == 0x00));
    return MemoFault {textMemo ? MemoFault::Kind::NoEndMarker : MemoFault::Kind::Damaged, start,
                      std::move(value.problem)};
}

} // namespace dbf
