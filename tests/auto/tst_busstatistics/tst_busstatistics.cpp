// Bus statistics: the load each channel shows against the simulated wire's own busy time
// at light, half and near-full load (classic and CAN FD with bit-rate switch), counts by
// kind with error frames apart, a backlog read at once, the rates the device layer keeps,
// and a receive FIFO overflow reaching the statistics window and the operation log.

#include "app/displayrefresh.h"
#include "device/canframebits.h"
#include "receive/frameformat.h"
#include "statistics/busanalysis.h"
#include "statistics/busstatisticswindow.h"
#include "tests/shared/simulatedbus.h"
#include "tests/shared/windowfixture.h"
#include "tests/shared/windowparts.h"

#include <QTextEdit>
#include <QtTest>

#include <vector>

namespace {

SimulatorConfig oneMessage(const QString &line)
{
    SimulatorConfig config;
    config.traffic = true;
    config.trafficMode = SimTrafficMode::Nodes;
    config.nodes = QStringList{line};
    return config;
}

// Everything channel ch received so far, formatted as the receive thread does.
QList<ModelItem> drain(SimulatedBus &bus, int ch)
{
    QList<ModelItem> items;
    std::vector<CanRxRecord> classic(4096);
    std::vector<CanFdRxRecord> fd(4096);
    const uint32_t n = bus.sim.receive(bus.handle[ch], classic.data(), 4096, 0);
    for (uint32_t i = 0; i < n; ++i)
        items.append(formatRxFrame(uint32_t(ch), classic[i], true));
    const uint32_t m = bus.sim.receiveFd(bus.handle[ch], fd.data(), 4096, 0);
    for (uint32_t i = 0; i < m; ++i)
        items.append(formatRxFdFrame(uint32_t(ch), fd[i], true));
    return items;
}

CanRxRecord classicRecord(uint32_t id, uint8_t length, uint64_t timeUs)
{
    CanRxRecord r{};
    r.id = id;
    r.length = length;
    for (int i = 0; i < 8; ++i)
        r.data[i] = uint8_t(0x11 * i);
    r.timeStamp = timeUs;
    return r;
}

} // namespace

class tst_BusStatistics : public QObject
{
    Q_OBJECT

private slots:
    void loadMatchesTheWire_data();
    void loadMatchesTheWire();
    void countsByKind();
    void backlogCountsOverItsWireTime();
    void unknownRatesShowNoLoad();
    void deviceLayerKeepsTheRates_data();
    void deviceLayerKeepsTheRates();
    void lossesGrowOnceAndAreLogged();
    void fifoOverflowReachesWindowAndLog();
};

// One node message whose period sets the load; the wire's busy time over one second
// against the load channel 2 shows for the frames it received in that second.
void tst_BusStatistics::loadMatchesTheWire_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("length");
    QTest::addColumn<uint>("arbitration");
    QTest::addColumn<uint>("data");
    QTest::addColumn<double>("target");
    for (double target : {0.10, 0.50, 0.95}) {
        const QByteArray percent = QByteArray::number(int(target * 100));
        QTest::newRow("classic 500k " + percent) << "can" << 8 << 500000u << 2000000u << target;
        QTest::newRow("fd brs 64 bytes " + percent)
            << "brs" << 64 << 1000000u << 5000000u << target;
        QTest::newRow("fd brs 8 bytes " + percent) << "brs" << 8 << 125000u << 1000000u << target;
    }
}

void tst_BusStatistics::loadMatchesTheWire()
{
    QFETCH(QString, kind);
    QFETCH(int, length);
    QFETCH(uint, arbitration);
    QFETCH(uint, data);
    QFETCH(double, target);
    const uint8_t payload[64] = {};
    const bool fd = kind != QLatin1String("can");
    const double frameUs =
        double(
            CanFrameBits(0x123, uint8_t(length), payload, fd, fd).durationNs(arbitration, data)) /
        1000.0;
    const QString line = QStringLiteral("0x123 std %1 %2 %3 0 counter")
                             .arg(length)
                             .arg(kind)
                             .arg(frameUs / target / 1000.0, 0, 'f', 4);
    SimulatedBus bus(oneMessage(line));
    QVERIFY(bus.open(0, 0, arbitration, data));
    bus.clock->advanceUs(500000);
    drain(bus, 1);

    BusStatistics statistics;
    const uint32_t arb[2] = {arbitration, arbitration}, dat[2] = {data, data};
    for (int second = 0; second < 3; ++second) {
        const uint64_t busyBefore = bus.sim.wireBusyNs(0);
        for (int step = 0; step < 10; ++step) {
            bus.clock->advanceUs(100000);
            statistics.take(drain(bus, 1));
        }
        statistics.closeSecond(1000000000, arb, dat);
        const double wire = double(bus.sim.wireBusyNs(0) - busyBefore) / 1e9;
        const double shown = statistics.channel(1).load.current();
        QVERIFY2(std::abs(shown - wire) < 0.01,
                 qPrintable(QStringLiteral("shown %1, wire %2").arg(shown).arg(wire)));
        QVERIFY(std::abs(wire - target) < 0.05);
    }
    QCOMPARE(bus.sim.droppedFrames(1), 0u);
    QVERIFY(std::abs(statistics.channel(1).load.average() - target) < 0.05);
    QCOMPARE(statistics.channel(0).load.current(), 0.0); // channel 1 sent nothing itself
}

void tst_BusStatistics::countsByKind()
{
    QList<ModelItem> records;
    records << formatRxFrame(0, classicRecord(0x100, 8, 10), true)
            << formatRxFrame(0, classicRecord(0x18DAF110 | CanExtendedFlag, 4, 20), true)
            << formatRxFrame(0, classicRecord(0x200 | CanRemoteFlag, 2, 30), true)
            << formatRxFrame(0, classicRecord(CanErrorFlag | 0x088, 8, 40), true);
    CanFdTxRecord fd{};
    fd.id = 0x300;
    fd.length = 64;
    fd.flags = 1;
    records << formatTxFdFrame(0, fd);
    fd.flags = 0;
    fd.length = 12;
    records << formatTxFdFrame(1, fd);
    ModelItem fromText; // a row read back from a file: no frame behind it
    fromText.channel = 0;
    records << fromText;

    BusStatistics statistics;
    statistics.take(records);
    const uint32_t rates[2] = {500000, 500000}, data[2] = {2000000, 2000000};
    statistics.closeSecond(1000000000, rates, data);
    const FrameKindCounts &c = statistics.channel(0).totals;
    QCOMPARE(c.frames, 5u);
    QCOMPARE(c.classic, 3u);
    QCOMPARE(c.fd, 1u);
    QCOMPARE(c.fdBitRateSwitch, 1u);
    QCOMPARE(c.standard, 3u);
    QCOMPARE(c.extended, 1u);
    QCOMPARE(c.data, 3u);
    QCOMPARE(c.remote, 1u);
    QCOMPARE(c.error, 1u);
    QCOMPARE(c.payloadBytes, 8u + 4u + 64u); // remote and error frames carry none
    QCOMPARE(statistics.channel(0).framesPerSecond, 5.0);
    QCOMPARE(statistics.channel(1).totals.fd, 1u);
    QCOMPARE(statistics.channel(1).totals.fdBitRateSwitch, 0u);

    // The load is the four frames' exact bits; the error frame adds none.
    const uint8_t bytes[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    uint8_t zeros[64] = {};
    double busyNs = double(
        CanFrameBits(0x100, 8, bytes, false, false).durationNs(500000, 0) +
        CanFrameBits(0x18DAF110 | CanExtendedFlag, 4, bytes, false, false).durationNs(500000, 0) +
        CanFrameBits(0x200 | CanRemoteFlag, 2, bytes, false, false).durationNs(500000, 0) +
        CanFrameBits(0x300, 64, zeros, true, true).durationNs(500000, 2000000));
    QVERIFY(std::abs(statistics.channel(0).load.current() - busyNs / 1e9) < 1e-6);

    statistics.reset();
    QCOMPARE(statistics.channel(0).totals.frames, 0u);
    QCOMPARE(statistics.channel(0).load.peak(), 0.0);
    QCOMPARE(statistics.channel(0).load.history().size(), 1); // the plot goes on
}

// 3 s of frames read at once: their load counts over the 3 s of adapter time they cover.
void tst_BusStatistics::backlogCountsOverItsWireTime()
{
    QList<ModelItem> backlog;
    for (uint64_t us = 0; us <= 3000000; us += 1000)
        backlog << formatRxFrame(0, classicRecord(0x100, 8, 5000000 + us), true);
    BusStatistics statistics;
    statistics.take(backlog);
    const uint32_t rates[2] = {500000, 500000}, data[2] = {2000000, 2000000};
    statistics.closeSecond(1000000000, rates, data);
    const uint8_t bytes[8] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    const double frameNs =
        double(CanFrameBits(0x100, 8, bytes, false, false).durationNs(500000, 0));
    const double expected = frameNs * backlog.size() / 3e9;
    QVERIFY2(std::abs(statistics.channel(0).load.current() - expected) < 0.001,
             qPrintable(QString::number(statistics.channel(0).load.current())));

    // The next second's frames carry on from the backlog's last stamp.
    QList<ModelItem> next;
    for (uint64_t us = 1000; us <= 1000000; us += 2000)
        next << formatRxFrame(0, classicRecord(0x100, 8, 8000000 + us), true);
    statistics.take(next);
    statistics.closeSecond(1000000000, rates, data);
    QVERIFY(std::abs(statistics.channel(0).load.current() - frameNs * next.size() / 1e9) < 0.001);

    // The classic queue's backlog (2 s) then the CAN FD queue's (6 s), read in one pass:
    // the window covers the 6 s.
    BusStatistics interleaved;
    QList<ModelItem> both;
    for (uint64_t us = 0; us <= 2000000; us += 1000)
        both << formatRxFrame(0, classicRecord(0x100, 8, us), true);
    CanFdRxRecord fd{};
    fd.id = 0x200;
    fd.length = 8;
    for (uint64_t us = 500; us <= 6000000; us += 10000) {
        fd.timeStamp = us;
        both << formatRxFdFrame(0, fd, true);
    }
    interleaved.take(both);
    interleaved.closeSecond(1000000000, rates, data);
    const double fdNs = double(CanFrameBits(0x200, 8, fd.data, true, false).durationNs(500000, 0));
    const double spread = (frameNs * 2001 + fdNs * 600) / 6e9;
    QVERIFY2(std::abs(interleaved.channel(0).load.current() - spread) < 0.001,
             qPrintable(QString::number(interleaved.channel(0).load.current())));
}

void tst_BusStatistics::unknownRatesShowNoLoad()
{
    BusStatistics statistics;
    statistics.take({formatRxFrame(0, classicRecord(0x100, 8, 1), true)});
    const uint32_t none[2] = {0, 0};
    statistics.closeSecond(1000000000, none, none);
    QVERIFY(!statistics.channel(0).load.known());
    QCOMPARE(statistics.channel(0).load.history().last(), -1.0f);
    BusStatisticsWindow window;
    LossWatch losses;
    window.showStatistics(statistics, losses);
    QCOMPARE(window.cellText(BusStatisticsWindow::LoadCurrent, 0), QStringLiteral("—"));
    QCOMPARE(window.cellText(BusStatisticsWindow::Frames, 0), QStringLiteral("1"));
    QCOMPARE(window.cellText(BusStatisticsWindow::FifoOverflow, 0), QStringLiteral("—"));
}

void tst_BusStatistics::deviceLayerKeepsTheRates_data()
{
    QTest::addColumn<QString>("custom");
    QTest::addColumn<uint>("arbitration");
    QTest::addColumn<uint>("data");
    QTest::newRow("set rates") << QString() << 250000u << 4000000u;
    QTest::newRow("custom two") << "1.0M(80%),5.0M(75%),(60,06050002)" << 1000000u << 5000000u;
    QTest::newRow("custom one") << "500k(87.5%)" << 500000u << 500000u;
    QTest::newRow("custom none") << "sample point 60%" << 0u << 0u;
}

void tst_BusStatistics::deviceLayerKeepsTheRates()
{
    QFETCH(QString, custom);
    QFETCH(uint, arbitration);
    QFETCH(uint, data);
    WindowFixture fixture;
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    if (custom.isEmpty())
        QVERIFY(setBaudRate(1, arbitration, data));
    else
        QVERIFY(setCustomBaudRate(1, custom));
    QCOMPARE(channelBitRates(1).arbitration, arbitration);
    QCOMPARE(channelBitRates(1).data, data);
    QCOMPARE(channelBitRates(0).arbitration, 0u);
    closeDevice();
    QCOMPARE(channelBitRates(1).arbitration, 0u);
}

void tst_BusStatistics::lossesGrowOnceAndAreLogged()
{
    setLanguageIndex(0);
    LossWatch watch;
    ReceiveLosses now[2];
    now[0].fifoOverflow = 0;
    now[1].backendDropped = 0;
    QVERIFY(watch.update(now).isEmpty());
    now[0].fifoOverflow = 37;
    QCOMPARE(watch.update(now),
             QStringList{QStringLiteral("通道1丢失37帧（适配器接收 FIFO 溢出）")});
    QVERIFY(watch.update(now).isEmpty()); // no growth, no line
    now[1].backendDropped = 5;
    setLanguageIndex(2);
    QCOMPARE(watch.update(now), QStringList{QStringLiteral(
                                    "Channel 2 lost 5 frames (QtSerialBus receive queue full)")});
    setLanguageIndex(0);
    QCOMPARE(watch.fifoOverflow(0), 37);
    QCOMPARE(watch.backendDropped(1), 5);
    QCOMPARE(watch.backendDropped(0), -1); // not kept by that backend
    watch.reset();
    QCOMPARE(watch.fifoOverflow(0), 0);
    now[0].fifoOverflow = 3; // a new backend counts from 0 again
    QCOMPARE(watch.update(now).size(), 1);
    QCOMPARE(watch.fifoOverflow(0), 3);
}

// The receive threads are not running: channel 2's FIFO of 16 fills and the rest is lost.
// The one-second update shows the loss in the window and writes it to the log.
void tst_BusStatistics::fifoOverflowReachesWindowAndLog()
{
    WindowFixture fixture;
    MainWindow *window = fixture.open();
    fixture.sim->setQueueLimit(16);
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    for (uint32_t ch = 0; ch < 2; ++ch) {
        QVERIFY(setBaudRate(ch, 1000000, 5000000));
        QVERIFY(initCan(ch, 0));
        QVERIFY(startCan(ch));
    }
    std::vector<CanTxRecord> tx(40);
    for (size_t i = 0; i < tx.size(); ++i) {
        tx[i].id = 0x100 + uint32_t(i);
        tx[i].length = 8;
    }
    QVERIFY(transmitCan(0, tx.data(), uint32_t(tx.size())));
    QTRY_COMPARE(receiveLosses(1).fifoOverflow, 24);
    window->updateRates();
    auto *analysis = window->findChild<BusAnalysis *>();
    QVERIFY(analysis);
    QCOMPARE(analysis->losses().fifoOverflow(1), 24);
    QCOMPARE(analysis->statisticsWindow()->cellText(BusStatisticsWindow::FifoOverflow, 1),
             QStringLiteral("24"));
    QVERIFY(logTextOf(window)->toPlainText().contains(
        QStringLiteral("通道2丢失24帧（适配器接收 FIFO 溢出）")));
    closeDevice();
}

QTEST_MAIN(tst_BusStatistics)
#include "tst_busstatistics.moc"
