#pragma once

// One channel's bus load over one-second windows: the frames of a window add their exact
// bits on the wire (arbitration phase and data phase apart, CanFrameBits), and closing the
// window turns them into busy time at the channel's rates. Current is the last closed
// window, peak the highest since the reset, average the busy time over all the time since
// the reset. A load is never capped: more than 100 % says the rates are not what the bus
// runs at. Error frames add nothing (their length on the wire is not known).
//
// A window lasts the wall-clock second, or longer when the adapter time stamps of the
// received frames it took cover more: a backlog read at once (the receive FIFO filled
// while nobody read it) then counts over the time it was on the wire, not as a burst.

#include <QVector>

#include <cstdint>

class ChannelLoad
{
public:
    static constexpr int HistorySeconds = 600; // the plot's ten minutes

    void addBits(uint32_t arbitrationBits, uint32_t dataBits);
    // A received frame's adapter time stamp.
    void noteAdapterTime(uint64_t us);
    // Ends the window that lasted elapsedNs. Rates in bit/s; 0 = not known, then the window
    // has no load and leaves the peak and the average alone.
    void closeWindow(uint64_t elapsedNs, uint32_t arbitrationRate, uint32_t dataRate);
    // Peak, average and the open window start again; the history stays.
    void reset();

    bool known() const { return m_known; }
    double current() const { return m_current; } // fractions of the time (0.25 = 25 %)
    double peak() const { return m_peak; }
    double average() const;
    // The loads of the last closed windows, oldest first (at most HistorySeconds); a window
    // without known rates is -1.
    const QVector<float> &history() const { return m_history; }

private:
    uint64_t stampedSpanNs() const;

    uint64_t m_windowArbitrationBits = 0;
    uint64_t m_windowDataBits = 0;
    // Adapter time covered: from the previous window's newest stamp (or this window's
    // oldest) to this window's newest. The classic and CAN FD queues are read one after
    // the other, so the stamps of a window come in two runs, each in order.
    bool m_previousStamped = false;
    bool m_windowStamped = false;
    uint64_t m_previousNewestUs = 0;
    uint64_t m_oldestUs = 0;
    uint64_t m_newestUs = 0;
    double m_busyNs = 0;      // since the reset, windows with known rates
    uint64_t m_elapsedNs = 0; // the same windows' length
    double m_current = 0;
    double m_peak = 0;
    bool m_known = false;
    QVector<float> m_history;
};
