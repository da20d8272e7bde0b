// Fuzz target: a record set stepping through a table that another program changes meanwhile.
#include "recordset/record_set.h"
#include "targets.h"
#include "temp_folder.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fuzz {
namespace {

// The steps: one byte each, most with an argument byte after it.
class Steps
{
public:
    explicit Steps(std::string_view bytes) : m_bytes(bytes) { }
    bool done() const { return m_at >= m_bytes.size(); }
    uint8_t next() { return done() ? 0 : static_cast<uint8_t>(m_bytes[m_at++]); }

private:
    std::string_view m_bytes;
    size_t m_at = 0;
};

// Another program writing the table between the steps: in place, cutting it short, growing it,
// replacing or removing it.
class Writer
{
public:
    Writer(std::string path, std::string_view original)
        : m_path(std::move(path)), m_original(original)
    { }

    // Applies change `kind` (0-7) with its arguments from `steps`.
    void change(unsigned kind, Steps &steps)
    {
        const uint64_t size = sizeNow();
        switch (kind) {
        case 0: { // records appended, from the original bytes
            std::string bytes;
            for (unsigned i = steps.next(); i > 0 && !m_original.empty(); --i)
                bytes += m_original[(size + bytes.size()) % m_original.size()];
            if (size + bytes.size() <= kLargest)
                write(size, bytes);
            break;
        }
        case 1: // cut short
            truncate(size - std::min<uint64_t>(size, steps.next() + 1u));
            break;
        case 2: { // one byte overwritten
            const unsigned offset = steps.next() | steps.next() << 8;
            const char value = static_cast<char>(steps.next());
            if (size > 0)
                write(offset % size, std::string_view(&value, 1));
            break;
        }
        case 3: { // the header's record count
            const char count[4] = {static_cast<char>(steps.next()), 0, 0, 0};
            write(4, std::string_view(count, 4));
            break;
        }
        case 4: // the original bytes written anew in place
            truncate(0);
            write(0, m_original);
            break;
        case 5: // replaced by a new file of the same bytes, as editors save
            std::filesystem::rename(
                    writeFile(std::filesystem::path(m_path).parent_path(), "neu.tmp", m_original),
                    m_path);
            break;
        case 6:
            std::filesystem::remove(m_path);
            break;
        case 7: { // only the modification time
            const timespec times[2] = {{0, UTIME_OMIT}, {steps.next(), 0}};
            (void)::utimensat(AT_FDCWD, m_path.c_str(), times, 0);
            break;
        }
        }
    }

private:
    static constexpr uint64_t kLargest = 1 << 20;

    uint64_t sizeNow() const
    {
        std::error_code error;
        const uint64_t size = std::filesystem::file_size(m_path, error);
        return error ? 0 : size;
    }
    void write(uint64_t offset, std::string_view bytes) const
    {
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return;
        // A write that fails or falls short is one more change the reader has to bear.
        if (::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) < 0)
            errno = 0;
        ::close(fd);
    }
    void truncate(uint64_t size) const
    {
        if (::truncate(m_path.c_str(), static_cast<off_t>(size)) != 0)
            errno = 0; // the file may be gone: that too is a change to bear
    }

    std::string m_path;
    std::string_view m_original;
};

// The name of field `index` of the set, "" past its fields.
std::string fieldName(recordset::RecordSet &set, unsigned index)
{
    const auto count = set.FieldCount();
    if (!count || *count == 0)
        return {};
    const auto name = set.FieldName(index % *count);
    return name ? *name : std::string();
}

// "[FIELD]" `op` a letter `end`, the field and the letter chosen by `argument`; appended piece
// by piece, not the pattern that GCC 12 at -O3 warns of falsely.
std::string criterion(recordset::RecordSet &set, unsigned argument, const char *op, const char *end)
{
    std::string text = "[";
    text += fieldName(set, argument);
    text += op;
    text += static_cast<char>('A' + argument % 26);
    text += end;
    return text;
}

// The readings, each a step of its own: moves, counts, values, filter, sort, find and passes.
using Reading = void (*)(recordset::RecordSet &set, Steps &steps);
constexpr Reading kReadings[] = {
        [](recordset::RecordSet &set, Steps &) { (void)set.MoveFirst(); },
        [](recordset::RecordSet &set, Steps &) { (void)set.MoveLast(); },
        [](recordset::RecordSet &set, Steps &) { (void)set.MoveNext(); },
        [](recordset::RecordSet &set, Steps &) { (void)set.MovePrevious(); },
        [](recordset::RecordSet &set, Steps &steps) {
            (void)set.SetAbsolutePosition(steps.next());
        },
        [](recordset::RecordSet &set, Steps &) {
            (void)set.RecordCount();
            (void)set.AbsolutePosition();
        },
        [](recordset::RecordSet &set, Steps &steps) { (void)set.FieldText(steps.next()); },
        [](recordset::RecordSet &set, Steps &steps) {
            (void)set.Bookmark();
            (void)set.SetBookmark(steps.next());
        },
        [](recordset::RecordSet &set, Steps &steps) {
            const unsigned argument = steps.next();
            (void)set.SetFilter(argument == 0 ? std::string()
                                              : criterion(set, argument, "] >= '", "'"));
        },
        [](recordset::RecordSet &set, Steps &steps) {
            const unsigned argument = steps.next();
            (void)set.SetSort(argument == 0
                                      ? std::string()
                                      : fieldName(set, argument) + (argument & 1 ? " DESC" : ""));
        },
        [](recordset::RecordSet &set, Steps &steps) {
            const unsigned argument = steps.next();
            (void)set.Find(criterion(set, argument, "] LIKE '", "*'"), argument & 1,
                           argument & 2 ? recordset::SearchDirection::Backward
                                        : recordset::SearchDirection::Forward);
        },
        [](recordset::RecordSet &set, Steps &) {
            (void)set.ForEach([&](std::string_view record) {
                const auto count = set.FieldCount();
                for (size_t field = 0; count && field < *count; ++field)
                    (void)set.FieldText(record, field);
                return true;
            });
        },
        [](recordset::RecordSet &set, Steps &) { (void)set.FileChange(); },
};

constexpr unsigned kReadingCount = std::size(kReadings), kChanges = 8;

} // namespace

void recordset(std::string_view input)
{
    const size_t marker = input.find(kStepMarker);
    const std::string_view steps =
            marker == std::string_view::npos ? "" : input.substr(marker + kStepMarker.size());
    const std::string_view table = input.substr(0, std::min(marker, input.find(kMemoMarker)));

    const std::filesystem::path folder = freshFolder("recordset");
    const std::string path = writeFile(folder, "funk.dbf", table);
    Steps script(steps);
    // The first step byte: bit 0 deleted records included, bit 1 the table copied when opened
    // (otherwise it is read live, however small).
    const unsigned options = script.next();
    dbf::OpenOptions open;
    open.includeDeleted = options & 1;
    open.snapshotLimit = options & 2 ? dbf::kSnapshotLimit : 0;
    auto set = recordset::RecordSet::Open(
            "Provider=MSDASQL;DRIVER={Microsoft dBase Driver (*.dbf)};database=" + path,
            "select * from funk", open);
    if (!set)
        return;
    Writer writer(path, table);
    for (int step = 0; step < 100 && !script.done(); ++step) {
        const unsigned kind = script.next() % (kReadingCount + kChanges);
        if (kind < kReadingCount)
            kReadings[kind](**set, script);
        else
            writer.change(kind - kReadingCount, script);
    }
    (void)(*set)->Close();
}

} // namespace fuzz
