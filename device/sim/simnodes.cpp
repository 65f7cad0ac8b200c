#include "device/sim/simnodes.h"

#include "device/canframebits.h"

#include <algorithm>
#include <cstring>

namespace {

// Periodic messages of a car's powertrain, chassis and body, about 30 % of a wire at the
// default rates (1 Mbit/s, 5 Mbit/s).
const char *const DefaultLines[] = {
    "0x0C1 std 8 can 5 0.05 counter",
    "0x0C5 std 8 can 5 0.05 random",
    "0x0C9 std 8 can 5 0.05 random",
    "0x0CD std 6 can 5 0.05 counter",
    "0x0D1 std 8 can 10 0.1 counter",
    "0x0F9 std 8 can 10 0.1 random",
    "0x101 std 8 can 10 0.1 random",
    "0x111 std 8 can 10 0.1 counter",
    "0x121 std 8 can 10 0.2 random",
    "0x131 std 7 can 10 0.2 counter",
    "0x141 std 8 can 10 0.2 random",
    "0x151 std 8 can 10 0.2 constant:0000FFFF0000FFFF",
    "0x180 std 32 brs 10 0.1 random",
    "0x190 std 16 fd 20 0.2 counter",
    "0x1A0 std 8 can 20 0.3 counter",
    "0x1B5 std 8 can 20 0.3 random",
    "0x1C0 std 6 can 20 0.3 random",
    "0x1D0 std 8 can 20 0.3 counter",
    "0x1E0 std 8 can 20 0.3 random",
    "0x1F5 std 8 can 20 0.3 random",
    "0x200 std 4 can 20 0.3 constant:00401F00",
    "0x210 std 8 can 20 0.3 counter",
    "0x1B0 std 64 brs 50 0.5 random",
    "0x0CF00400 ext 8 can 50 0.5 counter",
    "0x260 std 8 can 50 0.5 counter",
    "0x280 std 8 can 50 0.5 random",
    "0x2A0 std 8 can 50 0.5 random",
    "0x2C0 std 5 can 50 0.5 counter",
    "0x2E0 std 8 can 50 0.5 constant:0102030405060708",
    "0x300 std 8 can 50 0.5 random",
    "0x18FEF100 ext 8 can 100 1 random",
    "0x320 std 8 can 100 1 counter",
    "0x340 std 8 can 100 1 random",
    "0x360 std 2 can 100 1 constant:0F00",
    "0x380 std 8 can 100 1 random",
    "0x3A0 std 8 can 100 1 counter",
    "0x3C0 std 8 can 100 1 random",
    "0x3E0 std 3 can 100 1 constant:AA5500",
    "0x400 std 8 can 100 1 random",
    "0x420 std 8 can 100 1 counter",
    "0x440 std 8 can 100 1 random",
    "0x500 std 8 can 500 2 constant:0000000000000000",
    "0x520 std 8 can 500 2 counter",
    "0x540 std 1 can 500 2 constant:01",
    "0x560 std 8 can 500 2 random",
    "0x18FEE900 ext 8 can 1000 5 counter",
    "0x600 std 8 can 1000 5 counter",
    "0x620 std 8 can 1000 5 constant:4C41524B53505552",
    "0x640 std 8 can 1000 5 random",
    "0x7DF std 8 can 1000 5 constant:0201000000000000",
};

bool parseMs(const QString &text, uint32_t *us)
{
    bool ok = false;
    const double ms = text.toDouble(&ok);
    if (!ok || ms < 0 || ms > 3600000)
        return false;
    *us = uint32_t(ms * 1000 + 0.5);
    return true;
}

} // namespace

bool SimNodeMessage::parse(const QString &line, SimNodeMessage *message, QString *error)
{
    const QStringList f = line.simplified().split(QLatin1Char(' '));
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("\"%1\": %2").arg(line.trimmed(), why);
        return false;
    };
    if (f.size() != 7)
        return fail(QStringLiteral("7 fields expected"));
    SimNodeMessage m;
    bool ok = false;
    const uint32_t id = f[0].toUInt(&ok, 0);
    const bool extended = f[1].compare(QLatin1String("ext"), Qt::CaseInsensitive) == 0;
    if (!extended && f[1].compare(QLatin1String("std"), Qt::CaseInsensitive) != 0)
        return fail(QStringLiteral("std or ext expected"));
    if (!ok || id > (extended ? 0x1FFFFFFFu : 0x7FFu))
        return fail(QStringLiteral("identifier out of range"));
    m.idWord = id | (extended ? CanExtendedFlag : 0u);
    const QString kind = f[3].toLower();
    m.fd = kind == QLatin1String("fd") || kind == QLatin1String("brs");
    m.bitRateSwitch = kind == QLatin1String("brs");
    if (!m.fd && kind != QLatin1String("can"))
        return fail(QStringLiteral("can, fd or brs expected"));
    const uint32_t length = f[2].toUInt(&ok);
    if (!ok || length > (m.fd ? 64u : 8u) ||
        (m.fd && length != CanFrameBits::paddedFdLength(uint8_t(length))))
        return fail(QStringLiteral("length not possible for this frame kind"));
    m.length = uint8_t(length);
    if (!parseMs(f[4], &m.periodUs) || m.periodUs < 100 || !parseMs(f[5], &m.jitterUs))
        return fail(QStringLiteral("period (at least 0.1 ms) or jitter not valid"));
    const QString pattern = f[6].toLower();
    if (pattern == QLatin1String("counter")) {
        m.pattern = Pattern::Counter;
    } else if (pattern == QLatin1String("random")) {
        m.pattern = Pattern::Random;
    } else if (pattern.startsWith(QLatin1String("constant:"))) {
        m.pattern = Pattern::Constant;
        m.constant = QByteArray::fromHex(pattern.mid(9).toLatin1());
        if (m.constant.size() * 2 != pattern.size() - 9)
            return fail(QStringLiteral("constant: takes hex bytes"));
    } else {
        return fail(QStringLiteral("counter, random or constant:<hex> expected"));
    }
    *message = m;
    return true;
}

QStringList defaultSimNodeLines()
{
    QStringList lines;
    for (const char *line : DefaultLines)
        lines << QString::fromLatin1(line);
    return lines;
}

std::vector<SimNodeMessage> parseSimNodeLines(const QStringList &lines, QStringList *errors)
{
    std::vector<SimNodeMessage> messages;
    for (const QString &line : lines) {
        SimNodeMessage message;
        QString error;
        if (SimNodeMessage::parse(line, &message, &error))
            messages.push_back(message);
        else if (errors)
            *errors << error;
    }
    return messages;
}

// ---- Schedule ----

void SimNodeSchedule::setMessages(std::vector<SimNodeMessage> messages, uint64_t seed)
{
    m_messages = std::move(messages);
    m_states.assign(m_messages.size(), State());
    m_random = seed ? seed : 1;
    m_running = false;
}

void SimNodeSchedule::start(uint64_t startNs, uint32_t arbitrationRate, uint32_t dataRate)
{
    m_arbitrationRate = arbitrationRate;
    m_dataRate = dataRate;
    for (size_t i = 0; i < m_states.size(); ++i) {
        State &state = m_states[i];
        state.pending = false;
        state.dueNs = startNs + nextRandom() % (uint64_t(m_messages[i].periodUs) * 1000);
    }
    m_running = !m_messages.empty();
}

void SimNodeSchedule::stop()
{
    m_running = false;
}

uint64_t SimNodeSchedule::nextDueNs() const
{
    if (!m_running)
        return SimTimeNever;
    uint64_t earliest = SimTimeNever;
    for (const State &state : m_states)
        earliest = std::min(earliest, state.dueNs);
    return earliest;
}

void SimNodeSchedule::release(uint64_t nowNs, std::vector<SimWireFrame> &pool)
{
    if (!m_running)
        return;
    for (size_t i = 0; i < m_states.size(); ++i) {
        State &state = m_states[i];
        const SimNodeMessage &message = m_messages[i];
        while (state.dueNs <= nowNs) {
            if (!state.pending) // else this instance is skipped
                pool.push_back(instanceOf(i, state.dueNs));
            state.pending = true;
            ++state.instances;
            const uint64_t jitter =
                message.jitterUs ? nextRandom() % (message.jitterUs * 1000ull) : 0;
            state.dueNs += uint64_t(message.periodUs) * 1000 + jitter;
        }
    }
}

void SimNodeSchedule::leftPool(int index)
{
    if (index >= 0 && size_t(index) < m_states.size())
        m_states[size_t(index)].pending = false;
}

SimWireFrame SimNodeSchedule::instanceOf(size_t index, uint64_t dueNs)
{
    const SimNodeMessage &message = m_messages[index];
    SimWireFrame frame;
    CanFdRxRecord &rx = frame.record;
    rx.id = message.idWord;
    rx.length = message.length;
    rx.flags = message.bitRateSwitch ? 1 : 0;
    switch (message.pattern) {
    case SimNodeMessage::Pattern::Counter: {
        uint64_t count = m_states[index].instances;
        for (uint8_t i = 0; i < message.length && i < 8; ++i, count >>= 8)
            rx.data[i] = uint8_t(count);
        break;
    }
    case SimNodeMessage::Pattern::Random:
        for (uint8_t i = 0; i < message.length; ++i)
            rx.data[i] = uint8_t(nextRandom() >> 24);
        break;
    case SimNodeMessage::Pattern::Constant:
        std::memcpy(rx.data, message.constant.constData(),
                    std::min<size_t>(size_t(message.constant.size()), message.length));
        break;
    }
    frame.fd = message.fd;
    frame.node = int(index);
    frame.queuedNs = dueNs;
    const CanFrameBits bits(rx.id, rx.length, rx.data, frame.fd, message.bitRateSwitch);
    frame.durationNs =
        bits.durationNs(m_arbitrationRate, message.bitRateSwitch ? m_dataRate : m_arbitrationRate);
    frame.endOfFrameNs =
        frame.durationNs - (3 * 1000000000ull + m_arbitrationRate / 2) / m_arbitrationRate;
    frame.arbitrationKey = SimWireFrame::arbitrationKeyOf(rx.id, frame.fd);
    return frame;
}

// xorshift64*: the same sequence for the same seed on every machine.
uint64_t SimNodeSchedule::nextRandom()
{
    m_random ^= m_random >> 12;
    m_random ^= m_random << 25;
    m_random ^= m_random >> 27;
    return m_random * 0x2545F4914F6CDD1Dull;
}
