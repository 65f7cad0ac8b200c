#pragma once

// Deadlines of the list-send rows, kept apart from any thread or clock so that a caller
// (the list-send thread, or a test with its own clock) decides what "now" is. Every
// row's deadlines are absolute: start, start + period, start + 2 periods ... so a late
// wake-up never shifts the later sends.

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

class ListSchedule
{
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Duration = std::chrono::nanoseconds;

    struct Due
    {
        int rowId = 0;
        int channel = 0;
        TimePoint deadline;
        bool last = false; // the row's count is used up with this send
    };

    // Starts (or restarts) a row: first send at `first`, then every `period`; count sends
    // in all, or endless when count < 0. A zero count or a non-positive period with more
    // than one send starts nothing.
    void start(int rowId, int channel, Duration period, int64_t count, TimePoint first);
    void stop(int rowId);
    void clear();

    bool isRunning(int rowId) const;
    bool empty() const;
    // Earliest pending deadline, if any row runs.
    std::optional<TimePoint> nextDeadline() const;

    // Every row whose deadline is at or before now, once each, in deadline order; each
    // row's deadline moves on by exactly one period. Call again while it returns rows to
    // catch up after a late wake-up.
    std::vector<Due> takeDue(TimePoint now);

private:
    struct Row
    {
        int rowId;
        int channel;
        Duration period;
        int64_t remaining; // < 0: endless
        TimePoint next;
    };

    std::vector<Row> rows;
};
