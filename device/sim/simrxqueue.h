#pragma once

// One receive queue of a simulated channel (classic or CAN FD records): a bounded ring
// buffer behind its own mutex, so the bus side and the reading thread never race.
// Records that find the queue full are dropped and counted.

#include "device/sim/simringbuffer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

template <typename T> class SimRxQueue
{
public:
    explicit SimRxQueue(size_t limit) : m_ring(limit) {}

    void setLimit(size_t limit)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ring.setLimit(limit);
    }

    // Offers count records under one lock: fill(i, record) builds record i and returns
    // false when it is not for this queue.
    template <typename Fill> void append(size_t count, Fill fill)
    {
        bool stored = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            T record;
            for (size_t i = 0; i < count; ++i) {
                if (!fill(i, record))
                    continue;
                if (m_ring.push(record))
                    stored = true;
                else
                    m_dropped.fetch_add(1, std::memory_order_relaxed);
            }
        }
        if (stored)
            m_ready.notify_all();
    }

    // Moves up to capacity records into out, waiting up to waitMs for the first one.
    uint32_t take(T *out, uint32_t capacity, int32_t waitMs)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (waitMs > 0 && m_ring.size() == 0)
            m_ready.wait_for(lock, std::chrono::milliseconds(waitMs),
                             [this] { return m_ring.size() != 0; });
        return static_cast<uint32_t>(m_ring.pop(out, capacity));
    }

    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ring.clear();
    }

    size_t size() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_ring.size();
    }

    uint64_t dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    SimRingBuffer<T> m_ring;
    std::atomic<uint64_t> m_dropped{0};
};
