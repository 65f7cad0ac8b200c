#pragma once

// The decoded signals of a frame as text, shared by the command line and the log viewer:
//   Speed=88.5 km/h Gear=3 "Drive" Fault=0
// a physical value with up to twelve significant digits ("nan" when it is not a number),
// the unit when the signal has one, the value description in quotes when there is one.

#include "database/signalcodec.h"

#include <QString>

QString physicalValueText(double value);
QString decodedSignalsText(const DbcMessage &message, const DecodedFrame &decoded);
