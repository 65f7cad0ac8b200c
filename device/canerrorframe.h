#pragma once

// Error frames as the adapter hands them over: the identifier word carries CanErrorFlag
// and the error classes in its low bits, and the eight data bytes follow the layout of
// Linux CAN error frames (linux/can/error.h), which QtSerialBus reports as well:
//
//   byte 1  controller state (0x04 receive error passive, 0x08 transmit error passive, ...)
//   byte 2  protocol violation type (0x02 form error, 0x04 stuff error, 0x08 bit 0, ...)
//   byte 3  where in the frame it was seen
//   byte 6  transmit error counter, byte 7 receive error counter
//
//   CanErrorFlag | 0x088, 8 bytes 00 00 02 00 00 00 00 00   a form error on the bus

#include "device/vendorapi.h"

#include <cstdint>

namespace CanErrorFrame {

constexpr uint32_t TransmitTimeout = 0x001;
constexpr uint32_t LostArbitration = 0x002;
constexpr uint32_t ControllerProblem = 0x004;
constexpr uint32_t ProtocolViolation = 0x008;
constexpr uint32_t TransceiverProblem = 0x010;
constexpr uint32_t NoAcknowledge = 0x020;
constexpr uint32_t BusOff = 0x040;
constexpr uint32_t BusError = 0x080;
constexpr uint32_t Restarted = 0x100;
constexpr uint32_t ClassMask = 0x1FF;

constexpr uint8_t FormError = 0x02;

inline bool isErrorFrame(uint32_t idWord)
{
    return (idWord & CanErrorFlag) != 0;
}

// What a node sees when a frame on its wire was sent at a bit timing it does not share:
// a bus error of the form-error kind.
inline CanRxRecord formError(uint64_t timeStampUs)
{
    CanRxRecord record{};
    record.id = CanErrorFlag | ProtocolViolation | BusError;
    record.length = 8;
    record.data[2] = FormError;
    record.timeStamp = timeStampUs;
    return record;
}

} // namespace CanErrorFrame
