// Whole-table output on two threads: records are gathered in chunks, two threads format the
// chunks at once, and the calling thread writes their texts in the order of the records.
#pragma once

#include "record_writer.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

namespace cli {

class ChunkedOutput
{
public:
    // Formats with `writer` on `threads` threads, or in the calling thread with 0 threads.
    // Threads start only when the output is more than one chunk, so that a few records go out
    // at once.
    ChunkedOutput(const RecordWriter &writer, std::ostream &out, unsigned threads = 2);
    // Stops the threads; what finish() has not written is dropped.
    ~ChunkedOutput();
    ChunkedOutput(const ChunkedOutput &) = delete;
    ChunkedOutput &operator=(const ChunkedOutput &) = delete;

    // Adds the record with these bytes, shown at `position` (1-based), to the output.
    void add(std::string_view record, int64_t position);
    // Writes all that was added, in order.
    void finish();

private:
    struct Chunk
    {
        std::string records; // the bytes of the records, one after another
        std::vector<size_t> ends; // where each record's bytes end
        std::vector<int64_t> positions;
        uint64_t firstIndex = 0; // how many records the output holds before this chunk
        std::string text;
        bool taken = false; // a thread formats it or has formatted it
        bool formatted = false;
    };

    static void format(const RecordWriter &writer, Chunk &chunk);
    // Hands the chunk being filled on; `last` when no more records follow.
    void submit(bool last);
    // Writes the formatted chunks at the front; waits for the front while the chunks waiting
    // are `waitAbove` or more.
    void writeFormatted(size_t waitAbove);
    // Writes a formatted chunk and keeps it for reuse.
    void write(std::unique_ptr<Chunk> chunk);
    void work();
    void stop();

    const RecordWriter &m_writer;
    std::ostream &m_out;
    unsigned m_threadCount;
    std::unique_ptr<Chunk> m_filling;
    std::vector<std::unique_ptr<Chunk>> m_spare; // written chunks, their buffers kept
    uint64_t m_added = 0;

    std::mutex m_mutex; // guards m_queue, m_stopping and the flags of the chunks in m_queue
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<Chunk>> m_queue; // in the records' order
    bool m_stopping = false;
    std::vector<std::jthread> m_threads;
};

} // namespace cli
