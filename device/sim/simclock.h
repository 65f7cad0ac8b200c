#pragma once

// The clock of the simulated bus in nanoseconds. The product runs on the steady clock;
// tests hand the simulator a clock of their own (tests/shared/virtualsimclock.h) so bus
// time passes exactly as far as the test drives it and nothing depends on the machine's
// speed.
//
// waitUntil is how the simulator waits for the bus: it returns when the clock has reached
// `deadlineNs`, or earlier when `wake` is notified (or spuriously); callers re-check their
// condition. `lock` guards that condition and is held again on return.

#include <condition_variable>
#include <cstdint>
#include <mutex>

class SimClock
{
public:
    virtual ~SimClock() = default;
    virtual uint64_t nowNs() const = 0;
    virtual void waitUntil(std::unique_lock<std::mutex> &lock, std::condition_variable &wake,
                           uint64_t deadlineNs) = 0;
};

// Steady clock of the machine, counted from its construction.
class SteadySimClock final : public SimClock
{
public:
    SteadySimClock();
    uint64_t nowNs() const override;
    void waitUntil(std::unique_lock<std::mutex> &lock, std::condition_variable &wake,
                   uint64_t deadlineNs) override;

private:
    int64_t m_originNs;
};
