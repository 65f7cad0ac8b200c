#pragma once

// Decoding a frame's payload into the signals of its database message, and encoding
// signal values back into payload bytes. Never reads or writes outside the payload given:
// a signal whose bits lie past it is counted as missing instead of decoded.

#include "database/dbcdatabase.h"

#include <cstdint>
#include <vector>

struct DecodedSignal
{
    int index = 0;     // in DbcMessage::signalList
    uint64_t bits = 0; // the signal's bits as they stand in the payload
    int64_t raw = 0;   // the raw value: sign-extended for signed signals
    double physical = 0;
};

struct DecodedFrame
{
    const DbcMessage *message = nullptr;
    std::vector<DecodedSignal> values; // in the message's decode order
    int missing = 0;                   // selected signals that run past the payload
    bool shortFrame = false;           // payload shorter than the message's length
    bool unselectedMux = false;        // a multiplexor value that selects no signal group
};

class SignalCodec
{
public:
    // The signal's bits, false when they lie past size bytes.
    static bool extract(const DbcSignal &signal, const uint8_t *data, int size, uint64_t &bits);
    // Writes the low bits of the signal's width into the payload; false (nothing written)
    // when they would lie past size bytes.
    static bool insert(const DbcSignal &signal, uint64_t bits, uint8_t *data, int size);

    static int64_t rawValue(const DbcSignal &signal, uint64_t bits);
    static double physicalValue(const DbcSignal &signal, uint64_t bits);
    // The bits that encode a physical value: rounded to the nearest raw step and limited
    // to what the signal's width can hold.
    static uint64_t bitsForPhysical(const DbcSignal &signal, double physical);
    static uint64_t bitsForRaw(const DbcSignal &signal, int64_t raw);

    // Decodes the signals present in the frame (all unmultiplexed ones, and those the
    // multiplexor values in it select). out's buffers are reused between calls.
    static void decode(const DbcMessage &message, const uint8_t *data, int size, DecodedFrame &out);

    // Encodes physical values (by signal index; a NaN or a missing entry takes the signal's
    // start value) into a payload of the message's length, writing only the signals the
    // multiplexor values among them select.
    static std::vector<uint8_t> encode(const DbcMessage &message,
                                       const std::vector<double> &physical);

private:
    static bool selected(const DbcSignal &signal, uint64_t muxBits);
};
