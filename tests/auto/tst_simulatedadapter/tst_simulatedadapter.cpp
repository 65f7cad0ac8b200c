// The simulated Ferrule-2X: its bus between the two channels, filters, queues, hooks,
// update mode and generated traffic, used through the vendor interface.

#include "device/adapterconfig.h"
#include "device/firmwareimage.h"
#include "device/sim/simulatedadapter.h"
#include "tests/shared/simulatedbus.h"
#include "tests/shared/testsetup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Bus = SimulatedBus;

} // namespace

class tst_SimulatedAdapter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void classicFrameCrossesBus();
    void fdFrameCrossesBus();
    void selfReception_data();
    void selfReception();
    void listenOnly();
    void timingMismatch_data();
    void timingMismatch();
    void acceptanceFilter();
    void invalidRecordsRejected();
    void queueOverflowCounted();
    void concurrentTransmitReceive();
    void unplugAndReplug();
    void staleHandlesRejected();
    void updateModeTakesFirmware();
    void rejectedImageKeepsFirmware();
    void restartTakesImageLeftOnVolume();
    void trafficIsDeterministic();
    void trafficThreadProducesFrames();
    void defaultConfigWritten();

private:
    QTemporaryDir m_home;
};

void tst_SimulatedAdapter::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("LARKSPUR_HOME", m_home.path().toUtf8());
    qputenv("LARKSPUR_SIM_VOLUMES", (m_home.path() + "/volumes").toUtf8());
    qputenv("LARKSPUR_SIM_TRAFFIC", "0");
}

void tst_SimulatedAdapter::classicFrameCrossesBus()
{
    Bus bus;
    QVERIFY(bus.open());
    const uint64_t before = bus.sim.deviceTimeUs();
    QCOMPARE(bus.sendClassic(0, 0x123), 1u);
    bus.settle();
    CanRxRecord rx[4];
    QCOMPARE(bus.sim.receive(bus.handle[1], rx, 4, 0), 1u);
    QCOMPARE(rx[0].id, 0x123u);
    QCOMPARE(rx[0].length, uint8_t(8));
    QCOMPARE(rx[0].data[7], uint8_t(0xA7));
    QVERIFY(rx[0].timeStamp >= before);
    QVERIFY(rx[0].timeStamp <= bus.sim.deviceTimeUs());
    QCOMPARE(bus.fdWaiting(1), 0u);
    QCOMPARE(bus.classicWaiting(0), 0u); // normal transmit: no echo
    QCOMPARE(bus.sim.transmittedFrames(0), 1u);
}

void tst_SimulatedAdapter::fdFrameCrossesBus()
{
    Bus bus;
    QVERIFY(bus.open());
    QCOMPARE(bus.sendFd(1, 0x18DAF110u | CanExtendedFlag, 10, true), 1u);
    bus.settle();
    CanFdRxRecord rx[4];
    QCOMPARE(bus.sim.receiveFd(bus.handle[0], rx, 4, 0), 1u);
    QCOMPARE(rx[0].id, 0x18DAF110u | CanExtendedFlag);
    QCOMPARE(rx[0].length, uint8_t(12)); // padded to the next CAN FD size
    QCOMPARE(rx[0].flags, uint8_t(1));
    QCOMPARE(rx[0].data[9], uint8_t(0x5C));
    QCOMPARE(rx[0].data[10], uint8_t(0));
    QCOMPARE(bus.classicWaiting(0), 0u);
}

void tst_SimulatedAdapter::selfReception_data()
{
    QTest::addColumn<uint>("type");
    QTest::addColumn<uint>("echoed");
    QTest::newRow("normal") << 0u << 0u;
    QTest::newRow("single-shot") << 1u << 0u;
    QTest::newRow("self-reception") << 2u << 1u;
    QTest::newRow("single-shot self-reception") << 3u << 1u;
}

void tst_SimulatedAdapter::selfReception()
{
    QFETCH(uint, type);
    QFETCH(uint, echoed);
    Bus bus;
    QVERIFY(bus.open());
    QCOMPARE(bus.sendClassic(0, 0x321, type), 1u);
    QCOMPARE(bus.classicWaiting(0), echoed);
    QCOMPARE(bus.classicWaiting(1), 1u);
}

void tst_SimulatedAdapter::listenOnly()
{
    Bus bus;
    QVERIFY(bus.open(0, 1));
    QCOMPARE(bus.sendClassic(1, 0x100), 0u);
    QCOMPARE(bus.classicWaiting(0), 0u);
    QCOMPARE(bus.sendClassic(0, 0x100), 1u);
    QCOMPARE(bus.classicWaiting(1), 1u);
}

void tst_SimulatedAdapter::timingMismatch_data()
{
    QTest::addColumn<int>("ordinal"); // what channel 2 sets differently
    QTest::addColumn<uint>("value");
    QTest::addColumn<bool>("classicPasses");
    QTest::addColumn<bool>("fdPasses");
    QTest::addColumn<bool>("brsPasses");
    QTest::newRow("same") << 33 << 500000u << true << true << true;
    QTest::newRow("arbitration") << 33 << 250000u << false << false << false;
    QTest::newRow("data") << 34 << 5000000u << true << true << false;
    QTest::newRow("standard") << 35 << 1u << true << false << false;
}

void tst_SimulatedAdapter::timingMismatch()
{
    QFETCH(int, ordinal);
    QFETCH(uint, value);
    QFETCH(bool, classicPasses);
    QFETCH(bool, fdPasses);
    QFETCH(bool, brsPasses);
    Bus bus;
    QVERIFY(bus.open());
    if (ordinal == 33)
        QCOMPARE(bus.sim.setArbitrationBaudRate(bus.device, 1, value), 1u);
    else if (ordinal == 34)
        QCOMPARE(bus.sim.setDataBaudRate(bus.device, 1, value), 1u);
    else
        QCOMPARE(bus.sim.setCanFdStandard(bus.device, 1, value), 1u);
    // Transmit succeeds even when nobody can take the frame.
    QCOMPARE(bus.sendClassic(0, 0x10), 1u);
    QCOMPARE(bus.sendFd(0, 0x11, 16, false), 1u);
    QCOMPARE(bus.sendFd(0, 0x12, 16, true), 1u);
    // A frame it cannot take reaches channel 2 as an error frame, in the classic FIFO.
    bus.settle();
    CanRxRecord classic[8];
    const uint32_t n = bus.sim.receive(bus.handle[1], classic, 8, 0);
    uint32_t errors = 0, frames = 0;
    for (uint32_t i = 0; i < n; ++i) {
        if (classic[i].id & CanErrorFlag) {
            ++errors;
            QCOMPARE(classic[i].id, CanErrorFlag | 0x88u);
            QCOMPARE(classic[i].data[2], uint8_t(0x02)); // form error
        } else {
            ++frames;
        }
    }
    QCOMPARE(frames, classicPasses ? 1u : 0u);
    QCOMPARE(bus.fdWaiting(1), uint(fdPasses) + uint(brsPasses));
    const uint32_t refused = 3 - uint(classicPasses) - uint(fdPasses) - uint(brsPasses);
    QCOMPARE(errors, refused);
    QCOMPARE(bus.sim.errorFrames(1), uint64_t(refused));
    QCOMPARE(bus.sim.errorFrames(0), 0u);
}

void tst_SimulatedAdapter::acceptanceFilter()
{
    Bus bus;
    QVERIFY(bus.open());
    QVERIFY(bus.property("1/filter_clear", "0"));
    QVERIFY(bus.property("1/filter_mode", "0"));
    QVERIFY(bus.property("1/filter_start", "0x100"));
    QVERIFY(bus.property("1/filter_end", "0x1FF"));
    QVERIFY(bus.property("1/filter_mode", "1"));
    QVERIFY(bus.property("1/filter_start", "0x18000000"));
    QVERIFY(bus.property("1/filter_end", "0x18FFFFFF"));
    QVERIFY(!bus.property("1/filter_end", "0x17")); // no start for this range
    QVERIFY(!bus.property("1/filter_mode", "2"));
    QVERIFY(!bus.property("1/filter_bogus", "0"));
    QVERIFY(!bus.property("7/filter_clear", "0"));
    bus.sendClassic(0, 0x150);
    QCOMPARE(bus.classicWaiting(1), 1u); // not applied before the acknowledge
    QVERIFY(bus.property("1/filter_ack", "0"));

    const uint32_t ids[] = {0x150, 0x250, 0x150u | CanExtendedFlag, 0x18AB0000u | CanExtendedFlag,
                            0x100, 0x1FF};
    for (uint32_t id : ids)
        QCOMPARE(bus.sendClassic(0, id), 1u);
    bus.settle();
    std::vector<CanRxRecord> rx(16);
    QCOMPARE(bus.sim.receive(bus.handle[1], rx.data(), 16, 0), 4u);
    QCOMPARE(rx[0].id, 0x150u);
    QCOMPARE(rx[1].id, 0x18AB0000u | CanExtendedFlag);
    QCOMPARE(rx[2].id, 0x100u);
    QCOMPARE(rx[3].id, 0x1FFu);

    QVERIFY(bus.property("1/filter_clear", "0"));
    bus.sendClassic(0, 0x250);
    QCOMPARE(bus.classicWaiting(1), 1u);
    QVERIFY(bus.property("0/baud_rate_custom", "1.0M(80%),2.0M(80%)"));
    QVERIFY(!bus.property("0/baud_rate_custom", ""));
}

void tst_SimulatedAdapter::invalidRecordsRejected()
{
    Bus bus;
    QVERIFY(bus.open());
    CanTxRecord tx[2]{};
    tx[1].length = 9;
    QCOMPARE(bus.sim.transmit(bus.handle[0], tx, 2), 0u);
    QCOMPARE(bus.sim.transmit(bus.handle[0], tx, 0), 0u);
    QCOMPARE(bus.sim.transmit(bus.handle[0], nullptr, 1), 0u);
    QCOMPARE(bus.sendFd(0, 0x1, 65, false), 0u);
    QCOMPARE(bus.classicWaiting(1) + bus.fdWaiting(1), 0u);
}

void tst_SimulatedAdapter::queueOverflowCounted()
{
    Bus bus;
    QVERIFY(bus.open());
    bus.sim.setQueueLimit(10);
    CanTxRecord tx[15]{};
    for (uint32_t i = 0; i < 15; ++i)
        tx[i].id = i;
    QCOMPARE(bus.sim.transmit(bus.handle[0], tx, 15), 1u);
    bus.settle();
    CanRxRecord rx[20];
    QCOMPARE(bus.sim.receive(bus.handle[1], rx, 20, 0), 10u);
    QCOMPARE(bus.sim.droppedFrames(1), 5u);
    QCOMPARE(rx[0].id, 0u); // the oldest frames are kept
    QCOMPARE(rx[9].id, 9u);
    QCOMPARE(bus.sim.transmit(bus.handle[0], tx, 3), 1u);
    bus.settle();
    QCOMPARE(bus.sim.receive(bus.handle[1], rx, 20, 0), 3u);
}

// Two senders and two readers at once: every frame arrives exactly once and in order.
void tst_SimulatedAdapter::concurrentTransmitReceive()
{
    constexpr uint32_t Batches = 400;
    constexpr uint32_t BatchSize = 50;
    SimulatorConfig config;
    config.queueLimit = Batches * BatchSize; // readers may fall behind under a sanitizer
    Bus bus(config);
    QVERIFY(bus.open());
    std::atomic<int> sendersDone{0};
    std::atomic<bool> inOrder{true};
    uint64_t received[2] = {0, 0};
    auto sender = [&](int ch) {
        CanFdTxRecord tx[BatchSize]{};
        for (uint32_t b = 0; b < Batches; ++b) {
            for (uint32_t i = 0; i < BatchSize; ++i) {
                tx[i].id = uint32_t(ch);
                tx[i].length = 8;
                const uint32_t n = b * BatchSize + i;
                std::memcpy(tx[i].data, &n, sizeof(n));
            }
            while (bus.sim.transmitFd(bus.handle[ch], tx, BatchSize) != 1)
                std::this_thread::yield();
        }
        ++sendersDone;
    };
    auto reader = [&](int ch) {
        std::vector<CanFdRxRecord> rx(1000);
        uint64_t &count = received[ch];
        for (;;) {
            const bool last = sendersDone == 2 && bus.sim.pendingTransmits(0) == 0 &&
                              bus.sim.pendingTransmits(1) == 0;
            const uint32_t n = bus.sim.receiveFd(bus.handle[ch], rx.data(), 1000, 1);
            for (uint32_t i = 0; i < n; ++i) {
                uint32_t value;
                std::memcpy(&value, rx[i].data, sizeof(value));
                if (value != count++)
                    inOrder = false;
            }
            if (last && n == 0)
                break;
        }
    };
    std::thread threads[] = {std::thread(sender, 0), std::thread(sender, 1), std::thread(reader, 0),
                             std::thread(reader, 1)};
    for (std::thread &thread : threads)
        thread.join();
    QVERIFY(inOrder);
    QCOMPARE(received[0], uint64_t(Batches * BatchSize));
    QCOMPARE(received[1], uint64_t(Batches * BatchSize));
    QCOMPARE(bus.sim.droppedFrames(0) + bus.sim.droppedFrames(1), 0u);
}

// Closing the adapter (as pulling its plug does) drops what it held, and its handles stay
// dead once it is opened again.
void tst_SimulatedAdapter::unplugAndReplug()
{
    Bus bus;
    QVERIFY(bus.open());
    const uint32_t oldDevice = bus.device;
    QCOMPARE(bus.sendClassic(0, 0x1), 1u);
    QCOMPARE(bus.sim.closeDevice(bus.device), 1u);
    QVERIFY(bus.sim.deviceStatus(oldDevice) != 2);
    QCOMPARE(bus.sendClassic(0, 0x1), 0u);
    QVERIFY(bus.open());
    QVERIFY(bus.sim.deviceStatus(oldDevice) != 2); // the old handle stays dead
    QCOMPARE(bus.sim.deviceStatus(bus.device), 2u);
    QCOMPARE(bus.classicWaiting(1), 0u); // nothing survives the close
}

void tst_SimulatedAdapter::staleHandlesRejected()
{
    Bus bus;
    QVERIFY(bus.open());
    const uint32_t oldChannel = bus.handle[0];
    QCOMPARE(bus.sim.resetCan(bus.handle[1]), 1u);
    QCOMPARE(bus.sendClassic(0, 0x1), 1u);
    QCOMPARE(bus.sim.receive(bus.handle[1], nullptr, 0, 0), 0u);
    QCOMPARE(bus.sim.startCan(bus.handle[1]), 0u); // needs a new initialisation
    QCOMPARE(bus.sim.closeDevice(bus.device), 1u);
    QCOMPARE(bus.sim.deviceStatus(bus.device), 0u);
    QVERIFY(bus.open());
    QCOMPARE(bus.sim.transmit(oldChannel, nullptr, 0), 0u);
    CanTxRecord tx{};
    QCOMPARE(bus.sim.transmit(oldChannel, &tx, 1), 0u);
    QCOMPARE(bus.sim.openDevice(FerruleDeviceType, 0, 0), 0u); // already open
    QCOMPARE(bus.sim.openDevice(FerruleDeviceType, 1, 0), 0u); // only index 0 present
}

void tst_SimulatedAdapter::updateModeTakesFirmware()
{
    QTemporaryDir dir;
    const QString ini = dir.path() + "/adapter.ini";
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Adapter]\nBackend=simulated\n\n[Simulator]\n; comment kept\nSeed=7\n"
               "FirmwareVersion=0x0211\nDevices=1\n");
    file.close();
    SimulatorConfig config;
    config.updateDelayMs = 0;
    config.configPath = ini;
    config.volumesRoot = dir.path() + "/volumes";
    Bus bus(config);
    QVERIFY(bus.open());
    QCOMPARE(bus.sim.switchToUpdateMode(bus.device), 1u);
    QVERIFY(bus.sim.isInUpdateMode());
    QCOMPARE(bus.sim.deviceStatus(bus.device), 0u);
    const QString volume = dir.path() + "/volumes/CRP DISABLD";
    QCOMPARE(bus.sim.updateVolumePath(), volume);
    QVERIFY(QDir(volume).exists());
    QCOMPARE(bus.sim.openDevice(FerruleDeviceType, 0, 0), 0u); // no image yet

    QVERIFY(writeTestFile(volume + "/firmware.bin", makeFirmwareImage(0x0220, 1000)));
    QVERIFY(bus.open());
    QVERIFY(!bus.sim.isInUpdateMode());
    QVERIFY(!QDir(volume).exists());
    BoardInfo info{};
    QCOMPARE(bus.sim.readBoardInfo(bus.device, &info), 1u);
    QCOMPARE(info.firmwareVersion, uint16_t(0x0220));

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[Adapter]\nBackend=simulated\n\n[Simulator]\n"
                                        "; comment kept\nSeed=7\nFirmwareVersion=0x0220\n"
                                        "Devices=1\n"));
}

void tst_SimulatedAdapter::rejectedImageKeepsFirmware()
{
    QTemporaryDir dir;
    SimulatorConfig config;
    config.updateDelayMs = 0;
    config.volumesRoot = dir.path();
    Bus bus(config);
    QVERIFY(bus.open());
    QCOMPARE(bus.sim.switchToUpdateMode(bus.device), 1u);
    QVERIFY(writeTestFile(bus.sim.updateVolumePath() + "/firmware.bin", "MZ not an image"));
    QVERIFY(bus.open());
    QCOMPARE(bus.sim.firmwareVersion(), uint16_t(0x0211));
    QVERIFY(!QDir(bus.sim.updateVolumePath()).exists());
    uint16_t version = 0;
    QVERIFY(readFirmwareImageVersion(makeFirmwareImage(0x1234, 0), &version));
    QCOMPARE(version, uint16_t(0x1234));
}

namespace {

struct Capture
{
    QByteArray frames; // received records without time stamps, classic then CAN FD
    uint32_t classic = 0;
    uint32_t fd = 0;
    QVector<uint32_t> sequence; // bytes 0-3 of every frame
};

Capture captureTraffic(uint64_t seed, uint32_t count)
{
    SimulatorConfig config;
    config.seed = seed;
    Bus bus(config);
    Capture capture;
    if (!bus.open() || bus.sim.generateTraffic(1, count) != count)
        return capture;
    std::vector<CanRxRecord> classic(count);
    std::vector<CanFdRxRecord> fd(count);
    capture.classic = bus.sim.receive(bus.handle[1], classic.data(), count, 0);
    capture.fd = bus.sim.receiveFd(bus.handle[1], fd.data(), count, 0);
    for (uint32_t i = 0; i < capture.classic; ++i) {
        classic[i].timeStamp = 0;
        capture.frames.append(reinterpret_cast<const char *>(&classic[i]), sizeof(CanRxRecord));
    }
    for (uint32_t i = 0; i < capture.fd; ++i) {
        fd[i].timeStamp = 0;
        capture.frames.append(reinterpret_cast<const char *>(&fd[i]), sizeof(CanFdRxRecord));
        uint32_t n;
        std::memcpy(&n, fd[i].data, sizeof(n));
        capture.sequence.append(n);
    }
    return capture;
}

} // namespace

// The program copies the image and quits; the adapter of the next run takes it on open,
// and a volume without an image does not outlive the restart.
void tst_SimulatedAdapter::restartTakesImageLeftOnVolume()
{
    QTemporaryDir dir;
    const QString volume = dir.path() + "/CRP DISABLD";
    SimulatorConfig config;
    config.volumesRoot = dir.path();
    config.updateDelayMs = 0;
    {
        Bus bus(config);
        QVERIFY(bus.open());
        QCOMPARE(bus.sim.switchToUpdateMode(bus.device), 1u);
        QVERIFY(QDir(volume).exists());
    }
    {
        Bus bus(config); // the next run: its own stale volume goes
        QVERIFY(bus.open());
        QVERIFY(!QDir(volume).exists());
    }
    QVERIFY(QDir().mkpath(volume)); // another adapter's volume is left alone
    {
        Bus bus(config);
        QVERIFY(bus.open());
        QVERIFY(QDir(volume).exists());
    }
    QVERIFY(writeTestFile(volume + "/firmware.bin", makeFirmwareImage(0x0230, 64)));
    Bus bus(config);
    QVERIFY(bus.open());
    QCOMPARE(bus.sim.firmwareVersion(), uint16_t(0x0230));
    QVERIFY(!QDir(volume).exists());
}

void tst_SimulatedAdapter::trafficIsDeterministic()
{
    const Capture first = captureTraffic(1, 60);
    QCOMPARE(first.classic + first.fd, 60u);
    QVERIFY(first.classic > 0 && first.fd > 0); // both kinds in the mix
    QVERIFY(std::is_sorted(first.sequence.begin(), first.sequence.end()));
    QCOMPARE(captureTraffic(1, 60).frames, first.frames);
    QVERIFY(captureTraffic(2, 60).frames != first.frames);

    Bus stopped;
    QCOMPARE(stopped.sim.generateTraffic(0, 5), 0u); // nothing while the channel is stopped
    QCOMPARE(stopped.sim.generatedFrames(0), 0u);
}

void tst_SimulatedAdapter::trafficThreadProducesFrames()
{
    SimulatorConfig config;
    config.trafficMode = SimTrafficMode::Flood;
    config.trafficRate = 5000;
    Bus bus(config);
    QVERIFY(bus.open());
    bus.sim.setTrafficEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(bus.sim.generatedFrames(0) > 0 && bus.sim.generatedFrames(1) > 0,
                             120000);
    bus.sim.setTrafficEnabled(false);
    QVERIFY(bus.sim.queuedFrames(0) > 0);
}

void tst_SimulatedAdapter::defaultConfigWritten()
{
    const AdapterSettings settings = loadAdapterSettings();
    QCOMPARE(settings.backend, QStringLiteral("simulated"));
    QVERIFY(!settings.simulator.traffic); // LARKSPUR_SIM_TRAFFIC=0
    QCOMPARE(settings.simulator.firmwareVersion, uint16_t(0x0211));
    QCOMPARE(settings.serialBus.plugin, QStringLiteral("socketcan"));
    QCOMPARE(settings.serialBus.interfaces[1], QStringLiteral("can1"));
    QFile file(adapterConfigPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("[Simulator]\n"));
    QVERIFY(text.contains("Traffic=1\n")); // users get traffic by default
    file.close();
    QVERIFY(file.open(QIODevice::Append));
    file.write("; mine\n");
    file.close();
    loadAdapterSettings(); // never overwritten
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().endsWith("; mine\n"));
}

QTEST_GUILESS_MAIN(tst_SimulatedAdapter)
#include "tst_simulatedadapter.moc"
