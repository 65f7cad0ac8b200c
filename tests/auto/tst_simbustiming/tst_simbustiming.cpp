// Time on the simulated wire: frames serialised at the channel's rates, receive and echo
// time stamps at the end of frame, arbitration between the two channels, the transmit
// FIFO's limit and wait, and separate wires. Bus time is a virtual clock, so every figure
// is exact and nothing depends on the machine's speed.

#include "device/canframebits.h"
#include "tests/shared/simulatedbus.h"

#include <QtTest>

#include <cstring>
#include <vector>

namespace {

struct FrameKind
{
    const char *name;
    uint32_t idWord;
    bool fd;
    bool brs;
    uint8_t length;
};

const FrameKind Kinds[] = {
    {"std 0", 0x123, false, false, 0},
    {"std 8", 0x123, false, false, 8},
    {"ext 0", 0x18DAF110u | CanExtendedFlag, false, false, 0},
    {"ext 8", 0x18DAF110u | CanExtendedFlag, false, false, 8},
    {"fd 8", 0x123, true, false, 8},
    {"fd 64", 0x123, true, false, 64},
    {"fd brs 8", 0x123, true, true, 8},
    {"fd brs 64", 0x123, true, true, 64},
};

CanFdTxRecord fdRecord(uint32_t idWord, uint8_t length, bool brs, uint32_t type = 0)
{
    CanFdTxRecord tx{};
    tx.id = idWord;
    tx.length = length;
    tx.flags = brs ? 1 : 0;
    for (uint8_t i = 0; i < length; ++i)
        tx.data[i] = uint8_t(0x31 * i + 7);
    tx.transmitType = type;
    return tx;
}

CanTxRecord classicRecord(uint32_t idWord, uint8_t length, uint32_t type = 0)
{
    CanTxRecord tx{};
    tx.id = idWord;
    tx.length = length;
    for (uint8_t i = 0; i < length; ++i)
        tx.data[i] = uint8_t(0x31 * i + 7);
    tx.transmitType = type;
    return tx;
}

// Time stamps of everything waiting in channel ch's classic and CAN FD FIFOs.
std::vector<uint64_t> stamps(SimulatedBus &bus, int ch, std::vector<uint32_t> *ids = nullptr)
{
    std::vector<uint64_t> result;
    std::vector<CanRxRecord> classic(4096);
    const uint32_t n = bus.sim.receive(bus.handle[ch], classic.data(), 4096, 0);
    for (uint32_t i = 0; i < n; ++i) {
        result.push_back(classic[i].timeStamp);
        if (ids)
            ids->push_back(classic[i].id);
    }
    std::vector<CanFdRxRecord> fd(4096);
    const uint32_t m = bus.sim.receiveFd(bus.handle[ch], fd.data(), 4096, 0);
    for (uint32_t i = 0; i < m; ++i) {
        result.push_back(fd[i].timeStamp);
        if (ids)
            ids->push_back(fd[i].id);
    }
    return result;
}

} // namespace

class tst_SimBusTiming : public QObject
{
    Q_OBJECT

private slots:
    void backToBackFramesSpacedByDuration_data();
    void backToBackFramesSpacedByDuration();
    void echoCarriesItsEndOfFrame();
    void customRateTextGivesRates();
    void arbitration_data();
    void arbitration();
    void transmitFifoWaitsForRoom();
    void refusedBatchesQueueNothing();
    void separateWires();
};

void tst_SimBusTiming::backToBackFramesSpacedByDuration_data()
{
    QTest::addColumn<uint>("idWord");
    QTest::addColumn<bool>("fd");
    QTest::addColumn<bool>("brs");
    QTest::addColumn<int>("length");
    QTest::addColumn<uint>("arbitration");
    QTest::addColumn<uint>("data");
    const uint rates[][2] = {
        {125000, 125000}, {500000, 500000}, {1000000, 1000000}, {1000000, 5000000}};
    for (const auto &rate : rates) {
        for (const FrameKind &kind : Kinds) {
            if (kind.brs && rate[1] == rate[0])
                continue; // BRS at one rate is the same as no BRS
            QTest::addRow("%s at %u/%u", kind.name, rate[0], rate[1])
                << kind.idWord << kind.fd << kind.brs << int(kind.length) << rate[0] << rate[1];
        }
    }
}

void tst_SimBusTiming::backToBackFramesSpacedByDuration()
{
    QFETCH(uint, idWord);
    QFETCH(bool, fd);
    QFETCH(bool, brs);
    QFETCH(int, length);
    QFETCH(uint, arbitration);
    QFETCH(uint, data);
    SimulatedBus bus;
    QVERIFY(bus.open(0, 0, arbitration, data));
    constexpr uint32_t Count = 20;
    const uint64_t sentAtUs = bus.sim.deviceTimeUs();
    if (fd) {
        std::vector<CanFdTxRecord> tx(Count, fdRecord(idWord, uint8_t(length), brs));
        QCOMPARE(bus.sim.transmitFd(bus.handle[0], tx.data(), Count), 1u);
    } else {
        std::vector<CanTxRecord> tx(Count, classicRecord(idWord, uint8_t(length)));
        QCOMPARE(bus.sim.transmit(bus.handle[0], tx.data(), Count), 1u);
    }
    const CanFdTxRecord shape = fdRecord(idWord, uint8_t(length), brs);
    const CanFrameBits bits(idWord, uint8_t(length), shape.data, fd, brs);
    const double durationUs = bits.durationNs(arbitration, brs ? data : arbitration) / 1000.0;

    bus.clock->advanceUs(uint64_t(durationUs * Count) / 2); // half of them have gone out
    const size_t half = stamps(bus, 1).size();
    QVERIFY(half >= Count / 2 - 1 && half <= Count / 2 + 1);
    bus.clock->advanceUs(uint64_t(durationUs * Count));
    std::vector<uint64_t> received = stamps(bus, 1);
    QCOMPARE(received.size(), size_t(Count - half));
    // The last frame's EOF ends 3 intermission bits before the wire is free again.
    const double lastEndUs = sentAtUs + durationUs * Count - 3e6 / arbitration;
    QVERIFY2(std::abs(double(received.back()) - lastEndUs) <= 1.0,
             qPrintable(QStringLiteral("%1 vs %2").arg(received.back()).arg(lastEndUs)));
    for (size_t i = 1; i < received.size(); ++i) {
        const double spacing = double(received[i] - received[i - 1]);
        QVERIFY2(
            std::abs(spacing - durationUs) <= 1.0,
            qPrintable(
                QStringLiteral("%1 us apart, frame takes %2 us").arg(spacing).arg(durationUs)));
    }
}

void tst_SimBusTiming::echoCarriesItsEndOfFrame()
{
    SimulatedBus bus;
    QVERIFY(bus.open());
    const CanTxRecord tx[3] = {classicRecord(0x10, 8, 2), classicRecord(0x11, 8, 0),
                               classicRecord(0x12, 8, 3)};
    QCOMPARE(bus.sim.transmit(bus.handle[0], tx, 3), 1u);
    bus.settle();
    std::vector<uint32_t> echoIds, peerIds;
    const std::vector<uint64_t> echoes = stamps(bus, 0, &echoIds);
    const std::vector<uint64_t> peer = stamps(bus, 1, &peerIds);
    QCOMPARE(echoIds, (std::vector<uint32_t>{0x10, 0x12}));
    QCOMPARE(peer.size(), size_t(3));
    QCOMPARE(echoes[0], peer[0]);
    QCOMPARE(echoes[1], peer[2]);
    QVERIFY(peer[0] > 0);
}

// "250k/1M" style texts (and the vendor's "1.0M(80%),4.0M(80%)") give the wire its rates.
void tst_SimBusTiming::customRateTextGivesRates()
{
    SimulatedBus bus;
    QVERIFY(bus.open());
    QVERIFY(bus.property("0/baud_rate_custom", "250k(87.5%),1.0M(75%)"));
    QVERIFY(bus.property("1/baud_rate_custom", "250k(87.5%),1.0M(75%)"));
    const CanTxRecord tx[2] = {classicRecord(0x7, 8), classicRecord(0x7, 8)};
    QCOMPARE(bus.sim.transmit(bus.handle[0], tx, 2), 1u);
    bus.settle();
    const std::vector<uint64_t> received = stamps(bus, 1);
    QCOMPARE(received.size(), size_t(2));
    const CanFrameBits bits(0x7, 8, tx[0].data, false, false);
    QCOMPARE(received[1] - received[0], uint64_t(bits.totalBits() * 4)); // 4 us per bit
}

void tst_SimBusTiming::arbitration_data()
{
    QTest::addColumn<uint>("first");  // queued on channel 1
    QTest::addColumn<uint>("second"); // queued on channel 2 at the same time
    QTest::addColumn<bool>("secondWins");
    const uint ext = CanExtendedFlag;
    QTest::newRow("lower id wins") << 0x300u << 0x200u << true;
    QTest::newRow("higher id loses") << 0x100u << 0x200u << false;
    QTest::newRow("standard before extended, same top bits")
        << (0x200u << 18 | ext) << 0x200u << true;
    QTest::newRow("extended with lower top bits wins")
        << 0x100u << (0x0FFu << 18 | 0x3FFFF | ext) << true;
    QTest::newRow("data before remote") << (0x200u | CanRemoteFlag) << 0x200u << true;
    QTest::newRow("standard remote before extended data")
        << (0x200u << 18 | ext) << (0x200u | CanRemoteFlag) << true;
    QTest::newRow("extended: lower low bits win")
        << (0x1234567u | ext) << (0x1234566u | ext) << true;
}

void tst_SimBusTiming::arbitration()
{
    QFETCH(uint, first);
    QFETCH(uint, second);
    QFETCH(bool, secondWins);
    SimulatedBus bus;
    QVERIFY(bus.open());
    // Channel 1 occupies the wire; meanwhile both queue one frame, which then contend.
    const CanTxRecord busy[2] = {classicRecord(0x7FF, 8, 2), classicRecord(first, 4, 2)};
    QCOMPARE(bus.sim.transmit(bus.handle[0], busy, 2), 1u);
    const CanTxRecord other = classicRecord(second, 4, 2);
    QCOMPARE(bus.sim.transmit(bus.handle[1], &other, 1), 1u);
    bus.settle();
    std::vector<uint32_t> order;
    stamps(bus, 0, &order); // channel 1 sees its echoes and channel 2's frame in wire order
    QCOMPARE(order.size(), size_t(3));
    QCOMPARE(order[0], 0x7FFu);
    QCOMPARE(order[1], secondWins ? second : first);
    QCOMPARE(order[2], secondWins ? first : second);
}

// 2,000 8-byte standard frames at 500 kbit/s, in the send thread's batches: each call
// waits until its batch fits the FIFO, so the job takes as long as the bus needs (0.44 to
// 0.54 s of bus time) and every frame arrives.
void tst_SimBusTiming::transmitFifoWaitsForRoom()
{
    SimulatorConfig config;
    SimulatedBus bus(config);
    QVERIFY(bus.open());
    constexpr uint32_t Total = 2000, Batch = 256;
    const uint64_t startUs = bus.sim.deviceTimeUs();
    uint32_t sent = 0;
    std::vector<uint32_t> ids;
    while (sent < Total) {
        const uint32_t n = std::min(Batch, Total - sent);
        std::vector<CanTxRecord> tx(n);
        for (uint32_t i = 0; i < n; ++i) {
            tx[i] = classicRecord((sent + i) & 0x7FF, 8);
            tx[i].data[0] = uint8_t(sent + i);
        }
        QCOMPARE(bus.sim.transmit(bus.handle[0], tx.data(), n), 1u);
        QVERIFY(bus.sim.pendingTransmits(0) <= config.txFifoDepth + 1); // + the one on the wire
        sent += n;
        stamps(bus, 1, &ids); // the reader keeps up, as the receive thread does
    }
    while (bus.sim.pendingTransmits(0) != 0)
        bus.settle();
    const std::vector<uint64_t> last = stamps(bus, 1, &ids);
    QVERIFY(!last.empty());
    const double seconds = (last.back() - startUs) / 1e6;
    QCOMPARE(ids.size(), size_t(Total));
    for (uint32_t i = 0; i < Total; ++i)
        QCOMPARE(ids[i], i & 0x7FF);
    QCOMPARE(bus.sim.droppedFrames(1), 0u);
    QVERIFY2(seconds >= 0.44 && seconds <= 0.54, qPrintable(QString::number(seconds)));
}

void tst_SimBusTiming::refusedBatchesQueueNothing()
{
    SimulatorConfig config;
    config.txFifoDepth = 16;
    SimulatedBus bus(config);
    QVERIFY(bus.open());
    std::vector<CanTxRecord> tx(17, classicRecord(0x1, 8));
    QCOMPARE(bus.sim.transmit(bus.handle[0], tx.data(), 17), 0u); // never fits
    QCOMPARE(bus.sim.pendingTransmits(0), size_t(0));
    QCOMPARE(bus.sim.transmit(bus.handle[0], tx.data(), 16), 1u);
    QCOMPARE(bus.sim.resetCan(bus.handle[0]), 1u); // what was still queued goes
    QVERIFY(bus.sim.pendingTransmits(0) <= 1);
    bus.settle();
    QVERIFY(stamps(bus, 1).size() <= 1);
}

void tst_SimBusTiming::separateWires()
{
    SimulatorConfig config;
    config.separateWires = true;
    SimulatedBus bus(config);
    QVERIFY(bus.open());
    const CanTxRecord a[2] = {classicRecord(0x20, 8, 2), classicRecord(0x21, 8, 2)};
    const CanTxRecord b[2] = {classicRecord(0x10, 8, 2), classicRecord(0x11, 8, 2)};
    const uint64_t start = bus.sim.deviceTimeUs();
    QCOMPARE(bus.sim.transmit(bus.handle[0], a, 2), 1u);
    QCOMPARE(bus.sim.transmit(bus.handle[1], b, 2), 1u);
    bus.settle();
    std::vector<uint32_t> first, second;
    const std::vector<uint64_t> s0 = stamps(bus, 0, &first);
    const std::vector<uint64_t> s1 = stamps(bus, 1, &second);
    QCOMPARE(first, (std::vector<uint32_t>{0x20, 0x21})); // only its own echoes
    QCOMPARE(second, (std::vector<uint32_t>{0x10, 0x11}));
    // Both wires run at once: no waiting for the other channel's frames.
    const CanFrameBits bits(0x10, 8, b[0].data, false, false);
    QVERIFY(s1[0] - start < bits.durationNs(500000, 0) / 1000 + 1);
    QVERIFY(s0[0] - start < bits.durationNs(500000, 0) / 1000 + 1);
}

QTEST_GUILESS_MAIN(tst_SimBusTiming)
#include "tst_simbustiming.moc"
