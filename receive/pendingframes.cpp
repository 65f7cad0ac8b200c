#include "receive/pendingframes.h"

#include <mutex>

namespace {

struct PendingQueue
{
    std::mutex mutex; // std::mutex: visible to the thread sanitizer
    QList<ModelItem> items;
};

struct FrameCounter
{
    std::mutex mutex; // std::mutex: visible to the thread sanitizer
    uint32_t value = 0;
};

PendingQueue &queue()
{
    static PendingQueue pending;
    return pending;
}

FrameCounter &counter()
{
    static FrameCounter frameIndex;
    return frameIndex;
}

} // namespace

void appendPending(const QList<ModelItem> &batch)
{
    if (batch.isEmpty())
        return;
    PendingQueue &q = queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    q.items.append(batch);
}

void appendPending(QList<ModelItem> &&batch)
{
    if (batch.isEmpty())
        return;
    PendingQueue &q = queue();
    QList<ModelItem> taken;
    taken.swap(batch);
    std::unique_lock<std::mutex> lock(q.mutex);
    if (q.items.isEmpty())
        q.items.swap(taken);
    else
        q.items.append(taken);
    lock.unlock(); // a copied batch is freed outside the lock
}

QList<ModelItem> takePending()
{
    QList<ModelItem> taken;
    PendingQueue &q = queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    taken.swap(q.items);
    return taken;
}

int pendingCount()
{
    PendingQueue &q = queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    return q.items.size();
}

std::unique_lock<std::mutex> lockTransmitOrder()
{
    static std::mutex order;
    return std::unique_lock<std::mutex>(order);
}

uint32_t nextFrameIndex()
{
    FrameCounter &c = counter();
    std::lock_guard<std::mutex> lock(c.mutex);
    return ++c.value;
}

void resetFrameIndex()
{
    FrameCounter &c = counter();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.value = 0;
}
