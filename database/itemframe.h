#pragma once

// A frame as the display shows it (a ModelItem's texts) read back into identifier,
// payload and time, so the signal windows can decode what the table shows without a
// second path from the receive threads.

#include "receive/modelitem.h"

#include <cstdint>

struct ItemFrame
{
    uint32_t channel = 0; // 0 = channel 1
    bool received = true;
    uint32_t id = 0;
    bool extended = false;
    int length = 0;
    uint8_t data[64] = {};
    bool hasTime = false;
    double seconds = 0; // the device time stamp
};

// False when the identifier or data texts cannot be read.
bool readItemFrame(const ModelItem &item, ItemFrame &out);
