#pragma once

// One channel of the QtSerialBus backend as the receive and send threads see it: the
// frames received since the channel started, in two bounded queues (classic, CAN FD),
// its acceptance filter and the local echoes it still expects. The device's worker
// thread delivers frames; any thread may take them. Frames that find a full queue are
// dropped and counted. Error frames of the plugin pass every filter and join the classic
// queue as error records (canerrorframe.h).

#include "device/serialbus/serialbusfilter.h"
#include "device/vendorapi.h"

#include <QCanBusFrame>
#include <QDeadlineTimer>
#include <QVector>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

class SerialBusChannel
{
public:
    static constexpr int MaxExpectedEchoes = 65536;

    explicit SerialBusChannel(int queueCapacity);

    // Channel life: initialised (handle handed out), started (frames are queued).
    void initialise(bool listenOnly);
    void start() { m_started = true; }
    void reset();
    bool isInitialised() const { return m_initialised; }
    bool isStarted() const { return m_started; }
    bool isListenOnly() const { return m_listenOnly; }

    void setFilter(const SerialBusFilter &filter);

    // Local echoes: the sender notes, per frame written while echoes are on, whether
    // its echo is to be received (self-reception) or dropped.
    bool echoesEnabled() const { return m_echoes; }
    void enableEchoes() { m_echoes = true; }
    void expectEchoes(const QVector<bool> &keep);
    void forgetEchoes(int count); // the last `count` expectations, after a failed write

    // Worker thread: filters and queues received frames.
    void deliver(const QVector<QCanBusFrame> &frames);

    // Take what is queued; with a deadline in the future, wait until a frame of the kind
    // arrives, the channel is reset or the deadline passes (the worker's delivery wakes
    // the waiting thread, nothing polls).
    uint32_t takeClassic(CanRxRecord *records, uint32_t capacity,
                         QDeadlineTimer deadline = QDeadlineTimer(0));
    uint32_t takeFd(CanFdRxRecord *records, uint32_t capacity,
                    QDeadlineTimer deadline = QDeadlineTimer(0));
    uint64_t droppedFrames() const { return m_dropped; }

private:
    bool wanted(const QCanBusFrame &frame);  // under m_mutex
    void enqueue(const QCanBusFrame &frame); // under m_mutex
    template <typename Record>
    uint32_t take(std::deque<Record> &queue, Record *records, uint32_t capacity,
                  QDeadlineTimer deadline);

    const int m_capacity;
    std::atomic<bool> m_initialised{false};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_listenOnly{false};
    std::atomic<bool> m_echoes{false};
    std::atomic<uint64_t> m_dropped{0};
    std::mutex m_mutex;
    std::condition_variable m_arrived; // a frame was queued or the channel was reset
    uint32_t m_resets = 0;             // under m_mutex
    SerialBusFilter m_filter;
    std::deque<bool> m_expectedEchoes;
    std::deque<CanRxRecord> m_classic;
    std::deque<CanFdRxRecord> m_fd;
};
