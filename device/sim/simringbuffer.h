#pragma once

// Bounded first-in first-out store of fixed-size records for the simulated adapter.
// Storage grows by doubling up to the limit, so steady traffic costs no allocation per
// record; a record offered beyond the limit is refused and the caller counts it.

#include <algorithm>
#include <cstddef>
#include <vector>

template <typename T> class SimRingBuffer
{
public:
    explicit SimRingBuffer(size_t limit) : m_limit(limit) {}

    void setLimit(size_t limit)
    {
        clear();
        std::vector<T>().swap(m_store);
        m_limit = limit;
    }
    size_t limit() const { return m_limit; }
    size_t size() const { return m_count; }
    void clear()
    {
        m_head = 0;
        m_count = 0;
    }

    bool push(const T &record)
    {
        if (m_count == m_store.size() && !grow())
            return false;
        m_store[(m_head + m_count) % m_store.size()] = record;
        ++m_count;
        return true;
    }

    size_t pop(T *out, size_t max)
    {
        const size_t n = std::min(max, m_count);
        for (size_t i = 0; i < n; ++i) {
            out[i] = m_store[m_head];
            m_head = (m_head + 1) % m_store.size();
        }
        m_count -= n;
        return n;
    }

private:
    bool grow()
    {
        if (m_store.size() >= m_limit)
            return false;
        const size_t newSize = std::min(m_limit, std::max<size_t>(256, m_store.size() * 2));
        std::vector<T> bigger(newSize);
        for (size_t i = 0; i < m_count; ++i)
            bigger[i] = m_store[(m_head + i) % m_store.size()];
        m_store.swap(bigger);
        m_head = 0;
        return true;
    }

    std::vector<T> m_store;
    size_t m_limit;
    size_t m_head = 0;
    size_t m_count = 0;
};
