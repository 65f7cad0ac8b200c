#include "statistics/busstatistics.h"

#include "device/canframebits.h"
#include "device/vendorapi.h"

void BusStatistics::take(const QList<ModelItem> &records)
{
    for (const ModelItem &item : records) {
        if (item.facts.valid)
            count(m_channels[item.channel ? 1 : 0], item.facts);
    }
}

void BusStatistics::count(ChannelStatistics &channel, const FrameFacts &facts)
{
    FrameKindCounts &w = channel.window;
    ++w.frames;
    if (facts.idWord & CanErrorFlag) {
        ++w.error;
        return;
    }
    ++(facts.fd ? w.fd : w.classic);
    if (facts.fd && facts.bitRateSwitch)
        ++w.fdBitRateSwitch;
    ++((facts.idWord & CanExtendedFlag) ? w.extended : w.standard);
    ++((facts.idWord & CanRemoteFlag) ? w.remote : w.data);
    w.payloadBytes += uint64_t(facts.payloadBytes());
    const CanFrameBits bits(facts.idWord, facts.length, facts.data, facts.fd,
                            facts.fd && facts.bitRateSwitch);
    channel.load.addBits(uint32_t(bits.arbitrationPhaseBits()), uint32_t(bits.dataPhaseBits()));
    if (facts.adapterTime)
        channel.load.noteAdapterTime(facts.timeUs);
}

namespace {

void add(FrameKindCounts &to, const FrameKindCounts &from)
{
    to.frames += from.frames;
    to.classic += from.classic;
    to.fd += from.fd;
    to.fdBitRateSwitch += from.fdBitRateSwitch;
    to.standard += from.standard;
    to.extended += from.extended;
    to.data += from.data;
    to.remote += from.remote;
    to.error += from.error;
    to.payloadBytes += from.payloadBytes;
}

} // namespace

void BusStatistics::closeSecond(uint64_t elapsedNs, const uint32_t arbitrationRate[2],
                                const uint32_t dataRate[2])
{
    const double seconds = double(elapsedNs) * 1e-9;
    for (int ch = 0; ch < 2; ++ch) {
        ChannelStatistics &channel = m_channels[ch];
        channel.framesPerSecond = seconds > 0 ? double(channel.window.frames) / seconds : 0;
        channel.bytesPerSecond = seconds > 0 ? double(channel.window.payloadBytes) / seconds : 0;
        add(channel.totals, channel.window);
        channel.window = FrameKindCounts();
        channel.load.closeWindow(elapsedNs, arbitrationRate[ch], dataRate[ch]);
    }
}

void BusStatistics::reset()
{
    for (ChannelStatistics &channel : m_channels) {
        channel.totals = FrameKindCounts();
        channel.window = FrameKindCounts();
        channel.framesPerSecond = 0;
        channel.bytesPerSecond = 0;
        channel.load.reset();
    }
}
