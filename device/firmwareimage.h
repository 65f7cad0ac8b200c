#pragma once

// Firmware image of the Ferrule-2X as its update volume takes it: bytes 0-3 "LKFW",
// bytes 4-5 the firmware version (unsigned 16-bit, little-endian), then the payload.

#include <QByteArray>

#include <cstdint>

// An image of the given version followed by payloadBytes bytes of filler.
QByteArray makeFirmwareImage(uint16_t version, int payloadBytes);
// Reads the version from an image; false when the header is not valid.
bool readFirmwareImageVersion(const QByteArray &image, uint16_t *version);
