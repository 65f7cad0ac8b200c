#pragma once

// Reads a recording back with the replay's row reader and checks that it holds the
// received frames in order: the index column counts up by one from row to row, and the
// sequence number the simulated bus writes into the first four data bytes of every frame
// it generates rises from frame to frame of each channel's classic and CAN FD queues (the
// adapter delivers the two queues separately, so they interleave in blocks). With the
// counts of the receive run (every frame generated is recorded once), rising means each
// frame is there once and in bus order within its queue.

#include <QString>

#include <cstdint>

struct RecordingCheck
{
    uint64_t rows = 0;
    uint64_t outOfOrder = 0; // rows whose index or queue sequence does not follow
    QString firstProblem;    // "row N: ..." for the first such row

    bool inOrder() const { return outOfOrder == 0; }
};

RecordingCheck checkRecording(const QString &path);
