#pragma once

// Paces a send job on the steady clock. Every step is scheduled relative to the start of
// the schedule (start + sum of the pauses so far), so the period does not drift by the
// time the transmit work itself takes.

#include <atomic>
#include <chrono>
#include <cstdint>

class SendPacer
{
public:
    // The schedule starts now.
    void restart();
    // Moves the next deadline by pauseMs.
    void advance(int64_t pauseMs);
    // Sleeps until the deadline. Returns false as soon as stop is set (checked at least
    // every few milliseconds), true when the deadline was reached.
    bool waitForDeadline(const std::atomic<bool> &stop);
    // Milliseconds from now until the deadline (0 when it has passed).
    int64_t msUntilDeadline() const;

private:
    using Clock = std::chrono::steady_clock;

    Clock::time_point start = Clock::now();
    std::chrono::milliseconds offset{0};
};
