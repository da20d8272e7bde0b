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
    case MemoFault::Kind::TooLong:
        return "memo-too-long";
    }
    return "unknown";
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

} // namespace dbf
