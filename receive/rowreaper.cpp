#include "receive/rowreaper.h"

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
    for (;;) {
        wake.wait(lock, [this] { return stopping || !waiting.empty(); });
        std::vector<std::deque<FrameRow>> batch;
        batch.swap(waiting);
        const bool last = stopping;
        lock.unlock();
        batch.clear(); // the rows are freed here, outside the lock
        lock.lock();
        if (last && waiting.empty())
            return;
    }
}
