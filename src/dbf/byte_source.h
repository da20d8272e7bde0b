// Read-only bytes of a table or memo file: a copy held in memory (small files and tests) or a
// memory-mapped file read live, with what is needed to tell whether another program changed it.
#pragma once

#include "error.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace dbf {

// What another program changes when it writes a table: checked with a few system calls.
struct FileState
{
    bool present = true; // the path still names a file
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    // The first bytes of the header: version, date of the last update, record count.
    std::array<uint8_t, 8> header {};
    // Not compared: when the file's status changed last (ctime; a save that puts the old
    // modification time back sets it too) and when the state was taken, in nanoseconds since
    // the epoch.
    int64_t statusChangedNanoseconds = 0;
    int64_t takenNanoseconds = 0;

    // The same file with the same size, modification time and header.
    bool operator==(const FileState &other) const;
    // Whether a save may have been under way when the state was taken: one write() sets the
    // modification time once, as it begins, so that a state taken during it equals one taken
    // after it while the bytes between them changed. Then only the bytes tell.
    bool racy() const;
};

// A state is racy when the file was modified less than this before it was taken: a save of a
// whole table in one write() ends within it, and it covers file systems that keep times to
// two seconds only (FAT).
constexpr int64_t kRacyNanoseconds = 2'000'000'000;

// Files up to this size are copied when opened, so that what is read of them never changes;
// larger ones are mapped and read live. Copying into fresh memory costs about 2.5 ms per MiB
// here, and the first record must not show later for it: 256 KiB cost about 0.6 ms.
constexpr uint64_t kSnapshotLimit = 256 << 10;

// How often a file that another program keeps writing is read whole before giving up.
constexpr int kPassAttempts = 3;

class ByteSource
{
public:
    virtual ~ByteSource() = default;
    virtual const uint8_t *data() const = 0;
    virtual uint64_t size() const = 0;

    // Copies `length` bytes from `offset` into `into`; false when the source holds fewer. For a
    // file read live this reads it (pread), which streams far faster than touching a mapping
    // page by page, and gives false for bytes another program cut off since.
    virtual bool read(uint64_t offset, size_t length, char *into) const = 0;

    // Whether the bytes are a copy held in memory: then they never change.
    virtual bool isSnapshot() const = 0;
    // The state of the bytes that read() and data() give: for a file read live, of the open
    // file now; for a copy, the state it was taken in.
    virtual FileState bytesState() const = 0;
    // The state of the file under its path now, whatever the source holds.
    virtual FileState pathState() const = 0;
    // Both as they were when the source was opened.
    virtual const FileState &openedState() const = 0;

    std::string_view view() const
    {
        return {reinterpret_cast<const char *>(data()), static_cast<size_t>(size())};
    }

    // Opens `path` with O_RDONLY; copies it when it holds at most `snapshotLimit` bytes, maps
    // it read-only otherwise. The file is never locked or written. Fails with FileNotFound or
    // FileUnreadable.
    static Result<std::shared_ptr<const ByteSource>>
    openFile(const std::string &path, uint64_t snapshotLimit = kSnapshotLimit);
    static std::shared_ptr<const ByteSource> fromBuffer(std::string bytes);
};

} // namespace dbf
