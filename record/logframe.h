#pragma once

// One frame of a log file, whatever format it came from. Times are microseconds: since
// 1970-01-01 00:00 UTC where the file carries a date (`LogReader::absoluteTime()`), or
// since the start of the log where it does not.

#include <cstdint>
#include <cstring>

struct LogFrame
{
    int64_t timeUs = 0;
    uint8_t channel = 0; // 0 = channel 1 (can0), 1 = channel 2 (can1), ...
    bool tx = false;     // false: received
    bool extended = false;
    bool remote = false;
    bool error = false; // error frame; id holds the error class bits where the format has them
    bool fd = false;
    bool brs = false;
    bool esi = false;
    uint8_t length = 0; // data bytes (remote frames: the length asked for); at most 8 or 64
    uint32_t id = 0;    // 11 or 29 bits
    uint8_t data[64] = {};
};

bool operator==(const LogFrame &a, const LogFrame &b);
inline bool operator!=(const LogFrame &a, const LogFrame &b)
{
    return !(a == b);
}

// CAN FD data length codes.
int canFdLengthFromDlc(int dlc);    // 0..15 -> 0..64
int canFdDlcFromLength(int length); // smallest code holding length (0..64)
bool isCanFdLength(int length);     // one of 0..8, 12, 16, 20, 24, 32, 48, 64
// The byte count a frame of this kind can hold.
inline int maxFrameLength(bool fd)
{
    return fd ? 64 : 8;
}
