#include "receive/recvthread.h"

#include "device/devicelayer.h"
#include "receive/frameformat.h"
#include "receive/pendingframes.h"
#include "settings/settingsstore.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t ReceiveBufferRecords = 1000;
constexpr uint32_t LargestStandardId = 0x7FF;
constexpr uint32_t LargestExtendedId = 0x1FFFFFFF;

ModelItem formatReceived(uint32_t channel, const CanRxRecord &record, bool timeHex)
{
    return formatRxFrame(channel, record, timeHex);
}

ModelItem formatReceived(uint32_t channel, const CanFdRxRecord &record, bool timeHex)
{
    return formatRxFdFrame(channel, record, timeHex);
}

} // namespace

recvThread::recvThread(uint32_t channel) : QThread(nullptr), channel(channel) {}

void recvThread::setReceiveParams(int scanInterval, int frameCount)
{
    // The loop always drains up to a full buffer per call and pauses 1 ms per cycle.
    Q_UNUSED(scanInterval);
    Q_UNUSED(frameCount);
    framesPerRead = ReceiveBufferRecords;
}

void recvThread::stop()
{
    stopRequested = true;
}

void recvThread::resetLastIds()
{
    lastCanId = 0;
    lastFdId = 0;
}

recvThread::~recvThread()
{
    stop();
    wait();
    // Orders the end of run() (as the thread sanitizer sees it) before the members go.
    std::lock_guard<std::mutex> ended(runMutex);
}

void recvThread::run()
{
    std::lock_guard<std::mutex> running(runMutex);
    if (!stopRequested)
        receiveLoop();
    stopRequested = false;
}

template <typename Record>
void recvThread::convert(const Record *records, uint32_t count, std::atomic<uint32_t> &lastId,
                         uint32_t wrapAfter)
{
    BatchOptions options = readBatchOptions();
    QList<ModelItem> batch;
    batch.reserve(int(count));
    for (uint32_t i = 0; i < count; ++i) {
        if (options.checkIds && !(records[i].id & CanErrorFlag)) // error frames are no sequence
            options.checkIds = checkContinuity(lastId, records[i].id, wrapAfter);
        batch.append(ModelItem());
        batch.last() = formatReceived(channel, records[i], options.timeHex); // moved, not copied
    }
    appendPending(std::move(batch));
}

uint32_t recvThread::receiveInOrder(CanRxRecord *records, uint32_t capacity)
{
    const std::unique_lock<std::mutex> order = lockTransmitOrder();
    return receiveCan(channel, records, capacity, 0);
}

uint32_t recvThread::receiveInOrder(CanFdRxRecord *records, uint32_t capacity)
{
    const std::unique_lock<std::mutex> order = lockTransmitOrder();
    return receiveCanFd(channel, records, capacity, 0);
}

void recvThread::receiveLoop()
{
    std::vector<CanRxRecord> classic(ReceiveBufferRecords);
    std::vector<CanFdRxRecord> fd(ReceiveBufferRecords);
    while (isChannelOpen(channel)) {
        const uint32_t capacity =
            uint32_t(std::clamp<int32_t>(framesPerRead, 1, ReceiveBufferRecords));
        uint32_t n = receiveInOrder(classic.data(), capacity);
        if (n > 0)
            convert(classic.data(), std::min(n, capacity), lastCanId, LargestStandardId);
        n = receiveInOrder(fd.data(), capacity);
        if (n > 0)
            convert(fd.data(), std::min(n, capacity), lastFdId, LargestExtendedId);
        msleep(1);
        if (stopRequested)
            break;
    }
}

recvThread::BatchOptions recvThread::readBatchOptions()
{
    BatchOptions options;
    options.timeHex = readSettingUInt(QStringLiteral("timeHex"), QStringLiteral("1")) != 0;
    options.checkIds = readSettingUInt(QStringLiteral("recvIDAdd"), QStringLiteral("0")) == 1;
    return options;
}

bool recvThread::checkContinuity(std::atomic<uint32_t> &last, uint32_t current, uint32_t wrapAfter)
{
    const uint32_t previous = last.exchange(current);
    if (previous == 0)
        return true;
    const uint32_t p = previous & CanIdMask;
    const uint32_t q = current & CanIdMask;
    if (idFollows(p, q, wrapAfter))
        return true;
    // Out of sequence: the check switches itself off and reports once; the window that
    // takes the report saves the settings file.
    writeSetting(QStringLiteral("recvIDAdd"), QStringLiteral("0"), false);
    emit errorID(p, q);
    return false;
}

bool recvThread::idFollows(uint32_t previous, uint32_t current, uint32_t wrapAfter)
{
    return current == previous + 1 || (previous == wrapAfter && current == 0);
}
