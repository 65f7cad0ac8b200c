#pragma once

// The process-wide pending-frame queue (producers: receive and send threads; consumer:
// the display refresh) and the frame sequence counter.

#include "receive/modelitem.h"

#include <cstdint>

void appendPending(const QList<ModelItem> &batch);
void appendPending(QList<ModelItem> &&batch);
QList<ModelItem> takePending();
// Records waiting in the queue (producers use it to hold back when the display lags).
int pendingCount();

uint32_t nextFrameIndex();
void resetFrameIndex();
