#pragma once

// Every place the program can lose a received frame, per channel, read once a second:
// the adapter's receive FIFO overflowing and the QtSerialBus backend's full channel
// queue (device layer, ReceiveLosses). A counter that grew in the second gives one
// operation-log line, so a loss is never silent:
//   通道1丢失37帧（适配器接收 FIFO 溢出）
// The pending-frame queue between the receive threads and the display loses nothing
// (senders hold back while it is long); its depth at each display refresh is watched.

#include "device/devicelayer.h"

#include <QStringList>

#include <cstdint>

class LossWatch
{
public:
    // This second's readings; returns the log lines of the counters that grew.
    QStringList update(const ReceiveLosses now[2]);
    // Records a refresh pass's batch: the queue's depth when the display took it.
    void noteQueueDepth(int records);
    // The counts since the reset start at 0 (the log goes on reporting growth).
    void reset();

    // Frames lost since the reset; -1 when the backend keeps no such count.
    int64_t fifoOverflow(int ch) const { return m_sinceReset[ch ? 1 : 0].fifoOverflow; }
    int64_t backendDropped(int ch) const { return m_sinceReset[ch ? 1 : 0].backendDropped; }
    int lastQueueDepth() const { return m_lastDepth; }
    int peakQueueDepth() const { return m_peakDepth; } // since the reset

    static QString lossLine(int ch, uint64_t frames, bool backendQueue);

private:
    static int64_t growth(int64_t now, int64_t &last);

    ReceiveLosses m_last[2] = {{0, 0}, {0, 0}};
    ReceiveLosses m_sinceReset[2];
    int m_lastDepth = 0;
    int m_peakDepth = 0;
};
