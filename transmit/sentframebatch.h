#pragma once

// Gathers the ModelItems of transmitted frames and hands them to the pending-frame queue
// in blocks (one lock per block), in the order they were sent. A block is handed over
// once it holds MaxItems records or its oldest record is MaxAgeMs old.

#include "receive/modelitem.h"

#include <chrono>

class SentFrameBatch
{
public:
    static constexpr int MaxItems = 1000;
    static constexpr int MaxAgeMs = 5;

    void add(ModelItem &&item);
    // Hands the block over when it is full or old enough.
    void flushIfDue();
    // Hands over whatever has gathered.
    void flush();
    bool isEmpty() const { return items.isEmpty(); }

private:
    QList<ModelItem> items;
    std::chrono::steady_clock::time_point oldest;
};
