// Result rules and call orders of the device layer, driven through the simulated adapter.

#include "device/adapterconfig.h"
#include "device/devicelayer.h"
#include "device/sim/simulatedadapter.h"
#include "tests/shared/faultyadapter.h"
#include "tests/shared/testsetup.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

class tst_DeviceLayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstUseInstallsConfiguredBackend();
    void openRetriesOnceAfterRecovery();
    void openFailsWhenBothAttemptsFail();
    void openWhileOpenMakesNoCall();
    void openWithoutPropertyTableClosesAgain();
    void closeClearsState();
    void setBaudRateStopsAtArbitrationFailure();
    void propertyPathsAndValues();
    void setFilterStopsAtFirstFailure_data();
    void setFilterStopsAtFirstFailure();
    void initCanStoresHandleEvenWhenZero();
    void resetCanFailureKeepsHandle();
    void makeCanId_data();
    void makeCanId();
    void versionText_data();
    void versionText();
    void deviceInfo();
    void readBoardInfoZeroedOnFailure();
    void transmitSucceedsOnlyOnResultOne();
    void receiveCountClamped_data();
    void receiveCountClamped();
    void receiveDeliversFrames();
    void enterUpdateMode();
    void workersWhileChannelStops();

private:
    void openAndStartBoth();

    QTemporaryDir m_home;
    std::shared_ptr<SimulatedAdapter> m_sim;
    std::shared_ptr<FaultyAdapter> m_faults; // the backend installed: m_sim behind the test hooks
};

void tst_DeviceLayer::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("LARKSPUR_HOME", m_home.path().toUtf8());
    qputenv("LARKSPUR_SIM_VOLUMES", (m_home.path() + "/volumes").toUtf8());
    qputenv("LARKSPUR_SIM_TRAFFIC", "0");
}

void tst_DeviceLayer::init()
{
    resetDeviceState();
    SimulatorConfig config;
    config.updateDelayMs = 0;
    m_sim = std::make_shared<SimulatedAdapter>(config);
    m_faults = std::make_shared<FaultyAdapter>(m_sim);
    setVendorBackend(m_faults);
    m_faults->setCallLogEnabled(true);
}

void tst_DeviceLayer::cleanup()
{
    resetDeviceState();
    setVendorBackend(nullptr);
    m_sim.reset();
}

void tst_DeviceLayer::openAndStartBoth()
{
    QVERIFY(openBothChannels());
}

void tst_DeviceLayer::firstUseInstallsConfiguredBackend()
{
    setVendorBackend(nullptr);
    QVERIFY(simulatedAdapter() != nullptr);
    QVERIFY(vendorBackendError().isEmpty());
    QVERIFY(QFile::exists(adapterConfigPath()));
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    closeDevice();
}

void tst_DeviceLayer::openRetriesOnceAfterRecovery()
{
    m_faults->failFirstOpen();
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    QVERIFY(isDeviceOpen());
    QVERIFY(deviceState().propertyTable.load() != nullptr);
    QCOMPARE(m_faults->callLog(), (QVector<int>{1, 64, 1, 16}));
}

void tst_DeviceLayer::openFailsWhenBothAttemptsFail()
{
    QVERIFY(!openDevice(FerruleDeviceType, 5, 0)); // no adapter at index 5
    QVERIFY(!isDeviceOpen());
    QCOMPARE(m_faults->callLog(), (QVector<int>{1, 64, 1}));
}

void tst_DeviceLayer::openWhileOpenMakesNoCall()
{
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    m_faults->clearLogs();
    QVERIFY(!openDevice(FerruleDeviceType, 0, 0));
    QVERIFY(m_faults->callLog().isEmpty());
    QVERIFY(isDeviceOpen());
}

void tst_DeviceLayer::openWithoutPropertyTableClosesAgain()
{
    m_faults->failCall(16);
    QVERIFY(!openDevice(FerruleDeviceType, 0, 0));
    QVERIFY(!isDeviceOpen());
    QCOMPARE(m_faults->callLog(), (QVector<int>{1, 16, 2}));
    QVERIFY(openDevice(FerruleDeviceType, 0, 0)); // the adapter was really closed
}

void tst_DeviceLayer::closeClearsState()
{
    openAndStartBoth();
    queryDeviceInfo();
    QVERIFY(!deviceState().infoText.isEmpty());
    m_faults->clearLogs();
    closeDevice();
    QCOMPARE(m_faults->callLog(), QVector<int>{2}); // channels are not reset first
    QVERIFY(!isDeviceOpen());
    QVERIFY(!isChannelOpen(0));
    QVERIFY(!isChannelOpen(1));
    QVERIFY(deviceState().propertyTable.load() == nullptr);
    QVERIFY(deviceState().infoText.isEmpty());
    const ChannelInitConfig zero{};
    QCOMPARE(std::memcmp(&deviceState().initConfig, &zero, sizeof(zero)), 0);
}

void tst_DeviceLayer::setBaudRateStopsAtArbitrationFailure()
{
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    m_faults->clearLogs();
    m_faults->failCall(33);
    QVERIFY(!setBaudRate(1, 500000, 2000000));
    QCOMPARE(m_faults->callLog(), QVector<int>{33});
    m_faults->failCall(34);
    QVERIFY(!setBaudRate(1, 500000, 2000000));
    QVERIFY(setBaudRate(1, 500000, 2000000));
    QCOMPARE(m_faults->callCount(34), 2u);
}

void tst_DeviceLayer::propertyPathsAndValues()
{
    QVERIFY(!clearFilter(0)); // no device, no property table
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    QVERIFY(setCustomBaudRate(1, QStringLiteral("1.0M,80%;4.0M,µ")));
    QVERIFY(clearFilter(0));
    QVERIFY(setFilter(1, 1, QStringLiteral("0x100"), QStringLiteral("0x1FF")));
    QVERIFY(ackFilter(1));
    QCOMPARE(m_faults->propertyLog(),
             (QStringList{QStringLiteral("1/baud_rate_custom=1.0M,80%;4.0M,µ"), "0/filter_clear=0",
                          "1/filter_mode=1", "1/filter_start=0x100", "1/filter_end=0x1FF",
                          "1/filter_ack=0"}));
}

void tst_DeviceLayer::setFilterStopsAtFirstFailure_data()
{
    QTest::addColumn<QByteArray>("failing");
    QTest::addColumn<int>("writes");
    QTest::newRow("mode") << QByteArray("filter_mode") << 1;
    QTest::newRow("start") << QByteArray("filter_start") << 2;
    QTest::newRow("end") << QByteArray("filter_end") << 3;
}

void tst_DeviceLayer::setFilterStopsAtFirstFailure()
{
    QFETCH(QByteArray, failing);
    QFETCH(int, writes);
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    m_faults->failProperty(failing);
    QVERIFY(!setFilter(0, 0, QStringLiteral("0x100"), QStringLiteral("0x1FF")));
    QCOMPARE(m_faults->propertyLog().size(), writes);
    QVERIFY(m_faults->propertyLog().last().startsWith("0/" + failing));
}

void tst_DeviceLayer::initCanStoresHandleEvenWhenZero()
{
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    QVERIFY(initCan(1, 1));
    QVERIFY(isChannelOpen(1));
    QCOMPARE(deviceState().initConfig.channelType, 1u);
    QCOMPARE(deviceState().initConfig.workMode, uint8_t(1));
    QCOMPARE(deviceState().initConfig.workMode2, uint8_t(1));
    m_faults->failCall(5);
    QVERIFY(!initCan(1, 0));
    QVERIFY(!isChannelOpen(1));
}

void tst_DeviceLayer::resetCanFailureKeepsHandle()
{
    openAndStartBoth();
    m_faults->failCall(7);
    QVERIFY(!resetCan(0));
    QVERIFY(isChannelOpen(0));
    QVERIFY(resetCan(0));
    QVERIFY(!isChannelOpen(0));
    QVERIFY(isChannelOpen(1));
}

void tst_DeviceLayer::makeCanId_data()
{
    QTest::addColumn<uint>("id");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<bool>("remote");
    QTest::addColumn<bool>("error");
    QTest::addColumn<uint>("word");
    QTest::newRow("extended") << 0x123u << true << false << false << 0x80000123u;
    QTest::newRow("remote") << 0x7FFu << false << true << false << 0x400007FFu;
    QTest::newRow("error") << 0x1u << false << false << true << 0x20000001u;
    QTest::newRow("not masked") << 0xFFFFFFFFu << false << false << false << 0xFFFFFFFFu;
}

void tst_DeviceLayer::makeCanId()
{
    QFETCH(uint, id);
    QFETCH(bool, extended);
    QFETCH(bool, remote);
    QFETCH(bool, error);
    QFETCH(uint, word);
    QCOMPARE(::makeCanId(id, extended, remote, error), word);
}

void tst_DeviceLayer::versionText_data()
{
    QTest::addColumn<uint>("version");
    QTest::addColumn<QString>("text");
    QTest::newRow("0x0100") << 0x0100u << "V1.00";
    QTest::newRow("0x0211") << 0x0211u << "V2.11";
    QTest::newRow("0x020A") << 0x020Au << "V2.0a";
    QTest::newRow("0x0117") << 0x0117u << "V1.17";
    QTest::newRow("top bits ignored") << 0xFBCDu << "Vb.cd";
}

void tst_DeviceLayer::versionText()
{
    QFETCH(uint, version);
    QFETCH(QString, text);
    QCOMPARE(::versionText(uint16_t(version)), text);
}

void tst_DeviceLayer::deviceInfo()
{
    QCOMPARE(queryDeviceInfo(), uint16_t(0)); // nothing open: status is not 2
    QVERIFY(deviceState().infoText.isEmpty());
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    QCOMPARE(queryDeviceInfo(), uint16_t(0x0211));
    const QString line = QStringLiteral("SN:FR2X20260001, DriverLib:V1.17, Firmware:V2.11");
    QCOMPARE(deviceState().infoText, line);
    QCOMPARE(deviceInfoText(), line);
    m_faults->unplug();
    QVERIFY(deviceInfoText().isEmpty());
    QCOMPARE(queryDeviceInfo(), uint16_t(0));
    QCOMPARE(deviceState().infoText, line); // left unchanged
}

void tst_DeviceLayer::readBoardInfoZeroedOnFailure()
{
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    BoardInfo info = readBoardInfo();
    QCOMPARE(info.channelCount, uint8_t(2));
    QCOMPARE(QByteArray(info.hardwareType), QByteArray("Ferrule-2X"));
    m_faults->failCall(3);
    info = readBoardInfo();
    const BoardInfo zero{};
    QCOMPARE(std::memcmp(&info, &zero, sizeof(info)), 0);
}

void tst_DeviceLayer::transmitSucceedsOnlyOnResultOne()
{
    openAndStartBoth();
    CanTxRecord frames[5]{};
    CanFdTxRecord fdFrames[5]{};
    QVERIFY(transmitCan(0, frames, 5));
    QVERIFY(transmitCanFd(0, fdFrames, 5));
    m_faults->failCall(12);
    m_faults->failCall(14);
    QVERIFY(!transmitCan(0, frames, 5));
    QVERIFY(!transmitCanFd(0, fdFrames, 5));
    QVERIFY(resetCan(1));
    QVERIFY(!transmitCan(1, frames, 5)); // no handle any more
}

void tst_DeviceLayer::receiveCountClamped_data()
{
    QTest::addColumn<uint>("raw");
    QTest::addColumn<uint>("count");
    QTest::newRow("within") << 7u << 7u;
    QTest::newRow("capacity") << 1000u << 1000u;
    QTest::newRow("above capacity") << 5000u << 1000u;
    QTest::newRow("minus one") << 0xFFFFFFFFu << 0u;
    QTest::newRow("most negative") << 0x80000000u << 0u;
}

void tst_DeviceLayer::receiveCountClamped()
{
    QFETCH(uint, raw);
    QFETCH(uint, count);
    openAndStartBoth();
    std::vector<CanRxRecord> classic(1000);
    std::vector<CanFdRxRecord> fd(1000);
    m_faults->setReceiveResultOverride(raw);
    QCOMPARE(receiveCan(0, classic.data(), 1000, 0), count);
    QCOMPARE(receiveCanFd(0, fd.data(), 1000, 0), count);
}

void tst_DeviceLayer::receiveDeliversFrames()
{
    openAndStartBoth();
    CanFdTxRecord tx{};
    tx.id = ::makeCanId(0x1ABCDEF, true, false, false);
    tx.length = 64;
    tx.flags = 1;
    tx.data[63] = 0x5A;
    QVERIFY(transmitCanFd(0, &tx, 1));
    CanFdRxRecord rx[4];
    QCOMPARE(receiveCanFd(1, rx, 4, 5000), 1u); // returns once the frame has crossed the wire
    QCOMPARE(rx[0].id, tx.id);
    QCOMPARE(rx[0].flags, uint8_t(1));
    QCOMPARE(rx[0].data[63], uint8_t(0x5A));
    CanRxRecord classic[4];
    QCOMPARE(receiveCan(1, classic, 4, 0), 0u);
}

void tst_DeviceLayer::enterUpdateMode()
{
    QTest::ignoreMessage(QtDebugMsg, "isDeviceOpend:0");
    QTest::ignoreMessage(QtDebugMsg, "isDeviceOpend:1");
    QVERIFY(::enterUpdateMode(0));
    QCOMPARE(m_faults->callLog(), (QVector<int>{1, 16, 32}));
    QVERIFY(m_sim->isInUpdateMode());
    QVERIFY(QDir(m_sim->updateVolumePath()).exists());

    resetDeviceState();
    QTest::ignoreMessage(QtDebugMsg, "isDeviceOpend:0");
    QTest::ignoreMessage(QtDebugMsg, "isDeviceOpend:0");
    QVERIFY(!::enterUpdateMode(0)); // in update mode the adapter does not open
    // A file that is no image on its volume: the adapter restarts with its old firmware.
    QVERIFY(writeTestFile(m_sim->updateVolumePath() + "/firmware.bin", "not an image"));

    QTest::ignoreMessage(QtDebugMsg, "isDeviceOpend:1");
    QTest::ignoreMessage(QtDebugMsg, "isDeviceOpend:1");
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    m_faults->failCall(32);
    QVERIFY(!::enterUpdateMode(0));
}

// A sender and a reader thread use the layer while the GUI thread stops the channel: the
// reader ends by itself once the channel handle is cleared.
void tst_DeviceLayer::workersWhileChannelStops()
{
    openAndStartBoth();
    std::atomic<bool> stopSending{false};
    std::atomic<uint64_t> received{0};
    std::thread sender([&] {
        CanTxRecord frames[10]{};
        while (!stopSending)
            transmitCan(0, frames, 10);
    });
    std::thread reader([&] {
        std::vector<CanRxRecord> buffer(1000);
        while (isChannelOpen(1))
            received += receiveCan(1, buffer.data(), 1000, 1);
    });
    while (received == 0)
        std::this_thread::yield();
    QVERIFY(resetCan(1));
    reader.join();
    stopSending = true;
    sender.join();
    QVERIFY(received > 0);
    QVERIFY(!isChannelOpen(1));
    QVERIFY(isChannelOpen(0));
}

QTEST_GUILESS_MAIN(tst_DeviceLayer)
#include "tst_devicelayer.moc"
