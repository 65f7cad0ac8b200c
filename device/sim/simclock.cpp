#include "device/sim/simclock.h"

#include <chrono>

namespace {

int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

SteadySimClock::SteadySimClock() : m_originNs(steadyNs()) {}

uint64_t SteadySimClock::nowNs() const
{
    return uint64_t(steadyNs() - m_originNs);
}

void SteadySimClock::waitUntil(std::unique_lock<std::mutex> &lock, std::condition_variable &wake,
                               uint64_t deadlineNs)
{
    const auto deadline = std::chrono::steady_clock::time_point(
        std::chrono::nanoseconds(m_originNs + int64_t(deadlineNs)));
    wake.wait_until(lock, deadline);
}
