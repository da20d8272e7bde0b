// Memory-mapped and in-memory byte sources.
#include "byte_source.h"

#include "dbf/system_error_text.h"
#include "mapping_guard.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbf {
namespace {

class MappedFile final : public ByteSource
{
public:
    MappedFile(int fd, void *address, uint64_t size)
        : m_fd(fd), m_address(address), m_size(size), m_guard(address, static_cast<size_t>(size))
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
        while (length > 0) {
            const ssize_t got = ::pread(m_fd, into, length, static_cast<off_t>(offset));
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

    bool holds(uint64_t offset, uint64_t length) const override
    {
        struct stat info
        { };
        return !m_guard.lostPages() && ::fstat(m_fd, &info) == 0
                && static_cast<uint64_t>(info.st_size) >= offset + length;
    }

private:
    int m_fd;
    void *m_address;
    uint64_t m_size;
    MappingGuard m_guard;
};

class Buffer final : public ByteSource
{
public:
    explicit Buffer(std::string bytes) : m_bytes(std::move(bytes)) { }
    const uint8_t *data() const override
    {
        return reinterpret_cast<const uint8_t *>(m_bytes.data());
    }
    uint64_t size() const override { return m_bytes.size(); }

    bool read(uint64_t offset, size_t length, char *into) const override
    {
        if (offset > m_bytes.size() || length > m_bytes.size() - offset)
            return false;
        m_bytes.copy(into, length, static_cast<size_t>(offset));
        return true;
    }

    bool holds(uint64_t offset, uint64_t length) const override
    {
        return offset + length <= m_bytes.size();
    }

private:
    std::string m_bytes;
};

Error systemError(const std::string &path, int error)
{
    const ErrorCode code = (error == ENOENT || error == ENOTDIR) ? ErrorCode::FileNotFound
                                                                 : ErrorCode::FileUnreadable;
    const char *what =
            code == ErrorCode::FileNotFound ? "wurde nicht gefunden" : "kann nicht gelesen werden";
    return {code, "Die Datei »" + path + "« " + what + " (" + systemErrorText(error) + ")."};
}

} // namespace

Result<std::shared_ptr<const ByteSource>> ByteSource::mapFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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

    const auto size = static_cast<uint64_t>(info.st_size);
    void *address = nullptr;
    if (size > 0) {
        address = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
        if (address == MAP_FAILED) {
            const int error = errno;
            ::close(fd);
            return systemError(path, error);
        }
    }
    return std::shared_ptr<const ByteSource>(std::make_shared<MappedFile>(fd, address, size));
}

std::shared_ptr<const ByteSource> ByteSource::fromBuffer(std::string bytes)
{
    return std::make_shared<Buffer>(std::move(bytes));
}

} // namespace dbf
