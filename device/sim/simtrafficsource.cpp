#include "device/sim/simtrafficsource.h"

#include <algorithm>
#include <cstring>
#include <iterator>

SimTrafficMix simTrafficMixFromText(const QString &text)
{
    const QString mix = text.trimmed().toLower();
    if (mix == QLatin1String("classic"))
        return SimTrafficMix::Classic;
    if (mix == QLatin1String("fd"))
        return SimTrafficMix::Fd;
    return SimTrafficMix::Mixed;
}

SimTrafficSource::SimTrafficSource(uint64_t seed, SimTrafficMix mix) : m_mix(mix)
{
    m_streams[0].random = seed * 0x9E3779B97F4A7C15ull + 1;
    m_streams[1].random = seed * 0xC2B2AE3D27D4EB4Full + 2;
}

const SimTrafficSource::Message &SimTrafficSource::messageFor(uint32_t sequence) const
{
    static const Message mixed[] = {
        {0x100, 8, false, false}, {0x18FF1000u | CanExtendedFlag, 8, false, false},
        {0x200, 16, true, false}, {0x1CDA00F1u | CanExtendedFlag, 64, true, true},
        {0x3A0, 8, false, false}, {0x7E8, 12, true, true},
    };
    static const Message classic[] = {
        {0x100, 8, false, false},
        {0x18FF1000u | CanExtendedFlag, 8, false, false},
        {0x3A0, 8, false, false},
        {0x7E8, 8, false, false},
    };
    static const Message fd[] = {
        {0x200, 16, true, false},
        {0x1CDA00F1u | CanExtendedFlag, 64, true, true},
        {0x7E8, 12, true, true},
        {0x18DB33F1u | CanExtendedFlag, 32, true, false},
    };
    if (m_mix == SimTrafficMix::Classic)
        return classic[sequence % std::size(classic)];
    if (m_mix == SimTrafficMix::Fd)
        return fd[sequence % std::size(fd)];
    return mixed[sequence % std::size(mixed)];
}

uint64_t SimTrafficSource::nextRandom(uint64_t &state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

bool SimTrafficSource::next(int ch, CanFdRxRecord &frame)
{
    Stream &stream = m_streams[ch == 0 ? 0 : 1];
    const Message &message = messageFor(stream.sequence);
    std::memset(&frame, 0, sizeof(frame));
    frame.id = message.id;
    frame.length = message.length;
    frame.flags = message.bitRateSwitch ? 1 : 0;
    std::memcpy(frame.data, &stream.sequence, sizeof(stream.sequence));
    for (int i = 4; i < message.length; i += 8) {
        const uint64_t random = nextRandom(stream.random);
        std::memcpy(frame.data + i, &random, std::min<size_t>(8, message.length - i));
    }
    ++stream.sequence;
    return message.fd;
}
