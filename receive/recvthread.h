#pragma once

// Receive thread, one per channel: polls the device layer for classic and CAN FD frames,
// formats them and appends each library call's worth to the pending-frame queue.

#include "device/vendorapi.h"
#include "receive/modelitem.h"

#include <QThread>

#include <atomic>
#include <cstdint>
#include <mutex>

class recvThread : public QThread
{
    Q_OBJECT
public:
    explicit recvThread(uint32_t channel);
    ~recvThread() override;

    void setReceiveParams(int scanInterval, int frameCount);
    void stop();
    // Forget the previous identifiers of the continuity check (both frame kinds).
    void resetLastIds();
    uint32_t channelIndex() const { return channel; }

signals:
    void recvData(QList<ModelItem> modelList, uint channel);
    void log(QString msg);
    void errorID(uint lastID, uint ID);

protected:
    void run() override;

private:
    // Options read once per library call's worth of frames.
    struct BatchOptions
    {
        bool timeHex = true;
        bool checkIds = false;
    };

    void receiveLoop();
    // One receive call, ordered after every transmission already queued.
    uint32_t receiveInOrder(CanRxRecord *records, uint32_t capacity);
    uint32_t receiveInOrder(CanFdRxRecord *records, uint32_t capacity);
    static BatchOptions readBatchOptions();
    // Formats one library call's records (classic or CAN FD) and queues them in one block;
    // lastId and wrapAfter are the kind's continuity state.
    template <typename Record>
    void convert(const Record *records, uint32_t count, std::atomic<uint32_t> &lastId,
                 uint32_t wrapAfter);
    // Returns whether the check stays on after this frame.
    bool checkContinuity(std::atomic<uint32_t> &last, uint32_t current, uint32_t wrapAfter);
    static bool idFollows(uint32_t previous, uint32_t current, uint32_t wrapAfter);

    const uint32_t channel;
    std::mutex runMutex; // held by run
    std::atomic<bool> stopRequested{false};
    std::atomic<int32_t> framesPerRead{1000};
    std::atomic<uint32_t> lastCanId{0};
    std::atomic<uint32_t> lastFdId{0};
};
