// Memo files (.dbt of dBase III and IV/7, .fpt of FoxPro): the values behind memo fields.
#pragma once

#include "byte_source.h"
#include "error.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace dbf {

enum class MemoFormat { DBase3, DBase4, FoxPro };

// The longest memo value read: a memo costs at most its own bytes and never more than this, so
// that a damaged or hostile memo file (a length of 4 GB, a text without end marker in a sparse
// file of gigabytes) cannot cost its whole size for one value. The largest memo file of the
// corpus (vfp.fpt of php-xbase) holds 330 496 bytes.
constexpr uint64_t kMemoValueLimit = 16 << 20;

// What is wrong with a memo file's header or with one memo in it.
struct MemoFault
{
    enum class Kind {
        BlockSize, // the header gives no usable block size
        PastEnd, // the block lies behind the end of the file
        InHeader, // the block lies inside the file's header
        Damaged, // the block is cut short, or its length reaches past the end of the file
        NoEndMarker, // dBase III text without its 0x1A
        TooLong, // longer than kMemoValueLimit: read up to it
    };
    Kind kind;
    uint64_t offset; // in the memo file
    std::string text; // German
};

struct MemoValue
{
    std::string_view bytes; // points into the memo file
    bool binary = false; // a FoxPro picture or object block
    std::optional<MemoFault> fault; // none when the block was read as it should be
};

// The stable name of a kind of memo fault ("memo-past-end" …), for listings and scripts.
const char *memoFaultName(MemoFault::Kind kind);

class MemoFile
{
public:
    // Reads the memo file's header. Fails with HeaderTruncated for a file shorter than its
    // header; a bad block size is not an error here but reported with each value read.
    static Result<MemoFile> open(std::shared_ptr<const ByteSource> bytes, MemoFormat format,
                                 std::string path);

    MemoFormat format() const { return m_format; }
    const std::string &path() const { return m_path; }
    uint32_t blockSize() const { return m_blockSize; }

    // The memo starting at `block`. Block 0 is the empty memo. Out-of-range pointers and
    // lengths are clamped to the file, memos to kMemoValueLimit, and described in `fault`;
    // this never fails.
    MemoValue read(uint64_t block) const;

    // What is wrong with the header; std::nullopt when memos can be read.
    std::optional<MemoFault> headerFault() const;
    // Blocks the file holds, header included: block numbers below it lie in the file.
    uint64_t blockCount() const;

private:
    // REQUIRES: the file holds at least 8 bytes from `start`
    MemoValue takeData(uint64_t start, uint64_t length) const;
    MemoValue readDBase3(uint64_t start) const;
    // The first 0x1A in `searched`, the file's bytes from `start`, at or after `from`; npos for
    // none. Remembers the stretch found without one, joined to the one known before where they
    // meet, so that memos pointing into a stretch without 0x1A (a .dbt zeroed by a crash, a
    // hole), in any order, cost it about once, not once each.
    size_t nextMarker(std::string_view searched, uint64_t start, size_t from) const;

    // A stretch of the file that holds no 0x1A, [begin, end); shared by copies of the file.
    struct MarkerFree
    {
        std::mutex lock;
        uint64_t begin = 0, end = 0;
    };

    std::shared_ptr<const ByteSource> m_bytes;
    MemoFormat m_format = MemoFormat::DBase3;
    std::string m_path;
    uint32_t m_blockSize = 512;
    uint32_t m_headerSize = 512;
    std::shared_ptr<MarkerFree> m_markerFree = std::make_shared<MarkerFree>();
};

} // namespace dbf
