#pragma once

// A bus clock for tests: it stands still until the test moves it, and whoever waits on
// it (a transmit waiting for FIFO room, a receive waiting for a frame) moves it straight
// to the time waited for, so bus time passes without the test ever sleeping.

#include "device/sim/simclock.h"

#include <atomic>

class VirtualSimClock final : public SimClock
{
public:
    uint64_t nowNs() const override { return m_now.load(); }
    void waitUntil(std::unique_lock<std::mutex> &, std::condition_variable &,
                   uint64_t deadlineNs) override
    {
        advanceTo(deadlineNs);
    }

    void advanceTo(uint64_t ns)
    {
        uint64_t now = m_now.load();
        while (now < ns && !m_now.compare_exchange_weak(now, ns)) {
        }
    }
    void advanceUs(uint64_t us) { advanceTo(m_now.load() + us * 1000); }
    uint64_t nowUs() const { return m_now.load() / 1000; }

private:
    std::atomic<uint64_t> m_now{0};
};
