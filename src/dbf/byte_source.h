// Read-only bytes of a table or memo file: a memory-mapped file, or a buffer in memory for tests.
#pragma once

#include "error.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace dbf {

class ByteSource
{
public:
    virtual ~ByteSource() = default;
    virtual const uint8_t *data() const = 0;
    virtual uint64_t size() const = 0;

    // Copies `length` bytes from `offset` into `into`; false when the source holds fewer. For a
    // file this reads it (pread), which streams far faster than touching a mapping page by page.
    virtual bool read(uint64_t offset, size_t length, char *into) const = 0;

    // Whether the source still holds the bytes [offset, offset + length) as they were mapped:
    // false once another program shortened the file below them, or a read met a page it took.
    virtual bool holds(uint64_t offset, uint64_t length) const = 0;

    std::string_view view() const
    {
        return {reinterpret_cast<const char *>(data()), static_cast<size_t>(size())};
    }

    // Opens `path` with O_RDONLY and maps it read-only; the file is never locked or written.
    // Fails with FileNotFound or FileUnreadable.
    static Result<std::shared_ptr<const ByteSource>> mapFile(const std::string &path);
    static std::shared_ptr<const ByteSource> fromBuffer(std::string bytes);
};

} // namespace dbf
