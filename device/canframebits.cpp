#include "device/canframebits.h"

#include "device/vendorapi.h"

namespace {

constexpr int FooterBits = 1 + 1 + 1 + 7 + 3; // CRC delimiter, ACK slot, ACK delimiter, EOF, IFS

} // namespace

// The unstuffed bits of the stuffed region, the index where the data phase starts (ESI)
// and the index of the first bit after the data field.
// A fixed buffer on the stack: the longest stuffed region (extended CAN FD header, 64
// bytes) has 553 bits, and this runs for every frame the statistics see.
struct CanFrameBits::BitStream
{
    static constexpr int Capacity = 1 + 32 + 3 + 4 + 64 * 8 + 15;
    uint8_t bits[Capacity];
    int size = 0;
    int dataPhaseStart = -1;

    void add(uint32_t value, int width)
    {
        for (int i = width - 1; i >= 0; --i)
            bits[size++] = uint8_t((value >> i) & 1u);
    }
    void markDataPhase() { dataPhaseStart = size; }
};

namespace {

// Counts the dynamic stuff bits inserted into bits[0, count): after five equal bits the
// complement follows, and that stuff bit starts the next run. dataPhaseStart splits the
// count into stuff bits sent before and from that index on.
// A stuff bit due after the very last bit is left out when endsInFixedStuff (CAN FD: the
// fixed stuff bit that opens the CRC field follows there anyway).
void countStuffing(const uint8_t *bits, int count, int dataPhaseStart, bool endsInFixedStuff,
                   int *before, int *after)
{
    *before = 0;
    *after = 0;
    int run = 0;
    uint8_t last = 2;
    for (int i = 0; i < count; ++i) {
        if (bits[i] == last) {
            ++run;
        } else {
            last = bits[i];
            run = 1;
        }
        if (run == 5 && !(endsInFixedStuff && i + 1 == count)) {
            // The stuff bit goes out after bit i.
            if (dataPhaseStart >= 0 && i >= dataPhaseStart)
                ++*after;
            else
                ++*before;
            last = uint8_t(1 - last);
            run = 1;
        }
    }
}

} // namespace

CanFrameBits::CanFrameBits(uint32_t idWord, uint8_t length, const uint8_t *data, bool fd,
                           bool bitRateSwitch)
{
    const bool extended = idWord & CanExtendedFlag;
    const bool remote = !fd && (idWord & CanRemoteFlag);
    const uint32_t id = idWord & (extended ? CanIdMask : 0x7FFu);
    if (!fd && length > 8)
        length = 8;
    if (fd && length > 64)
        length = 64;
    const uint8_t dlc = dlcFor(length, fd);
    const int dataLength = remote ? 0 : (fd ? lengthForDlc(dlc) : length);

    BitStream bits;
    bits.add(0, 1); // SOF
    if (extended) {
        bits.add(id >> 18, 11);
        bits.add(1, 1); // SRR
        bits.add(1, 1); // IDE
        bits.add(id & 0x3FFFFu, 18);
        bits.add(remote ? 1 : 0, 1); // RTR, RRS in CAN FD
        if (fd) {
            bits.add(1, 1); // FDF
            bits.add(0, 1); // res
        } else {
            bits.add(0, 2); // r1, r0
        }
    } else {
        bits.add(id, 11);
        bits.add(remote ? 1 : 0, 1); // RTR, RRS in CAN FD
        bits.add(0, 1);              // IDE
        bits.add(fd ? 1 : 0, 1);     // FDF (r0 in classic frames)
        if (fd)
            bits.add(0, 1); // res
    }
    if (fd) {
        bits.add(bitRateSwitch ? 1 : 0, 1);
        if (bitRateSwitch)
            bits.markDataPhase();
        bits.add(0, 1); // ESI: error active
    }
    bits.add(dlc, 4);
    for (int i = 0; i < dataLength; ++i)
        bits.add(i < length && data ? data[i] : 0, 8);

    if (fd)
        countFd(bits, bitRateSwitch, dataLength);
    else
        countClassic(bits);
}

void CanFrameBits::countClassic(BitStream &bits)
{
    const uint16_t crc = crc15(bits.bits, bits.size);
    bits.add(crc, 15);
    int before = 0, after = 0;
    countStuffing(bits.bits, bits.size, -1, false, &before, &after);
    m_crcLength = 15;
    m_stuffBits = before;
    m_arbitrationBits = bits.size + before + FooterBits;
    m_dataBits = 0;
}

void CanFrameBits::countFd(BitStream &bits, bool bitRateSwitch, int dataLength)
{
    int before = 0, after = 0;
    countStuffing(bits.bits, bits.size, bits.dataPhaseStart, true, &before, &after);
    m_stuffBits = before + after;
    m_crcLength = dataLength <= 16 ? 17 : 21;
    // Stuff count (3 bits Gray code and parity) and CRC, with a fixed stuff bit before
    // the stuff count and after every fourth bit from there on.
    const int crcField = 4 + m_crcLength;
    const int fixedStuff = (crcField + 3) / 4;
    const int stuffed = bits.size;
    if (bitRateSwitch) {
        const int header = bits.dataPhaseStart; // SOF .. BRS
        m_arbitrationBits = header + before + FooterBits;
        m_dataBits = (stuffed - header) + after + crcField + fixedStuff;
    } else {
        m_arbitrationBits = stuffed + before + after + crcField + fixedStuff + FooterBits;
        m_dataBits = 0;
    }
}

uint64_t CanFrameBits::durationNs(uint32_t arbitrationRate, uint32_t dataRate) const
{
    if (arbitrationRate == 0)
        return 0;
    if (dataRate == 0)
        dataRate = arbitrationRate;
    // Exact to the nanosecond: bits * 1e9 / rate, summed as one fraction.
    const uint64_t a = uint64_t(m_arbitrationBits) * 1000000000ull * dataRate;
    const uint64_t d = uint64_t(m_dataBits) * 1000000000ull * arbitrationRate;
    const uint64_t denominator = uint64_t(arbitrationRate) * dataRate;
    return (a + d + denominator / 2) / denominator;
}

uint16_t CanFrameBits::crc15(const uint8_t *bits, int count)
{
    uint16_t crc = 0;
    for (int i = 0; i < count; ++i) {
        const bool feedback = ((crc >> 14) & 1u) != (bits[i] & 1u);
        crc = uint16_t((crc << 1) & 0x7FFFu);
        if (feedback)
            crc ^= 0x4599u;
    }
    return crc;
}

uint8_t CanFrameBits::dlcFor(uint8_t length, bool fd)
{
    if (length <= 8)
        return length;
    if (!fd)
        return 8;
    static const uint8_t steps[] = {12, 16, 20, 24, 32, 48, 64};
    for (uint8_t i = 0; i < sizeof(steps); ++i) {
        if (length <= steps[i])
            return uint8_t(9 + i);
    }
    return 15;
}

uint8_t CanFrameBits::lengthForDlc(uint8_t dlc)
{
    static const uint8_t lengths[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64};
    return lengths[dlc & 0xF];
}
