#pragma once

// Channel start-up: applies the stored parameters of a channel (keys "ch<N>param...")
// to the device in the fixed order CAN FD standard, bit rate, initialise with the work
// mode, acceptance filters, start, and stops at the first failure. Nothing here shows a
// message: each step gives back its failure text in the current language, or an empty
// text on success, and the caller reports it.

#include "device/filterlist.h"

#include <QString>
#include <QVector>

#include <cstdint>

// "ch" + channel number (1 or 2) + "param" + name, for example ch1paramABIT1.
QString channelParamKey(int channelNumber, const QString &name);

// Bit rates behind the stored bit-rate indices. An arbitration index outside 0-17 gives
// 0 bit/s, a data index outside 0-8 gives 100000 bit/s.
uint32_t arbitrationBitRate(uint32_t index);
uint32_t dataBitRate(uint32_t index);

// The application steps on channel index ch (0 or 1), reading the keys of channel ch + 1.
QString applyCanFdStandard(uint32_t ch);
QString applyBitRate(uint32_t ch);
QString applyInitialise(uint32_t ch);
QString applyFilters(uint32_t ch);
QString applyStart(uint32_t ch);

struct StartupResult
{
    bool started[2] = {false, false};
    QString failure; // empty when every attempted step succeeded
};

// Starts channel index ch (0 or 1), or channel 1 and then channel 2 for any other value.
// Channels already open are skipped. The first failing step ends the whole start-up;
// what was done before it stays in effect.
StartupResult startChannels(int ch);

// What "start both" starts for the current channel states: 3 (both), 1 or 0 (the one
// still closed), or -1 when both are open already.
int startBothTarget(bool channel1Open, bool channel2Open);
