// Formatting chunks of records on two threads, written in order.
#include "chunked_output.h"

namespace cli {
namespace {

// Records are handed on in chunks of about this many bytes: large enough that handing on costs
// little beside formatting, small enough that the chunks in flight take little memory.
constexpr size_t kChunkBytes = 256 * 1024;
// The first chunk is smaller, so that the first records go out soon (to `head`, to a terminal).
constexpr size_t kFirstChunkBytes = 16 * 1024;

} // namespace

ChunkedOutput::ChunkedOutput(const RecordWriter &writer, std::ostream &out, unsigned threads)
    : m_writer(writer), m_out(out), m_threadCount(threads), m_filling(std::make_unique<Chunk>())
{ }

ChunkedOutput::~ChunkedOutput()
{
    stop();
}

void ChunkedOutput::add(std::string_view record, int64_t position)
{
    m_filling->records += record;
    m_filling->ends.push_back(m_filling->records.size());
    m_filling->positions.push_back(position);
    if (m_filling->records.size() >= (m_added ? kChunkBytes : kFirstChunkBytes))
        submit(false);
}

void ChunkedOutput::finish()
{
    if (!m_filling->positions.empty())
        submit(true);
    writeFormatted(1);
    stop();
}

void ChunkedOutput::format(const RecordWriter &writer, Chunk &chunk)
{
    size_t begin = 0;
    for (size_t i = 0; i < chunk.ends.size(); ++i) {
        const std::string_view record(chunk.records.data() + begin, chunk.ends[i] - begin);
        writer.append(record, chunk.positions[i], chunk.firstIndex + i, chunk.text);
        begin = chunk.ends[i];
    }
}

void ChunkedOutput::submit(bool last)
{
    std::unique_ptr<Chunk> chunk = std::move(m_filling);
    chunk->firstIndex = m_added;
    m_added += chunk->positions.size();
    if (m_spare.empty()) {
        m_filling = std::make_unique<Chunk>();
    } else {
        m_filling = std::move(m_spare.back());
        m_spare.pop_back();
    }
    // Output of one chunk is formatted at once, without the cost of starting threads.
    if (m_threadCount == 0 || (last && m_threads.empty())) {
        format(m_writer, *chunk);
        write(std::move(chunk));
        return;
    }
    if (m_threads.empty()) {
        for (unsigned i = 0; i < m_threadCount; ++i)
            m_threads.emplace_back([this] { work(); });
    }
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(chunk));
    }
    m_changed.notify_all();
    // Two chunks per thread in flight, so that no thread waits for the writing.
    writeFormatted(2 * m_threadCount + 1);
}

void ChunkedOutput::writeFormatted(size_t waitAbove)
{
    std::unique_lock lock(m_mutex);
    while (!m_queue.empty()) {
        if (m_queue.size() >= waitAbove)
            m_changed.wait(lock, [&] { return m_queue.front()->formatted; });
        else if (!m_queue.front()->formatted)
            return;
        std::unique_ptr<Chunk> chunk = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        write(std::move(chunk));
        lock.lock();
    }
}

void ChunkedOutput::write(std::unique_ptr<Chunk> chunk)
{
    m_out.write(chunk->text.data(), static_cast<std::streamsize>(chunk->text.size()));
    chunk->records.clear();
    chunk->ends.clear();
    chunk->positions.clear();
    chunk->text.clear();
    chunk->taken = chunk->formatted = false;
    m_spare.push_back(std::move(chunk));
}

void ChunkedOutput::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        Chunk *next = nullptr;
        m_changed.wait(lock, [&] {
            if (m_stopping)
                return true;
            for (const auto &chunk : m_queue) {
                if (!chunk->taken) {
                    next = chunk.get();
                    break;
                }
            }
            return next != nullptr;
        });
        if (!next)
            return;
        next->taken = true;
        lock.unlock();
        format(m_writer, *next);
        lock.lock();
        next->formatted = true;
        m_changed.notify_all();
    }
}

void ChunkedOutput::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_threads.clear(); // joins
}

} // namespace cli
