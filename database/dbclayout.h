#pragma once

// The parts of a loaded database that are worked out from what the file states: where a
// signal's bits lie in the payload, and which multiplexor selects each signal.

#include "database/dbcdatabase.h"

namespace dbclayout {

// A signal's multiplexor while reading: "the message's plain multiplexor" ("m<n>" without
// an SG_MUL_VAL_ line), resolved when the whole file is read.
constexpr int kPlainMultiplexor = -2;

// Fills signal.layout from start bit, length and byte order; false when the signal does
// not fit a 64-byte frame or its length is not 1..64.
bool compute(DbcSignal &signal);

// Resolves kPlainMultiplexor to the message's multiplexor ("M") and orders the signals so
// every multiplexor is decoded before what it selects; signals in a multiplexor cycle, or
// without a multiplexor to select them, are left out of the order (never decoded).
void resolveMultiplexing(DbcMessage &message);

} // namespace dbclayout

using dbclayout::kPlainMultiplexor;
