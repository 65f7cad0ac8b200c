#pragma once

// The identifier monitor: one entry per channel, direction and identifier word (the
// extended, remote and error flags make entries of their own), holding the frame count,
// the rate of the last full second, the cycle statistics from the frames' own time
// stamps, the latest bytes and when each of them last changed. Host times ("now") are
// passed in by the caller in microseconds of any steady clock, so tests drive time.
// Entries keep their index until clear(); new ones are appended.

#include "receive/modelitem.h"

#include <QHash>
#include <QList>

#include <cstdint>
#include <vector>

struct IdMonitorEntry
{
    static constexpr uint64_t NeverUs = ~uint64_t(0);

    uint32_t channel = 0; // 0 = channel 1
    bool received = true;
    uint32_t idWord = 0; // identifier with the extended, remote and error flags
    bool fd = false;
    bool bitRateSwitch = false;
    uint8_t length = 0;       // of the latest frame
    uint8_t payloadBytes = 0; // bytes of data held for the latest frame
    uint64_t count = 0;
    uint32_t rate = 0;       // frames in the last full second
    uint32_t thisSecond = 0; // frames so far in the current second
    uint64_t lastTimeUs = 0; // time stamp of the latest frame
    uint64_t lastSeenUs = 0; // host time the latest frame was taken
    // Cycle between consecutive time stamps, in microseconds.
    uint64_t cycles = 0;
    double cycleLastUs = 0;
    double cycleMinUs = 0;
    double cycleMaxUs = 0;
    double cycleMeanUs = 0;
    double cycleSquares = 0; // sum of squared deviations from the mean
    uint8_t data[64] = {};
    uint64_t changedUs[64]; // host time each byte last changed, NeverUs before that

    IdMonitorEntry();
    // Standard deviation of the cycle (over all cycles seen), microseconds.
    double jitterUs() const;
    // One bit per byte (bit 0 = byte 0) that changed at sinceUs or later.
    uint64_t changedSince(uint64_t sinceUs) const;
};

class IdMonitor
{
public:
    static constexpr uint64_t SecondUs = 1000000;

    // Counts the valid records of a display pass, after starting a new second if nowUs
    // has reached it.
    void take(const QList<ModelItem> &records, uint64_t nowUs);
    // Starts a new second once nowUs lies a full second after the current one began;
    // after a longer pause every rate is 0.
    void advanceTo(uint64_t nowUs);
    // The counts of the current second become the rates, and a new second begins.
    void rollSecond();
    void clear();

    int size() const { return int(entries.size()); }
    const IdMonitorEntry &entry(int index) const { return entries[size_t(index)]; }
    // The index of an entry, or -1.
    int indexOf(uint32_t channel, bool received, uint32_t idWord) const;
    // Grows with every clear(), so a view knows its rows are gone.
    uint64_t generation() const { return clears; }

private:
    static uint64_t keyOf(uint32_t channel, bool received, uint32_t idWord);
    IdMonitorEntry &entryFor(const ModelItem &item);
    static void addCycle(IdMonitorEntry &e, double cycleUs);
    static void takeData(IdMonitorEntry &e, const FrameFacts &facts, uint64_t nowUs);

    std::vector<IdMonitorEntry> entries;
    QHash<uint64_t, int> indexByKey;
    bool secondStarted = false;
    uint64_t secondStartUs = 0;
    uint64_t clears = 0;
};
