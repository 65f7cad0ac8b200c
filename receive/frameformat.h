#pragma once

// The one frame formatter: turns device records into ModelItem texts. Shared by the
// receive thread, the send thread, the benchmarks and the tests. Language-dependent
// texts follow languageIndex() at the moment of the call.

#include "device/vendorapi.h"
#include "receive/modelitem.h"

ModelItem formatRxFrame(uint32_t channel, const CanRxRecord &record, bool timeHex);
ModelItem formatRxFdFrame(uint32_t channel, const CanFdRxRecord &record, bool timeHex);
ModelItem formatTxFrame(uint32_t channel, const CanTxRecord &record);
ModelItem formatTxFdFrame(uint32_t channel, const CanFdTxRecord &record);
