// The simulated nodes: their message lines, their periods and patterns on the wire, their
// share of the bus, arbitration against the channels' own frames, and the error frames a
// channel of another bit timing sees. Bus time is a virtual clock.

#include "device/adapterconfig.h"
#include "device/canerrorframe.h"
#include "device/sim/simnodes.h"
#include "tests/shared/simulatedbus.h"
#include "tests/shared/testsetup.h"

#include <QtTest>

#include <vector>

namespace {

SimulatorConfig nodesConfig(const QStringList &lines)
{
    SimulatorConfig config;
    config.traffic = true;
    config.trafficMode = SimTrafficMode::Nodes;
    config.nodes = lines;
    return config;
}

std::vector<CanRxRecord> classicFrames(SimulatedBus &bus, int ch)
{
    std::vector<CanRxRecord> rx(4096);
    rx.resize(bus.sim.receive(bus.handle[ch], rx.data(), uint32_t(rx.size()), 0));
    return rx;
}

} // namespace

class tst_SimNodes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void messageLines_data();
    void messageLines();
    void periodAndCounter();
    void defaultListLoadsTheBusAboutAThird();
    void nodesContendWithTheChannels();
    void otherTimingSeesErrorFrames();
    void nodesStopWithTheChannels();
    void adapterFileGivesModeAndNodes();

private:
    TestHome home;
};

void tst_SimNodes::initTestCase()
{
    QVERIFY(home.setUp());
}

void tst_SimNodes::messageLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<uint>("idWord");
    QTest::addColumn<int>("length");
    QTest::addColumn<uint>("periodUs");
    QTest::newRow("classic") << "0x0C9 std 8 can 10 0.2 counter" << true << 0x0C9u << 8 << 10000u;
    QTest::newRow("extended constant") << "0x18FEF100 ext 8 can 100 1 constant:1122334455667788"
                                       << true << (0x18FEF100u | CanExtendedFlag) << 8 << 100000u;
    QTest::newRow("fd brs") << "0x180 std 32 brs 2.5 0 random" << true << 0x180u << 32 << 2500u;
    QTest::newRow("spaces and case")
        << "  0x10   STD 1 CAN 1 0 Counter " << true << 0x10u << 1 << 1000u;
    QTest::newRow("standard above 0x7FF")
        << "0x800 std 8 can 10 0 counter" << false << 0u << 0 << 0u;
    QTest::newRow("classic 9 bytes") << "0x100 std 9 can 10 0 counter" << false << 0u << 0 << 0u;
    QTest::newRow("fd 13 bytes") << "0x100 std 13 fd 10 0 counter" << false << 0u << 0 << 0u;
    QTest::newRow("period 0") << "0x100 std 8 can 0 0 counter" << false << 0u << 0 << 0u;
    QTest::newRow("odd hex") << "0x100 std 8 can 10 0 constant:123" << false << 0u << 0 << 0u;
    QTest::newRow("missing field") << "0x100 std 8 can 10 counter" << false << 0u << 0 << 0u;
    QTest::newRow("unknown pattern") << "0x100 std 8 can 10 0 sine" << false << 0u << 0 << 0u;
}

void tst_SimNodes::messageLines()
{
    QFETCH(QString, line);
    QFETCH(bool, valid);
    SimNodeMessage message;
    QString error;
    QCOMPARE(SimNodeMessage::parse(line, &message, &error), valid);
    if (!valid) {
        QVERIFY(error.contains(line.trimmed()));
        return;
    }
    QFETCH(uint, idWord);
    QFETCH(int, length);
    QFETCH(uint, periodUs);
    QCOMPARE(message.idWord, idWord);
    QCOMPARE(int(message.length), length);
    QCOMPARE(message.periodUs, periodUs);
    QStringList errors;
    QCOMPARE(parseSimNodeLines(defaultSimNodeLines(), &errors).size(),
             size_t(defaultSimNodeLines().size()));
    QVERIFY(errors.isEmpty());
}

// Without jitter a message starts exactly every period; its counter counts its instances.
void tst_SimNodes::periodAndCounter()
{
    SimulatedBus bus(nodesConfig({"0x123 std 8 can 10 0 counter"}));
    QVERIFY(bus.open());
    bus.clock->advanceUs(1000000);
    const std::vector<CanRxRecord> rx = classicFrames(bus, 1);
    QVERIFY(rx.size() >= 99 && rx.size() <= 101);
    QCOMPARE(classicFrames(bus, 0).size(), rx.size()); // both channels hear the nodes
    for (size_t i = 1; i < rx.size(); ++i) {
        QCOMPARE(rx[i].id, 0x123u);
        // Start of frame every 10 ms; the end moves with the counter's stuff bits (2 us each).
        QVERIFY(std::abs(int64_t(rx[i].timeStamp - rx[i - 1].timeStamp) - 10000) <= 30);
        QCOMPARE(uint8_t(rx[i].data[0] - rx[i - 1].data[0]), uint8_t(1));
    }
}

// The default messages take about 30 % of a wire at the default rates (1 Mbit/s and
// 5 Mbit/s), and nothing is skipped at that load.
void tst_SimNodes::defaultListLoadsTheBusAboutAThird()
{
    SimulatedBus bus(nodesConfig(QStringList()));
    QVERIFY(bus.open(0, 0, 1000000, 5000000));
    bus.clock->advanceUs(2000000);
    const uint64_t busyNs = bus.sim.wireBusyNs(0);
    bus.clock->advanceUs(10000000);
    const double load = double(bus.sim.wireBusyNs(0) - busyNs) / 10e9;
    qInfo("default nodes: %.1f %% load", load * 100);
    QVERIFY2(load > 0.25 && load < 0.35, qPrintable(QString::number(load)));
    double perSecond = 0;
    for (const SimNodeMessage &m : parseSimNodeLines(defaultSimNodeLines(), nullptr))
        perSecond += 1e6 / (m.periodUs + m.jitterUs / 2.0);
    bus.sim.setQueueLimit(1 << 20);
    const uint64_t before = bus.sim.droppedFrames(1);
    bus.clock->advanceUs(1000000);
    std::vector<CanRxRecord> classic(1 << 16);
    std::vector<CanFdRxRecord> fd(1 << 16);
    const uint32_t n = bus.sim.receive(bus.handle[1], classic.data(), 1 << 16, 0) +
                       bus.sim.receiveFd(bus.handle[1], fd.data(), 1 << 16, 0);
    QCOMPARE(bus.sim.droppedFrames(1), before);
    QVERIFY2(std::abs(n - perSecond) < perSecond * 0.05,
             qPrintable(QStringLiteral("%1 frames, %2 expected").arg(n).arg(perSecond)));
}

// A node's frame with a lower identifier wins the wire over a channel's waiting frames;
// every frame of both still goes out, the channel's in its own order.
void tst_SimNodes::nodesContendWithTheChannels()
{
    SimulatedBus bus(nodesConfig({"0x010 std 8 can 2 0 counter"}));
    QVERIFY(bus.open());
    std::vector<CanTxRecord> tx(40);
    for (size_t i = 0; i < tx.size(); ++i) {
        tx[i].id = 0x700 + uint32_t(i);
        tx[i].length = 8;
    }
    QCOMPARE(bus.sim.transmit(bus.handle[0], tx.data(), uint32_t(tx.size())), 1u);
    bus.clock->advanceUs(20000); // 40 frames of about 250 us and the node's every 2 ms
    const std::vector<CanRxRecord> rx = classicFrames(bus, 1);
    std::vector<uint32_t> own;
    std::vector<uint64_t> nodeStamps;
    for (const CanRxRecord &r : rx) {
        if (r.id == 0x010)
            nodeStamps.push_back(r.timeStamp);
        else
            own.push_back(r.id);
    }
    QCOMPARE(own.size(), tx.size());
    for (size_t i = 0; i < own.size(); ++i)
        QCOMPARE(own[i], 0x700 + uint32_t(i));
    QVERIFY(nodeStamps.size() >= 9);
    // The node waits at most for the frame on the wire when it falls due.
    for (size_t i = 1; i < nodeStamps.size(); ++i)
        QVERIFY(std::abs(int64_t(nodeStamps[i] - nodeStamps[i - 1]) - 2000) < 300);
}

// Channel 2 runs at another rate than the nodes (which took channel 1's): it sees an
// error frame for each of their frames, counted; channel 1 sees the frames.
void tst_SimNodes::otherTimingSeesErrorFrames()
{
    SimulatedBus bus(nodesConfig({"0x123 std 8 can 10 0 counter"}));
    QVERIFY(bus.open());
    QCOMPARE(bus.sim.resetCan(bus.handle[1]), 1u);
    QCOMPARE(bus.sim.setArbitrationBaudRate(bus.device, 1, 250000), 1u);
    ChannelInitConfig init{};
    bus.handle[1] = bus.sim.initCan(bus.device, 1, &init);
    QCOMPARE(bus.sim.startCan(bus.handle[1]), 1u);
    bus.clock->advanceUs(100000);
    const std::vector<CanRxRecord> good = classicFrames(bus, 0);
    const std::vector<CanRxRecord> bad = classicFrames(bus, 1);
    QVERIFY(good.size() >= 9);
    QCOMPARE(bad.size(), good.size());
    for (const CanRxRecord &r : bad)
        QVERIFY(CanErrorFrame::isErrorFrame(r.id));
    QCOMPARE(bus.sim.errorFrames(1), uint64_t(bad.size()));
    QCOMPARE(bus.sim.errorFrames(0), 0u);
}

void tst_SimNodes::nodesStopWithTheChannels()
{
    SimulatedBus bus(nodesConfig({"0x123 std 8 can 1 0 counter"}));
    QVERIFY(bus.open());
    bus.clock->advanceUs(10000);
    QVERIFY(!classicFrames(bus, 0).empty());
    QCOMPARE(bus.sim.resetCan(bus.handle[0]), 1u);
    QCOMPARE(bus.sim.resetCan(bus.handle[1]), 1u);
    const uint64_t busy = bus.sim.wireBusyNs(0);
    bus.clock->advanceUs(100000);
    QCOMPARE(bus.sim.wireBusyNs(0), busy);
    bus.sim.setTrafficEnabled(false);
    SimulatedBus quiet(nodesConfig({"0x123 std 8 can 1 0 counter"}));
    quiet.sim.setTrafficEnabled(false);
    QVERIFY(quiet.open());
    quiet.clock->advanceUs(10000);
    QVERIFY(classicFrames(quiet, 0).empty());
}

void tst_SimNodes::adapterFileGivesModeAndNodes()
{
    QFile::remove(adapterConfigPath());
    QVERIFY(loadAdapterSettings().simulator.trafficMode == SimTrafficMode::Nodes);
    QFile file(adapterConfigPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    file.close();
    QVERIFY(text.contains("TrafficMode=nodes\n"));
    QVERIFY(text.contains("[Nodes]\n"));
    const AdapterSettings defaults = loadAdapterSettings();
    QCOMPARE(defaults.simulator.nodes, defaultSimNodeLines());

    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Simulator]\nTrafficMode=flood\n[Nodes]\nMessage10=0x010 std 1 can 5 0 counter\n"
               "Message9=0x009 std 1 can 5 0 counter\n");
    file.close();
    const AdapterSettings edited = loadAdapterSettings();
    QVERIFY(edited.simulator.trafficMode == SimTrafficMode::Flood);
    QCOMPARE(edited.simulator.nodes,
             (QStringList{"0x009 std 1 can 5 0 counter", "0x010 std 1 can 5 0 counter"}));
}

QTEST_GUILESS_MAIN(tst_SimNodes)
#include "tst_simnodes.moc"
