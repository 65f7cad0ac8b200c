#pragma once

// The process-wide pending-frame queue (producers: receive and send threads; consumer:
// the display refresh) and the frame sequence counter.

#include "receive/modelitem.h"

#include <cstdint>
#include <mutex>

void appendPending(const QList<ModelItem> &batch);
void appendPending(QList<ModelItem> &&batch);
QList<ModelItem> takePending();
// Records waiting in the queue (producers use it to hold back when the display lags).
int pendingCount();

// Held by a send thread from its transmit call until the call's records are queued, and
// by a receive thread for its receive call (not for formatting what it got): a frame
// received on one channel is then never queued ahead of its own transmission.
std::unique_lock<std::mutex> lockTransmitOrder();

uint32_t nextFrameIndex();
void resetFrameIndex();
