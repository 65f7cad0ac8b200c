#pragma once

// Overloads that let the send threads write one template for classic and CAN FD
// records: transmit a block of records, and format a transmitted record for the display.

#include "device/devicelayer.h"
#include "receive/frameformat.h"
#include "receive/pendingframes.h"
#include "transmit/sentframebatch.h"

inline bool transmitRecords(uint32_t ch, const CanTxRecord *records, uint32_t count)
{
    return transmitCan(ch, records, count);
}

inline bool transmitRecords(uint32_t ch, const CanFdTxRecord *records, uint32_t count)
{
    return transmitCanFd(ch, records, count);
}

inline ModelItem formatSent(uint32_t ch, const CanTxRecord &record)
{
    return formatTxFrame(ch, record);
}

inline ModelItem formatSent(uint32_t ch, const CanFdTxRecord &record)
{
    return formatTxFdFrame(ch, record);
}

// Transmits the records and, when the call succeeds, queues their display records before
// any reception of them can be queued.
template <typename Record>
bool transmitAndQueue(uint32_t ch, const Record *records, uint32_t count, SentFrameBatch &sent)
{
    const std::unique_lock<std::mutex> order = lockTransmitOrder();
    if (!transmitRecords(ch, records, count))
        return false;
    for (uint32_t i = 0; i < count; ++i)
        sent.add(formatSent(ch, records[i]));
    sent.flush();
    return true;
}
