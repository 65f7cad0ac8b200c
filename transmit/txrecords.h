#pragma once

// Overloads that let the send threads write one template for classic and CAN FD
// records: transmit a block of records, and format a transmitted record for the display.

#include "device/devicelayer.h"
#include "receive/frameformat.h"

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
