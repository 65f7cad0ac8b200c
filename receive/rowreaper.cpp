#include "receive/rowreaper.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

constexpr std::chrono::seconds ReleaseInterval(1);
constexpr size_t LargeRelease = 100000; // rows: a cleared table is released at once

} // namespace

RowReaper::~RowReaper()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_one();
    if (thread.joinable())
        thread.join();
}

void RowReaper::discard(std::deque<FrameRow> &&rows)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        waiting.push_back(std::move(rows));
        if (!thread.joinable())
            thread = std::thread([this] { run(); });
    }
    wake.notify_one();
}

void RowReaper::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    const auto ready = [this] { return stopping || !waiting.empty(); };
    for (;;) {
        if (freedRows > 0) // release what was freed once the interval is over, even when idle
            wake.wait_until(lock, lastRelease + ReleaseInterval, ready);
        else
            wake.wait(lock, ready);
        std::vector<std::deque<FrameRow>> batch;
        batch.swap(waiting);
        const bool last = stopping;
        lock.unlock();
        for (const std::deque<FrameRow> &rows : batch)
            freedRows += rows.size();
        batch.clear(); // the rows are freed here, outside the lock
        releaseFreePages();
        lock.lock();
        if (last && waiting.empty())
            return;
    }
}

void RowReaper::releaseFreePages()
{
    const auto now = std::chrono::steady_clock::now();
    if (freedRows == 0 || (now - lastRelease < ReleaseInterval && freedRows < LargeRelease))
        return;
    lastRelease = now;
    freedRows = 0;
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
