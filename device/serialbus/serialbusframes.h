#pragma once

// Conversion between the vendor frame records and QCanBusFrame.
//
// Transmit records become frames only when the bus can carry them (device/cancarryrule.h);
// CAN FD lengths between the payload steps are padded with zero bytes up to the next step,
// as a controller does.

#include "device/vendorapi.h"

#include <QCanBusFrame>
#include <QString>

namespace SerialBusFrames {

// The frame for one classic record; false (and a reason) when it cannot be sent.
bool fromTxRecord(const CanTxRecord &record, QCanBusFrame *frame, QString *error);
bool fromTxRecord(const CanFdTxRecord &record, QCanBusFrame *frame, QString *error);

// The identifier word of a received frame (extended and remote flags).
uint32_t idWord(const QCanBusFrame &frame);

// The frame's own time stamp in microseconds; frames without one get the receive time.
uint64_t timeStampUs(const QCanBusFrame &frame);

CanRxRecord toRxRecord(const QCanBusFrame &frame);
CanFdRxRecord toFdRxRecord(const QCanBusFrame &frame);
// An error frame of the plugin as an error record: CanErrorFlag with its error classes
// (QtSerialBus numbers them as Linux does) and its eight data bytes.
CanRxRecord toErrorRecord(const QCanBusFrame &frame);

} // namespace SerialBusFrames
