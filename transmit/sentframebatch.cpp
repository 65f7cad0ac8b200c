#include "transmit/sentframebatch.h"

#include "receive/pendingframes.h"

#include <utility>

void SentFrameBatch::add(ModelItem &&item)
{
    if (items.isEmpty())
        oldest = std::chrono::steady_clock::now();
    items.append(std::move(item));
}

void SentFrameBatch::flushIfDue()
{
    if (items.isEmpty())
        return;
    if (items.size() >= MaxItems ||
        std::chrono::steady_clock::now() - oldest >= std::chrono::milliseconds(MaxAgeMs))
        flush();
}

void SentFrameBatch::flush()
{
    if (items.isEmpty())
        return;
    appendPending(std::move(items));
    items = QList<ModelItem>();
}
