#include "bench/busmaximum.h"

#include "bench/benchreport.h"
#include "device/canframebits.h"
#include "device/channelstartup.h"

namespace {

constexpr int MixSample = 10000; // frames of the generator's stream averaged

} // namespace

BusMaximum BusMaximum::forBench(SimTrafficMix mix)
{
    BusMaximum max;
    max.arbitrationRate = arbitrationBitRate(0);
    max.dataRate = dataBitRate(0);
    SimTrafficSource source(1, mix);
    double totalNs = 0;
    for (int i = 0; i < MixSample; ++i) {
        CanFdRxRecord frame{};
        const bool fd = source.next(0, frame);
        const bool brs = fd && (frame.flags & 1);
        const CanFrameBits bits(frame.id, frame.length, frame.data, fd, brs);
        totalNs +=
            double(bits.durationNs(max.arbitrationRate, brs ? max.dataRate : max.arbitrationRate));
    }
    max.mixFramesPerS = 1e9 * MixSample / totalNs;
    return max;
}

double BusMaximum::framesPerS(uint32_t idWord, uint8_t length, const uint8_t *data, bool fd,
                              bool bitRateSwitch) const
{
    const CanFrameBits bits(idWord, length, data, fd, bitRateSwitch);
    return 1e9 /
           double(bits.durationNs(arbitrationRate, bitRateSwitch ? dataRate : arbitrationRate));
}

void BusMaximum::report(BenchReport &out) const
{
    out.figure(QStringLiteral("bus_arbitration_bit_rate"), qint64(arbitrationRate));
    out.figure(QStringLiteral("bus_data_bit_rate"), qint64(dataRate));
    out.figure(QStringLiteral("bus_max_mix_frames_per_s_per_channel"), mixFramesPerS, 0);
    static const uint8_t zeros[64] = {};
    out.figure(QStringLiteral("bus_max_std8_frames_per_s"),
               framesPerS(0x123, 8, zeros, false, false), 0);
    out.figure(QStringLiteral("bus_max_fd64_brs_frames_per_s"),
               framesPerS(0x123, 64, zeros, true, true), 0);
}
