// Reading memo blocks (layouts in docs/dbf_format.md).
#include "memo_file.h"

#include "byte_order.h"

namespace dbf {
Result<MemoFile> MemoFile::open(std::shared_ptr<const ByteSource> bytes, MemoFormat format,
                                std::string path)
{
    MemoFile memo;
    memo.m_bytes = std::move(bytes);
    memo.m_format = format;
    memo.m_path = std::move(path);
    const uint8_t *data = memo.m_bytes->data();
    const uint64_t size = memo.m_bytes->size();

    // Header: .dbt III  0-3 next free block (LE), blocks of 512
    //         .dbt IV/7 0-3 next free block (LE), 20-21 block size (LE)
    //         .fpt      0-3 next free block (BE), 6-7 block size (BE), header of 512 bytes
    const uint64_t needed = format == MemoFormat::DBase3 ? 4
            : format == MemoFormat::DBase4               ? 22
                                                         : 8;
    if (size < needed)
        return Error {ErrorCode::HeaderTruncated,
                      "Die Memodatei »" + memo.m_path + "« ist beschädigt: ihr Kopf endet nach "
                              + std::to_string(size) + " Bytes (Byte " + std::to_string(size)
                              + ")."};
    switch (format) {
    case MemoFormat::DBase3:
        memo.m_blockSize = memo.m_headerSize = 512;
        break;
    case MemoFormat::DBase4: {
        const uint32_t blockSize = le16(data + 20);
        // dBase III+ writers leave the block size 0 in files that dBase IV tables point to.
        memo.m_blockSize = memo.m_headerSize = blockSize ? blockSize : 512;
        break;
    }
    case MemoFormat::FoxPro:
        memo.m_blockSize = be16(data + 6);
        memo.m_headerSize = 512;
        break;
    }
    return memo;
}

MemoValue MemoFile::read(uint64_t block) const
{
    MemoValue value;
    if (block == 0)
        return value;
    const uint8_t *data = m_bytes->data();
    const uint64_t size = m_bytes->size();
    if (m_blockSize == 0) {
        value.problem = "Blockgröße 0 im Kopf der Memodatei";
        return value;
    }
    // Compared before multiplying, so that a huge block number cannot wrap around.
    const uint64_t start = block < size / m_blockSize + 1 ? block * m_blockSize : size;
    if (start < m_headerSize || start >= size) {
        value.problem = "Memoblock " + std::to_string(block) + " liegt "
                + (start >= size ? "hinter dem Ende" : "im Kopf") + " der Memodatei (Byte "
                + std::to_string(start) + ")";
        return value;
    }

    if (m_format == MemoFormat::FoxPro) {
        // Block: 0-3 type (0 picture, 1 text, 2 object), 4-7 length, both big-endian
        if (size - start < 8) {
            value.problem = "Memoblock " + std::to_string(block) + " ist abgeschnitten (Byte "
                    + std::to_string(start) + ")";
            return value;
        }
        value.binary = be32(data + start) != 1;
        takeData(value, start, be32(data + start + 4));
        return value;
    }

    if (m_format == MemoFormat::DBase4 && size - start >= 8 && data[start] == 0xFF
        && data[start + 1] == 0xFF && data[start + 2] == 0x08 && data[start + 3] == 0x00) {
        // Block: FF FF 08 00, then the length including these 8 bytes (LE)
        const uint32_t length = le32(data + start + 4);
        if (length < 8) {
            value.problem = "Memolänge " + std::to_string(length) + " ist zu klein (Byte "
                    + std::to_string(start + 4) + ")";
            return value;
        }
        takeData(value, start, length - 8);
        return value;
    }
    return readDBase3(start);
}

void MemoFile::takeData(MemoValue &value, uint64_t start, uint64_t length) const
{
    // The data follows an 8-byte block header; a length past the end is cut to the file.
    const uint64_t available = m_bytes->size() - start - 8;
    if (length > available) {
        value.problem = "Memolänge " + std::to_string(length) + " reicht über das Dateiende (Byte "
                + std::to_string(start + 4) + ")";
        length = available;
    }
    value.bytes = std::string_view(reinterpret_cast<const char *>(m_bytes->data() + start + 8),
                                   static_cast<size_t>(length));
}

MemoValue MemoFile::readDBase3(uint64_t start) const
{
    // dBase III ends a memo with 1A 1A. Writers that end it with a single 0x1A pad the rest of
    // the block, so a single 0x1A ends it where only padding (NULs, blanks, 0x1A) follows up to
    // the end of its block, or where the used blocks end (the next free block, bytes 0-3). Any
    // other 0x1A belongs to the content: dBaseIII.dbt of php-xbase holds a JPEG of 27 297
    // bytes with 0x1A inside, and PNG pictures with one in their signature.
    MemoValue value;
    const uint64_t nextFree = uint64_t {le32(m_bytes->data())} * m_blockSize;
    const std::string_view rest(reinterpret_cast<const char *>(m_bytes->data() + start),
                                m_bytes->size() - start);
    auto paddedToBlockEnd = [&](size_t from) {
        const size_t blockEnd =
                (start + from + m_blockSize - 1) / m_blockSize * m_blockSize - start;
        return from < blockEnd
                && rest.substr(from, blockEnd - from)
                           .find_first_not_of(std::string_view("\0 \x1A", 3))
                == std::string_view::npos;
    };
    for (size_t end = rest.find('\x1A'); end != std::string_view::npos;
         end = rest.find('\x1A', end + 1)) {
        if (end + 1 == rest.size() || rest[end + 1] == '\x1A' || start + end + 1 == nextFree
            || paddedToBlockEnd(end + 1)) {
            value.bytes = rest.substr(0, end);
            return value;
        }
    }
    value.problem = "Memotext ohne Endmarke 0x1A (Byte " + std::to_string(start) + ")";
    value.bytes = rest;
    return value;
}

} // namespace dbf
