#pragma once

// Frees table rows on a thread of its own. Trimming a large table removes thousands of
// rows whose texts have long left the processor cache; handing them here keeps that work
// off the GUI thread. The thread starts with the first rows handed over; destruction
// frees whatever is still waiting and joins it.
//
// After freeing, the thread hands the allocator's free pages back to the system, at most
// once a second and at once after a large clear: a burst that filled the queue for a
// moment, or a cleared table of a million rows, would otherwise leave the process that
// much larger for good.

#include "receive/mytablemodel.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class RowReaper
{
public:
    RowReaper() = default;
    ~RowReaper();
    RowReaper(const RowReaper &) = delete;
    RowReaper &operator=(const RowReaper &) = delete;

    void discard(std::deque<FrameRow> &&rows);

private:
    void run();
    void releaseFreePages();

    std::mutex mutex; // std::mutex: visible to the thread sanitizer
    std::condition_variable wake;
    std::vector<std::deque<FrameRow>> waiting;
    bool stopping = false;
    std::thread thread;
    // Used by the reaper thread only.
    std::chrono::steady_clock::time_point lastRelease;
    size_t freedRows = 0; // since the last release
};
