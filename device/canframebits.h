#pragma once

// The bits one CAN or CAN FD data/remote frame occupies on the wire, counted from the
// frame's actual bit pattern: SOF, arbitration and control fields, data, CRC (CRC-15 for
// classic frames; for CAN FD the stuff count and CRC-17 up to 16 bytes or CRC-21 above,
// with their fixed stuff bits), CRC delimiter, ACK slot and delimiter, EOF and the 3-bit
// intermission, plus every dynamic stuff bit the transmitter inserts after five equal bits
// (classic frames: SOF to the end of the CRC; CAN FD: SOF to the end of the data field,
// where a stuff bit due after the last data bit is left out because the fixed stuff bit
// opening the CRC field follows anyway).
//
// A CAN FD frame with bit-rate switch sends the bits from ESI to the last CRC bit (stuff
// bits among them included) at the data rate; everything else goes at the arbitration rate.
// The switch itself happens at the sample points of BRS and of the CRC delimiter; those two
// bits are counted wholly at the arbitration rate.
//
// A CAN FD length between the payload steps counts as the next step (the controller pads
// with zero bytes); a remote frame carries its length in the DLC and no data.

#include <cstdint>

class CanFrameBits
{
public:
    // idWord as in the vendor records (bit 31 extended, bit 30 remote); data holds at least
    // length bytes (not read for remote frames).
    CanFrameBits(uint32_t idWord, uint8_t length, const uint8_t *data, bool fd, bool bitRateSwitch);

    int totalBits() const { return m_arbitrationBits + m_dataBits; }
    int arbitrationPhaseBits() const { return m_arbitrationBits; } // at the arbitration rate
    int dataPhaseBits() const { return m_dataBits; }               // at the data rate (BRS only)
    int stuffBits() const { return m_stuffBits; }                  // dynamic stuff bits
    int crcLength() const { return m_crcLength; }                  // 15, 17 or 21
    // Time on the wire in nanoseconds (rounded to the nearest) at the given rates in bit/s.
    uint64_t durationNs(uint32_t arbitrationRate, uint32_t dataRate) const;

    // CRC-15 of classic CAN over the given unstuffed bits (MSB of each entry unused).
    static uint16_t crc15(const uint8_t *bits, int count);
    // DLC code for a payload length (CAN FD steps above 8 bytes).
    static uint8_t dlcFor(uint8_t length, bool fd);
    // Payload length a CAN FD DLC code stands for.
    static uint8_t lengthForDlc(uint8_t dlc);
    // The CAN FD frame size (0-8, 12, 16, 20, 24, 32, 48, 64) holding `length` bytes; 64 for
    // anything longer.
    static uint8_t paddedFdLength(uint8_t length) { return lengthForDlc(dlcFor(length, true)); }

private:
    struct BitStream;

    void countClassic(BitStream &bits);
    void countFd(BitStream &bits, bool bitRateSwitch, int dataLength);

    int m_arbitrationBits = 0;
    int m_dataBits = 0;
    int m_stuffBits = 0;
    int m_crcLength = 15;
};
