// Lays out the blocks of dBase III, dBase IV and FoxPro memo files.
#include "byte_order.h"
#include "dbf_builder.h"

#include <stdexcept>

namespace dbfbuild {

namespace {

constexpr uint16_t kDBase3BlockSize = 512;
constexpr std::size_t kMinHeaderSize = 512;
constexpr std::size_t kBlockPrefixSize = 8;

} // namespace

MemoBuilder::MemoBuilder(MemoKind kind, uint16_t blockSize)
    : m_kind(kind), m_blockSize(kind == MemoKind::DBase3 ? kDBase3BlockSize : blockSize)
{
    if (m_blockSize == 0)
        throw std::invalid_argument("memo block size must not be 0");
    m_headerSize = (kMinHeaderSize + m_blockSize - 1) / m_blockSize * m_blockSize;
}

uint32_t MemoBuilder::add(std::string_view data, uint32_t foxType)
{
    const auto block = static_cast<uint32_t>((m_headerSize + m_blocks.size()) / m_blockSize);
    switch (m_kind) {
    case MemoKind::DBase3:
        m_blocks += data;
        m_blocks += "\x1A\x1A";
        break;
    case MemoKind::DBase4: {
        std::string prefix(kBlockPrefixSize, '\0');
        prefix[0] = '\xFF';
        prefix[1] = '\xFF';
        prefix[2] = '\x08';
        detail::storeLittleEndian(prefix, 4, static_cast<uint32_t>(data.size() + kBlockPrefixSize));
        m_blocks += prefix;
        m_blocks += data;
        break;
    }
    case MemoKind::FoxPro: {
        std::string prefix(kBlockPrefixSize, '\0');
        detail::storeBigEndian(prefix, 0, foxType);
        detail::storeBigEndian(prefix, 4, static_cast<uint32_t>(data.size()));
        m_blocks += prefix;
        m_blocks += data;
        break;
    }
    }
    const std::size_t used = m_blocks.size() % m_blockSize;
    if (used != 0)
        m_blocks.append(m_blockSize - used, '\0');
    return block;
}

std::string MemoBuilder::bytes() const
{
    std::string header(m_headerSize, '\0');
    const auto nextFree = static_cast<uint32_t>((m_headerSize + m_blocks.size()) / m_blockSize);
    if (m_kind == MemoKind::FoxPro) {
        detail::storeBigEndian(header, 0, nextFree);
        detail::storeBigEndian(header, 6, m_blockSize);
    } else {
        detail::storeLittleEndian(header, 0, nextFree);
        if (m_kind == MemoKind::DBase4)
            detail::storeLittleEndian(header, 20, m_blockSize);
    }
    return header + m_blocks;
}

} // namespace dbfbuild
