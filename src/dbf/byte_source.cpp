// Copied, memory-mapped and in-memory byte sources.
#include "byte_source.h"

#include "dbf/system_error_text.h"
#include "mapping_guard.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace dbf {
namespace {

bool readAll(int fd, uint64_t offset, size_t length, char *into)
{
    while (length > 0) {
        const ssize_t got = ::pread(fd, into, length, static_cast<off_t>(offset));
        if (got <= 0) {
            if (got < 0 && errno == EINTR)
                continue;
            return false;
        }
        into += got;
        offset += static_cast<uint64_t>(got);
        length -= static_cast<size_t>(got);
    }
    return true;
}

int64_t nanoseconds(const timespec &time)
{
    return int64_t {time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

FileState stateOf(int fd)
{
    // A write() under way ends first: seeking data takes the file's inode lock, which a writer
    // holds for the whole of its write on ext4, XFS and tmpfs. Without it, a state taken while a
    // save is descheduled halfway looks the same before and after it.
    (void)::lseek(fd, 0, SEEK_DATA);
    FileState state;
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    state.takenNanoseconds = nanoseconds(now);
    struct stat info
    { };
    if (::fstat(fd, &info) != 0) {
        state.present = false;
        return state;
    }
    state.device = info.st_dev;
    state.inode = info.st_ino;
    state.size = static_cast<uint64_t>(info.st_size);
    state.modifiedSeconds = info.st_mtim.tv_sec;
    state.modifiedNanoseconds = info.st_mtim.tv_nsec;
    state.statusChangedNanoseconds = nanoseconds(info.st_ctim);
    // A header shorter than this reads as zeros past its end, as it did when opened.
    (void)readAll(fd, 0, state.header.size(), reinterpret_cast<char *>(state.header.data()));
    return state;
}

FileState stateOfPath(const std::string &path)
{
    // Without waiting: a named pipe put in the table's place would block a plain open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        FileState gone;
        gone.present = false;
        return gone;
    }
    const FileState state = stateOf(fd);
    ::close(fd);
    return state;
}

// A file larger than the snapshot limit: mapped, read live and checked against its state when
// opened.
class MappedFile final : public ByteSource
{
public:
    MappedFile(int fd, void *address, const FileState &opened, std::string path)
        : m_fd(fd),
          m_address(address),
          m_size(opened.size),
          m_guard(address, static_cast<size_t>(opened.size)),
          m_opened(opened),
          m_path(std::move(path))
    { }
    ~MappedFile() override
    {
        if (m_address)
            munmap(m_address, static_cast<size_t>(m_size));
        ::close(m_fd);
    }
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    const uint8_t *data() const override { return static_cast<const uint8_t *>(m_address); }
    uint64_t size() const override { return m_size; }
    bool read(uint64_t offset, size_t length, char *into) const override
    {
        return readAll(m_fd, offset, length, into);
    }
    bool isSnapshot() const override { return false; }
    FileState bytesState() const override { return stateOf(m_fd); }
    FileState pathState() const override { return stateOfPath(m_path); }
    const FileState &openedState() const override { return m_opened; }

private:
    int m_fd;
    void *m_address;
    uint64_t m_size;
    MappingGuard m_guard;
    FileState m_opened;
    std::string m_path;
};

// A file copied when opened, or bytes handed over in memory (no path).
class Snapshot final : public ByteSource
{
public:
    Snapshot(std::unique_ptr<char[]> bytes, const FileState &opened, std::string path)
        : m_bytes(std::move(bytes)), m_opened(opened), m_path(std::move(path))
    { }

    const uint8_t *data() const override
    {
        return reinterpret_cast<const uint8_t *>(m_bytes.get());
    }
    uint64_t size() const override { return m_opened.size; }
    bool read(uint64_t offset, size_t length, char *into) const override
    {
        if (offset > m_opened.size || length > m_opened.size - offset)
            return false;
        if (length > 0)
            std::memcpy(into, m_bytes.get() + offset, length);
        return true;
    }
    bool isSnapshot() const override { return true; }
    FileState bytesState() const override { return m_opened; }
    FileState pathState() const override { return m_path.empty() ? m_opened : stateOfPath(m_path); }
    const FileState &openedState() const override { return m_opened; }

private:
    std::unique_ptr<char[]> m_bytes;
    FileState m_opened;
    std::string m_path; // "" for bytes from memory
};

Error systemError(const std::string &path, int error)
{
    const ErrorCode code = (error == ENOENT || error == ENOTDIR) ? ErrorCode::FileNotFound
                                                                 : ErrorCode::FileUnreadable;
    const char *what =
            code == ErrorCode::FileNotFound ? "wurde nicht gefunden" : "kann nicht gelesen werden";
    return {code, "Die Datei »" + path + "« " + what + " (" + systemErrorText(error) + ")."};
}

// Whether the file holds `bytes` from its start on, as it did when they were read.
bool stillHolds(int fd, const char *bytes, size_t size)
{
    auto again = std::make_unique_for_overwrite<char[]>(size);
    return readAll(fd, 0, size, again.get()) && std::memcmp(again.get(), bytes, size) == 0;
}

// Copies the file, again if another program wrote it meanwhile, so that the copy is the file
// in one state: when the state taken before the copy cannot tell (racy), the file is read once
// more and compared. Racy is judged before the copy, as Table::inOneState does: a state taken
// after it may come long after a save began (its writer throttled, or waited for), and would
// then pass a copy read during that save unchecked. Null when the file kept changing.
std::unique_ptr<char[]> copyOf(int fd, FileState &state)
{
    for (int attempt = 0; attempt < kPassAttempts; ++attempt) {
        const auto size = static_cast<size_t>(state.size);
        auto bytes = std::make_unique_for_overwrite<char[]>(size);
        const bool whole = readAll(fd, 0, size, bytes.get());
        const FileState after = stateOf(fd);
        if (whole && after == state && (!state.racy() || stillHolds(fd, bytes.get(), size)))
            return bytes;
        state = after;
    }
    return nullptr;
}

} // namespace

bool FileState::operator==(const FileState &other) const
{
    auto compared = [](const FileState &state) {
        return std::tie(state.present, state.device, state.inode, state.size, state.modifiedSeconds,
                        state.modifiedNanoseconds, state.header);
    };
    return compared(*this) == compared(other);
}

bool FileState::racy() const
{
    const int64_t modified = modifiedSeconds * 1'000'000'000 + modifiedNanoseconds;
    return takenNanoseconds - std::max(modified, statusChangedNanoseconds) < kRacyNanoseconds;
}

Result<std::shared_ptr<const ByteSource>> ByteSource::openFile(const std::string &path,
                                                               uint64_t snapshotLimit)
{
    // Non-blocking, so that a named pipe, a socket or a device is refused below instead of
    // waiting for a writer; a regular file reads the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return systemError(path, errno);

    struct stat info
    { };
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return systemError(path, error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return Error {ErrorCode::FileUnreadable,
                      "Die Datei »" + path + "« ist keine gewöhnliche Datei."};
    }

    FileState state = stateOf(fd);
    if (state.size <= snapshotLimit) {
        auto bytes = copyOf(fd, state);
        ::close(fd);
        if (!bytes)
            return Error {ErrorCode::FileUnreadable,
                          "Die Datei »" + path
                                  + "« kann nicht gelesen werden: ein anderes Programm schreibt "
                                    "sie gerade."};
        return std::shared_ptr<const ByteSource>(
                std::make_shared<Snapshot>(std::move(bytes), state, path));
    }

    void *address = ::mmap(nullptr, static_cast<size_t>(state.size), PROT_READ, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED) {
        const int error = errno;
        ::close(fd);
        return systemError(path, error);
    }
    return std::shared_ptr<const ByteSource>(
            std::make_shared<MappedFile>(fd, address, state, path));
}

std::shared_ptr<const ByteSource> ByteSource::fromBuffer(std::string bytes)
{
    FileState state;
    state.size = bytes.size();
    std::memcpy(state.header.data(), bytes.data(), std::min(bytes.size(), state.header.size()));
    auto copy = std::make_unique_for_overwrite<char[]>(bytes.size());
    if (!bytes.empty())
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    return std::make_shared<Snapshot>(std::move(copy), state, std::string());
}

} // namespace dbf
