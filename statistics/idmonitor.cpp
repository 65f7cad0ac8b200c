#include "statistics/idmonitor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// Hot path: tens of thousands of frames a second. A frame costs one hash look-up and a
// comparison of its bytes; memory is only taken when an identifier is seen first.

IdMonitorEntry::IdMonitorEntry()
{
    std::fill(std::begin(changedUs), std::end(changedUs), NeverUs);
}

double IdMonitorEntry::jitterUs() const
{
    return cycles > 0 ? std::sqrt(cycleSquares / double(cycles)) : 0.0;
}

uint64_t IdMonitorEntry::changedSince(uint64_t sinceUs) const
{
    uint64_t mask = 0;
    for (int i = 0; i < payloadBytes; ++i) {
        if (changedUs[i] != NeverUs && changedUs[i] >= sinceUs)
            mask |= uint64_t(1) << i;
    }
    return mask;
}

void IdMonitor::take(const QList<ModelItem> &records, uint64_t nowUs)
{
    advanceTo(nowUs);
    for (const ModelItem &item : records) {
        if (!item.facts.valid)
            continue;
        IdMonitorEntry &e = entryFor(item);
        const FrameFacts &facts = item.facts;
        if (e.count > 0 && facts.timeUs >= e.lastTimeUs)
            addCycle(e, double(facts.timeUs - e.lastTimeUs));
        // A time stamp that goes back (the adapter restarted) starts the cycle afresh.
        e.lastTimeUs = facts.timeUs;
        e.lastSeenUs = nowUs;
        ++e.count;
        ++e.thisSecond;
        e.fd = facts.fd;
        e.bitRateSwitch = facts.bitRateSwitch;
        e.length = facts.length;
        takeData(e, facts, nowUs);
    }
}

void IdMonitor::advanceTo(uint64_t nowUs)
{
    if (!secondStarted) {
        secondStarted = true;
        secondStartUs = nowUs;
        return;
    }
    if (nowUs < secondStartUs + SecondUs)
        return;
    const uint64_t seconds = (nowUs - secondStartUs) / SecondUs;
    rollSecond();
    if (seconds > 1) {
        for (IdMonitorEntry &e : entries)
            e.rate = 0;
    }
    secondStartUs += seconds * SecondUs;
}

void IdMonitor::rollSecond()
{
    for (IdMonitorEntry &e : entries) {
        e.rate = e.thisSecond;
        e.thisSecond = 0;
    }
}

void IdMonitor::clear()
{
    entries.clear();
    indexByKey.clear();
    ++clears;
}

int IdMonitor::indexOf(uint32_t channel, bool received, uint32_t idWord) const
{
    return indexByKey.value(keyOf(channel, received, idWord), -1);
}

uint64_t IdMonitor::keyOf(uint32_t channel, bool received, uint32_t idWord)
{
    return (uint64_t(channel) << 33) | (uint64_t(received ? 1 : 0) << 32) | idWord;
}

IdMonitorEntry &IdMonitor::entryFor(const ModelItem &item)
{
    const bool received = item.recv != 0;
    const uint64_t key = keyOf(item.channel, received, item.facts.idWord);
    auto found = indexByKey.constFind(key);
    if (found != indexByKey.constEnd())
        return entries[size_t(found.value())];
    indexByKey.insert(key, int(entries.size()));
    entries.emplace_back();
    IdMonitorEntry &e = entries.back();
    e.channel = item.channel;
    e.received = received;
    e.idWord = item.facts.idWord;
    return e;
}

// Welford's running mean and sum of squared deviations.
void IdMonitor::addCycle(IdMonitorEntry &e, double cycleUs)
{
    ++e.cycles;
    e.cycleLastUs = cycleUs;
    e.cycleMinUs = e.cycles == 1 ? cycleUs : std::min(e.cycleMinUs, cycleUs);
    e.cycleMaxUs = e.cycles == 1 ? cycleUs : std::max(e.cycleMaxUs, cycleUs);
    const double delta = cycleUs - e.cycleMeanUs;
    e.cycleMeanUs += delta / double(e.cycles);
    e.cycleSquares += delta * (cycleUs - e.cycleMeanUs);
}

// The first frame of an entry sets its bytes without marking them; later, a byte that
// differs or that the previous frame did not have counts as changed.
void IdMonitor::takeData(IdMonitorEntry &e, const FrameFacts &facts, uint64_t nowUs)
{
    const int bytes = facts.payloadBytes();
    if (e.count > 1) {
        for (int i = 0; i < bytes; ++i) {
            if (i >= e.payloadBytes || e.data[i] != facts.data[i])
                e.changedUs[i] = nowUs;
        }
    }
    std::memcpy(e.data, facts.data, size_t(bytes));
    e.payloadBytes = uint8_t(bytes);
}
