#pragma once

// What a CAN bus can carry: the one rule every backend applies to a transmit record before
// it goes out. A record is refused when no controller could send it: a standard
// identifier above 0x7FF, the error flag set (error frames are signalled by controllers,
// never handed in), a classic length over 8 or a CAN FD length over 64, and CAN FD remote
// frames (remote frames exist only in classic CAN).

#include "device/vendorapi.h"

#include <QString>

namespace CanCarryRule {

// Empty when the bus can carry the record, else the reason in English for the log.
QString refusal(const CanTxRecord &record);
QString refusal(const CanFdTxRecord &record);

} // namespace CanCarryRule
