// Reading memo blocks (layouts in docs/dbf_format.md).
#include "memo_file.h"

#include "byte_order.h"

#include <algorithm>

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
    if ((value.fault = headerFault()))
        return value;
    const uint8_t *data = m_bytes->data();
    const uint64_t size = m_bytes->size();
    // Compared before multiplying, so that a huge block number cannot wrap around.
    const uint64_t start = block < size / m_blockSize + 1 ? block * m_blockSize : size;
    if (start < m_headerSize || start >= size) {
        value.fault = MemoFault {
                start >= size ? MemoFault::Kind::PastEnd : MemoFault::Kind::InHeader, start,
                "Memoblock " + std::to_string(block) + " liegt "
                        + (start >= size ? "hinter dem Ende" : "im Kopf") + " der Memodatei (Byte "
                        + std::to_string(start) + ")"};
        return value;
    }

    if (m_format == MemoFormat::FoxPro) {
        // Block: 0-3 type (0 picture, 1 text, 2 object), 4-7 length, both big-endian
        if (size - start < 8) {
            value.fault =
                    MemoFault {MemoFault::Kind::Damaged, start,
                               "Memoblock " + std::to_string(block) + " ist abgeschnitten (Byte "
                                       + std::to_string(start) + ")"};
            return value;
        }
        value = takeData(start, be32(data + start + 4));
        value.binary = be32(data + start) != 1;
        return value;
    }

    if (m_format == MemoFormat::DBase4 && size - start >= 8 && data[start] == 0xFF
        && data[start + 1] == 0xFF && data[start + 2] == 0x08 && data[start + 3] == 0x00) {
        // Block: FF FF 08 00, then the length including these 8 bytes (LE)
        const uint32_t length = le32(data + start + 4);
        if (length < 8) {
            value.fault = MemoFault {MemoFault::Kind::Damaged, start,
                                     "Memolänge " + std::to_string(length) + " ist zu klein (Byte "
                                             + std::to_string(start + 4) + ")"};
            return value;
        }
        return takeData(start, length - 8);
    }
    return readDBase3(start);
}

namespace {

std::string limitText()
{
    return "Memo gekürzt auf " + std::to_string(kMemoValueLimit >> 20) + " MiB";
}

} // namespace

MemoValue MemoFile::takeData(uint64_t start, uint64_t length) const
{
    // The data follows an 8-byte block header; a length past the end is cut to the file, one
    // past the limit to the limit.
    MemoValue value;
    const uint64_t available = m_bytes->size() - start - 8;
    if (length > available) {
        value.fault = MemoFault {MemoFault::Kind::Damaged, start,
                                 "Memolänge " + std::to_string(length)
                                         + " reicht über das Dateiende (Byte "
                                         + std::to_string(start + 4) + ")"};
        length = available;
    }
    if (length > kMemoValueLimit) {
        if (value.fault)
            value.fault->text += "; " + limitText();
        else
            value.fault = MemoFault {MemoFault::Kind::TooLong, start,
                                     limitText() + ": Memolänge " + std::to_string(length)
                                             + " (Byte " + std::to_string(start + 4) + ")"};
        length = kMemoValueLimit;
    }
    value.bytes = std::string_view(reinterpret_cast<const char *>(m_bytes->data() + start + 8),
                                   static_cast<size_t>(length));
    return value;
}

MemoValue MemoFile::readDBase3(uint64_t start) const
{
    // dBase III ends a memo with 1A 1A. Writers that end it with a single 0x1A pad the rest of
    // the block, so a single 0x1A ends it where only padding (NULs, blanks, 0x1A) follows up to
    // the end of its block, or where the used blocks end. Any other 0x1A belongs to the
    // content: dBaseIII.dbt of php-xbase holds a JPEG of 27 297 bytes with 0x1A inside, and PNG
    // pictures with one in their signature.
    // The used blocks end at the next free block (bytes 0-3) where that lies behind the memo's
    // start and in the file: every memo of the corpus's .dbt files ends before it. A memo
    // without end marker ends there, at the file's end or at the limit.
    MemoValue value;
    const uint64_t size = m_bytes->size();
    const uint64_t nextFree = uint64_t {le32(m_bytes->data())} * m_blockSize;
    const uint64_t blocksEnd = start < nextFree ? std::min(nextFree, size) : size;
    const std::string_view rest(reinterpret_cast<const char *>(m_bytes->data() + start),
                                static_cast<size_t>(blocksEnd - start));
    // A marker right behind the limit still ends a memo of the limit's length.
    const std::string_view searched = rest.substr(0, kMemoValueLimit + 1);
    constexpr std::string_view kPadding("\0 \x1A", 3);
    // The first byte that is no padding behind the last 0x1A whose padding was looked at: each
    // byte is looked at once, however many 0x1A stand in a run of padding.
    size_t noPadding = 0;
    for (size_t end = nextMarker(searched, start, 0); end != std::string_view::npos;
         end = nextMarker(searched, start, end + 1)) {
        if (end + 1 == rest.size() || rest[end + 1] == '\x1A') {
            value.bytes = rest.substr(0, end);
            return value;
        }
        if (end < noPadding)
            continue; // within padding that ends before its block does
        const size_t from = end + 1;
        const size_t blockEnd = std::min<size_t>(
                rest.size(), (start + from + m_blockSize - 1) / m_blockSize * m_blockSize - start);
        if (from == blockEnd)
            continue;
        noPadding = rest.substr(0, blockEnd).find_first_not_of(kPadding, from);
        if (noPadding == std::string_view::npos) {
            value.bytes = rest.substr(0, end);
            return value;
        }
    }
    value.bytes = rest.substr(0, kMemoValueLimit);
    value.fault = rest.size() > kMemoValueLimit
            ? MemoFault {MemoFault::Kind::TooLong, start,
                         limitText() + ": keine Endmarke 0x1A bis dahin (Byte "
                                 + std::to_string(start) + ")"}
            : MemoFault {MemoFault::Kind::NoEndMarker, start,
                         "Memotext ohne Endmarke 0x1A (Byte " + std::to_string(start) + ")"};
    return value;
}

size_t MemoFile::nextMarker(std::string_view searched, uint64_t start, size_t from) const
{
    const uint64_t at = start + from, limit = start + searched.size();
    uint64_t begin = 0, end = 0;
    {
        const std::lock_guard lock(m_markerFree->lock);
        begin = m_markerFree->begin;
        end = m_markerFree->end;
    }
    // The first 0x1A in the file's bytes [a, b); b for none.
    auto find = [&](uint64_t a, uint64_t b) {
        const size_t found = a < b ? searched.substr(0, b - start).find('\x1A', a - start)
                                   : std::string_view::npos;
        return found == std::string_view::npos ? b : start + found;
    };
    // Up to the stretch known without 0x1A, then on behind it.
    uint64_t found = find(at, at < end ? std::min(begin, limit) : limit);
    if (at < end && begin < limit && found == std::min(begin, limit))
        found = find(end, limit);

    const std::lock_guard lock(m_markerFree->lock);
    MarkerFree &known = *m_markerFree;
    if (at <= known.end && found >= known.begin) {
        known.begin = std::min(known.begin, at);
        known.end = std::max(known.end, found);
    } else if (found - at > known.end - known.begin) {
        known.begin = at;
        known.end = found;
    }
    return found < limit ? static_cast<size_t>(found - start) : std::string_view::npos;
}

} // namespace dbf
