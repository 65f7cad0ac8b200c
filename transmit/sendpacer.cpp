#include "transmit/sendpacer.h"

#include <algorithm>
#include <thread>

namespace {

// How far a job may fall behind its schedule (a stalled machine or a slow adapter)
// before the schedule restarts from now instead of sending the missed steps in a burst.
constexpr std::chrono::milliseconds MaxLag{100};
// Longest single sleep, so that a stop request is noticed quickly during long pauses.
constexpr std::chrono::milliseconds StopPollSlice{10};

} // namespace

void SendPacer::restart()
{
    start = Clock::now();
    offset = std::chrono::milliseconds(0);
}

void SendPacer::advance(int64_t pauseMs)
{
    offset += std::chrono::milliseconds(std::max<int64_t>(pauseMs, 0));
}

bool SendPacer::waitForDeadline(const std::atomic<bool> &stop)
{
    const Clock::time_point deadline = start + offset;
    Clock::time_point now = Clock::now();
    if (now > deadline + MaxLag) {
        start = now - offset;
        return !stop;
    }
    while (now < deadline) {
        if (stop)
            return false;
        std::this_thread::sleep_until(std::min(deadline, now + StopPollSlice));
        now = Clock::now();
    }
    return !stop;
}

int64_t SendPacer::msUntilDeadline() const
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(start + offset - Clock::now());
    return std::max<int64_t>(left.count(), 0);
}
