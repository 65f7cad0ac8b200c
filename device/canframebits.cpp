#include "device/canframebits.h"

#include "device/vendorapi.h"

namespace {

constexpr int FooterBits = 1 + 1 + 1 + 7 + 3; // CRC delimiter, ACK slot, ACK delimiter, EOF, IFS

// Dynamic stuffing state after a bit: none sent yet (0), or the level of the last bit and
// how many equal bits in a row end with it (1 + level * 4 + run - 1, run 1 to 4; a run
// of five is cut by the stuff bit, which starts a run of one of the other level).
constexpr uint8_t NoBitYet = 0;

uint8_t stuffState(unsigned level, unsigned run)
{
    return uint8_t(1 + level * 4 + (run - 1));
}

// One bit through the stuffing: the new state, and whether a stuff bit follows it.
uint8_t stuffBit(uint8_t state, unsigned bit, bool *stuffed)
{
    unsigned run = 1;
    if (state != NoBitYet && ((state - 1u) >> 2) == bit)
        run = ((state - 1u) & 3u) + 2;
    *stuffed = run == 5;
    return *stuffed ? stuffState(bit ^ 1u, 1) : stuffState(bit, run);
}

// A whole byte (most significant bit first) at once, for the data field: per state and
// byte the new state (bits 0-3), the stuff bits inserted (bits 4-5) and whether the last
// of them comes right after the byte's last bit (bit 6).
struct ByteStuffing
{
    uint8_t entry[9][256];

    ByteStuffing()
    {
        for (unsigned state = 0; state < 9; ++state) {
            for (unsigned byte = 0; byte < 256; ++byte) {
                uint8_t s = uint8_t(state);
                unsigned count = 0;
                bool stuffed = false;
                for (int i = 7; i >= 0; --i) {
                    s = stuffBit(s, (byte >> i) & 1u, &stuffed);
                    count += stuffed ? 1 : 0;
                }
                entry[state][byte] = uint8_t(s | (count << 4) | (stuffed ? 0x40u : 0u));
            }
        }
    }
};

const ByteStuffing &byteStuffing()
{
    static const ByteStuffing table;
    return table;
}

// CRC-15 a byte at a time (polynomial 0x4599, most significant bit first).
struct Crc15Table
{
    uint16_t entry[256];

    Crc15Table()
    {
        for (unsigned byte = 0; byte < 256; ++byte) {
            unsigned crc = byte << 7;
            for (int i = 0; i < 8; ++i)
                crc = ((crc & 0x4000u) ? ((crc << 1) ^ 0x4599u) : (crc << 1)) & 0x7FFFu;
            entry[byte] = uint16_t(crc);
        }
    }
};

const Crc15Table &crc15Table()
{
    static const Crc15Table table;
    return table;
}

uint16_t crc15Bit(uint16_t crc, unsigned bit)
{
    const bool feedback = ((crc >> 14) & 1u) != (bit & 1u);
    crc = uint16_t((crc << 1) & 0x7FFFu);
    return feedback ? uint16_t(crc ^ 0x4599u) : crc;
}

} // namespace

// The stuffed region (SOF to the end of the data field, and the CRC for classic frames) as
// the transmitter sends it, field by field: its unstuffed length, the dynamic stuff bits
// before and from the data phase (ESI) on, and the CRC-15 of what went in. Nothing is
// stored, and the data bytes go through by table, since this runs for every frame the
// statistics see.
struct CanFrameBits::BitStream
{
    int size = 0;
    int dataPhaseStart = -1;
    int stuffBits[2] = {0, 0}; // before the data phase, in it
    bool stuffedAfterLastBit = false;
    uint16_t crc = 0;

    void add(uint32_t value, int width)
    {
        for (int i = width - 1; i >= 0; --i) {
            const unsigned bit = (value >> i) & 1u;
            bool stuffed = false;
            state = stuffBit(state, bit, &stuffed);
            count(stuffed ? 1 : 0, stuffed);
            crc = crc15Bit(crc, bit);
            ++size;
        }
    }
    void addByte(uint8_t byte)
    {
        const uint8_t entry = byteStuffing().entry[state][byte];
        state = entry & 0x0Fu;
        count((entry >> 4) & 3u, (entry & 0x40u) != 0);
        crc = uint16_t(((crc << 8) & 0x7FFFu) ^ crc15Table().entry[((crc >> 7) ^ byte) & 0xFFu]);
        size += 8;
    }
    void markDataPhase() { dataPhaseStart = size; }

private:
    void count(unsigned stuffed, bool afterLastBit)
    {
        stuffBits[dataPhaseStart >= 0 ? 1 : 0] += int(stuffed);
        stuffedAfterLastBit = afterLastBit;
    }

    uint8_t state = NoBitYet;
};

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
        bits.addByte(i < length && data ? data[i] : 0);

    if (fd)
        countFd(bits, bitRateSwitch, dataLength);
    else
        countClassic(bits);
}

void CanFrameBits::countClassic(BitStream &bits)
{
    bits.add(bits.crc, 15);
    m_crcLength = 15;
    m_stuffBits = bits.stuffBits[0];
    m_arbitrationBits = bits.size + m_stuffBits + FooterBits;
    m_dataBits = 0;
}

void CanFrameBits::countFd(BitStream &bits, bool bitRateSwitch, int dataLength)
{
    // A stuff bit due after the last data bit is not sent: the fixed stuff bit that opens
    // the CRC field follows there anyway.
    if (bits.stuffedAfterLastBit)
        --bits.stuffBits[bits.dataPhaseStart >= 0 ? 1 : 0];
    const int before = bits.stuffBits[0];
    const int after = bits.stuffBits[1];
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
