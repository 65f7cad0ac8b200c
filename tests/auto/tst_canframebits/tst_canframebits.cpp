// Bits of CAN and CAN FD frames on the wire, against hand-counted frames, the published
// CRC-15/CAN check value and the stuffing bounds of classic frames.

#include "device/canframebits.h"
#include "device/vendorapi.h"

#include <QtTest>

#include <random>

class tst_CanFrameBits : public QObject
{
    Q_OBJECT

private slots:
    void knownFrames_data();
    void knownFrames();
    void crc15CheckValue();
    void classicStuffingBounds();
    void bitRateSwitchSplitsPhases_data();
    void bitRateSwitchSplitsPhases();
};

void tst_CanFrameBits::knownFrames_data()
{
    QTest::addColumn<uint>("idWord");
    QTest::addColumn<bool>("fd");
    QTest::addColumn<bool>("brs");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("totalBits");
    QTest::addColumn<int>("stuffBits");
    QTest::addColumn<int>("crcLength");
    const QByteArray none;
    const uint ext = CanExtendedFlag;
    // All-zero classic frame: 34 zeros (CRC of zeros is zero), a stuff bit after every
    // fifth, then 13 bits of footer: 34 + 6 + 13.
    QTest::newRow("std 0x000 len 0") << 0u << false << false << none << 53 << 6 << 15;
    QTest::newRow("std 0x7FF len 0") << 0x7FFu << false << false << none << 50 << 3 << 15;
    // Alternating pattern: no stuffing at all, the 111-bit minimum of an 8-byte frame.
    QTest::newRow("std 0x2AA 8x0xAA")
        << 0x2AAu << false << false << QByteArray(8, char(0xAA)) << 111 << 0 << 15;
    QTest::newRow("std 0x000 8x0x00")
        << 0u << false << false << QByteArray(8, char(0)) << 127 << 16 << 15;
    QTest::newRow("std 0x0FF 8x0xFF")
        << 0xFFu << false << false << QByteArray(8, char(0xFF)) << 125 << 14 << 15;
    QTest::newRow("std 0x123 11..88")
        << 0x123u << false << false << QByteArray::fromHex("1122334455667788") << 112 << 1 << 15;
    QTest::newRow("std remote 0x100 dlc 8")
        << (0x100u | CanRemoteFlag) << false << false << QByteArray(8, char(0x5A)) << 49 << 2 << 15;
    QTest::newRow("ext 0x18DAF110 len 0")
        << (0x18DAF110u | ext) << false << false << none << 69 << 2 << 15;
    QTest::newRow("ext 0x18DAF110 01..08")
        << (0x18DAF110u | ext) << false << false << QByteArray::fromHex("0102030405060708") << 141
        << 10 << 15;
    QTest::newRow("ext 0x1FFFFFFF 8x0xFF")
        << (0x1FFFFFFFu | ext) << false << false << QByteArray(8, char(0xFF)) << 149 << 18 << 15;
    // CAN FD, no bit-rate switch: 22 header bits with 3 stuff bits, stuff count and CRC-17
    // with 6 fixed stuff bits (27), footer 13.
    QTest::newRow("fd std 0x000 len 0") << 0u << true << false << none << 65 << 3 << 17;
    QTest::newRow("fd brs std 0x000 len 0") << 0u << true << true << none << 64 << 2 << 17;
    QTest::newRow("fd brs std 0x123 11..88")
        << 0x123u << true << true << QByteArray::fromHex("1122334455667788") << 127 << 1 << 17;
    QTest::newRow("fd std 0x123 64x0x00")
        << 0x123u << true << false << QByteArray(64, char(0)) << 681 << 102 << 21;
    QTest::newRow("fd brs ext 64x0xAA")
        << (0x18DAF110u | ext) << true << true << QByteArray(64, char(0xAA)) << 600 << 2 << 21;
    QTest::newRow("fd brs std 0x7FF 16x0xFF")
        << 0x7FFu << true << true << QByteArray(16, char(0xFF)) << 217 << 27 << 17;
    QTest::newRow("fd brs std 0x7FF 20x0xFF")
        << 0x7FFu << true << true << QByteArray(20, char(0xFF)) << 261 << 34 << 21;
    // 10 bytes go out as 12: two zero bytes of padding.
    QTest::newRow("fd std 0x000 10 zero bytes padded")
        << 0u << true << false << QByteArray(10, char(0)) << 179 << 21 << 17;
}

void tst_CanFrameBits::knownFrames()
{
    QFETCH(uint, idWord);
    QFETCH(bool, fd);
    QFETCH(bool, brs);
    QFETCH(QByteArray, data);
    QFETCH(int, totalBits);
    QFETCH(int, stuffBits);
    QFETCH(int, crcLength);
    const CanFrameBits bits(idWord, uint8_t(data.size()),
                            reinterpret_cast<const uint8_t *>(data.constData()), fd, brs);
    QCOMPARE(bits.totalBits(), totalBits);
    QCOMPARE(bits.stuffBits(), stuffBits);
    QCOMPARE(bits.crcLength(), crcLength);
    QCOMPARE(bits.dataPhaseBits() != 0, brs);
}

// CRC-15/CAN: polynomial 0x4599, initial value 0, check value 0x059E over "123456789".
void tst_CanFrameBits::crc15CheckValue()
{
    QVector<uint8_t> bits;
    for (char c : QByteArray("123456789")) {
        for (int i = 7; i >= 0; --i)
            bits.append(uint8_t((c >> i) & 1));
    }
    QCOMPARE(CanFrameBits::crc15(bits.constData(), bits.size()), uint16_t(0x059E));
}

// Any 8-byte standard data frame: 111 bits without stuffing, at most 135 with the worst
// case (one stuff bit per four bits after the first of the 98 stuffed bits).
void tst_CanFrameBits::classicStuffingBounds()
{
    std::mt19937 random(7);
    int shortest = 1000, longest = 0;
    for (int n = 0; n < 20000; ++n) {
        uint8_t data[8];
        for (uint8_t &byte : data)
            byte = uint8_t(random() & 0xFF);
        const CanFrameBits bits(random() & 0x7FF, 8, data, false, false);
        shortest = std::min(shortest, bits.totalBits());
        longest = std::max(longest, bits.totalBits());
    }
    QVERIFY(shortest >= 111);
    QVERIFY(longest <= 135);
    QVERIFY(longest > shortest);
    // At 1 Mbit/s: between 7,407 and 9,009 frames per second.
    const uint8_t alternating[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    const CanFrameBits unstuffed(0x2AA, 8, alternating, false, false);
    QCOMPARE(1000000000ull / unstuffed.durationNs(1000000, 0), 9009ull);
}

void tst_CanFrameBits::bitRateSwitchSplitsPhases_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("arbitrationBits");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<qulonglong>("nsAt1M5M");
    // id 0x000, zero data: SOF..BRS 17 bits + 2 stuff + 13 footer at the arbitration rate;
    // ESI, DLC, data, stuff count, CRC and fixed stuff bits at the data rate.
    QTest::newRow("0 bytes") << 0 << 32 << 5 + 27 << qulonglong(32000 + 6400);
    QTest::newRow("8 bytes") << 8 << 32 << 5 + 64 + 13 + 27 << qulonglong(32000 + 21800);
    // The dynamic stuff bit due after the last data bit is left out: the fixed stuff bit
    // opening the CRC field follows there.
    QTest::newRow("64 bytes") << 64 << 32 << 5 + 512 + 102 + 32 << qulonglong(32000 + 130200);
}

void tst_CanFrameBits::bitRateSwitchSplitsPhases()
{
    QFETCH(int, length);
    QFETCH(int, arbitrationBits);
    QFETCH(int, dataBits);
    QFETCH(qulonglong, nsAt1M5M);
    const QByteArray data(length, char(0));
    const CanFrameBits bits(0, uint8_t(length), reinterpret_cast<const uint8_t *>(data.data()),
                            true, true);
    QCOMPARE(bits.arbitrationPhaseBits(), arbitrationBits);
    QCOMPARE(bits.dataPhaseBits(), dataBits);
    QCOMPARE(bits.durationNs(1000000, 5000000), nsAt1M5M);
    const CanFrameBits slow(0, uint8_t(length), reinterpret_cast<const uint8_t *>(data.data()),
                            true, false);
    QCOMPARE(slow.dataPhaseBits(), 0);
}

QTEST_APPLESS_MAIN(tst_CanFrameBits)
#include "tst_canframebits.moc"
