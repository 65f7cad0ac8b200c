#pragma once

// What the simulated wire can carry at the bench's bit rates: frames a second of one
// channel's flood mix (a wire at 100 % load) and of single frame shapes, from the exact
// bit counts the simulator uses.

#include "device/sim/simtrafficsource.h"

#include <cstdint>

class BenchReport;

struct BusMaximum
{
    uint32_t arbitrationRate = 0;
    uint32_t dataRate = 0;
    double mixFramesPerS = 0; // the flood generator's frames back to back

    // The rates an unconfigured channel starts with, as the bench's channels do.
    static BusMaximum forBench(SimTrafficMix mix);
    // Frames a second of one frame shape back to back.
    double framesPerS(uint32_t idWord, uint8_t length, const uint8_t *data, bool fd,
                      bool bitRateSwitch) const;
    void report(BenchReport &out) const;
};
