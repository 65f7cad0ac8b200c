// The QtSerialBus backend over the virtualcan plugin's shared bus on loopback: frames
// from a peer device reach the backend's queues, frames sent through the backend reach
// the peer and the external canbusutil listener, and device/channel life follows the
// interfaces. The peer on the test thread connects first, so the relay of this process
// lives on the test thread for the whole run.

#include "device/cancarryrule.h"
#include "device/serialbus/serialbusbackend.h"
#include "device/serialbus/serialbusfilter.h"
#include "device/serialbus/socketcanlink.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <cstring>
#include <memory>

#include "tests/shared/simulatedbus.h"
#include "virtualbuspeer.h"

namespace {
using namespace VirtualBus;

QCanBusFrame makeFrame(uint32_t id, bool extended, const QByteArray &data, bool fd, bool brs,
                       bool remote)
{
    QCanBusFrame frame(id, data);
    frame.setExtendedFrameFormat(extended);
    frame.setFlexibleDataRateFormat(fd);
    frame.setBitrateSwitch(brs);
    if (remote)
        frame.setFrameType(QCanBusFrame::RemoteRequestFrame);
    return frame;
}

CanTxRecord classicRecord(uint32_t id, const QByteArray &data, uint32_t type = 0)
{
    CanTxRecord record{};
    record.id = id;
    record.length = uint8_t(data.size());
    std::memcpy(record.data, data.constData(), size_t(qMin(data.size(), 8)));
    record.transmitType = type;
    return record;
}

CanFdTxRecord fdRecord(uint32_t id, const QByteArray &data, bool brs)
{
    CanFdTxRecord record{};
    record.id = id;
    record.length = uint8_t(data.size());
    record.flags = brs ? 1 : 0;
    std::memcpy(record.data, data.constData(), size_t(qMin(data.size(), 64)));
    return record;
}

} // namespace

Q_DECLARE_METATYPE(QCanBusFrame)

class tst_SerialBusBackend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void unusableBackendsFail();
    void deviceLifecycle();
    void peerFramesArrive_data();
    void peerFramesArrive();
    void backendFramesReachPeer_data();
    void backendFramesReachPeer();
    void unsendableBatchesAreRefusedWhole();
    void canCarryRuleOnBothBackends_data();
    void canCarryRuleOnBothBackends();
    void selfReceptionKeepsOnlyItsEchoes();
    void listenOnlyReceivesButNeverSends();
    void customBitRateText_data();
    void customBitRateText();
    void acceptanceFilterRanges();
    void fullQueueDropsAndCounts();
    void canbusutilReceivesWhatIsSent();
    void lostRelayClosesStatus();

    void rawFilterCoversRanges_data();
    void rawFilterCoversRanges();
    void socketCanLinkParse();

private:
    QString url(int channel) const
    {
        return QStringLiteral("tcp://127.0.0.1:%1/can%2").arg(m_port).arg(channel);
    }
    std::shared_ptr<SerialBusBackend> makeBackend(int capacity = 65536);
    bool startChannels(uint8_t workMode = 0);
    bool syncBus();
    uint32_t channel(int ch) const { return SerialBusBackend::ChannelHandle0 + uint32_t(ch); }
    QVector<CanRxRecord> receiveClassic(int ch, int expected);

    quint16 m_port = 0;
    std::unique_ptr<Peer> m_hostPeer; // hosts the relay of this process on can1
    std::unique_ptr<Peer> m_peer;     // the other node on can0
    std::shared_ptr<SerialBusBackend> m_backend;
};

void tst_SerialBusBackend::initTestCase()
{
    m_port = freePort();
    QVERIFY(m_port != 0);
    m_hostPeer = std::make_unique<Peer>(url(1));
    QVERIFY(m_hostPeer->waitConnected());
}

void tst_SerialBusBackend::init()
{
    m_peer = std::make_unique<Peer>(url(0));
    QVERIFY(m_peer->waitConnected());
}

void tst_SerialBusBackend::cleanup()
{
    m_backend.reset();
    m_peer.reset();
    m_hostPeer->received.clear();
    m_hostPeer->synced = false;
}

std::shared_ptr<SerialBusBackend> tst_SerialBusBackend::makeBackend(int capacity)
{
    SerialBusConfig config;
    config.plugin = QStringLiteral("virtualcan");
    config.interfaces[0] = url(0);
    config.interfaces[1] = url(1);
    config.queueCapacity = capacity;
    QString error;
    auto backend =
        std::dynamic_pointer_cast<SerialBusBackend>(createSerialBusBackend(config, &error));
    if (!backend)
        qWarning() << error;
    return backend;
}

bool tst_SerialBusBackend::startChannels(uint8_t workMode)
{
    if (!m_backend)
        m_backend = makeBackend();
    const uint32_t device = m_backend->openDevice(FerruleDeviceType, 0, 0);
    if (device != SerialBusBackend::DeviceHandle) {
        qWarning() << m_backend->lastError();
        return false;
    }
    ChannelInitConfig config{};
    config.channelType = 1;
    config.workMode = config.workMode2 = workMode;
    for (uint32_t ch = 0; ch < 2; ++ch) {
        if (m_backend->setCanFdStandard(device, ch, 0) != 1 ||
            m_backend->setArbitrationBaudRate(device, ch, 500000) != 1 ||
            m_backend->setDataBaudRate(device, ch, 2000000) != 1 ||
            m_backend->initCan(device, ch, &config) != channel(int(ch)) ||
            m_backend->startCan(channel(int(ch))) != 1)
            return false;
    }
    if (workMode != 0)
        return true; // a listen-only backend cannot announce itself
    const bool synced = syncBus();
    if (!synced)
        qWarning() << "bus sync failed:" << m_backend->lastError();
    return synced;
}

// The relay forwards a frame only to the nodes that announced themselves on that bus
// before it: the backend sends sync frames until both peers have seen one.
bool tst_SerialBusBackend::syncBus()
{
    const CanTxRecord sync = classicRecord(SyncId, "sync");
    return QTest::qWaitFor(
        [&] {
            if (m_peer->synced && m_hostPeer->synced)
                return true;
            m_backend->transmit(channel(0), &sync, 1);
            m_backend->transmit(channel(1), &sync, 1);
            QTest::qWait(5);
            return false;
        },
        WaitMs);
}

QVector<CanRxRecord> tst_SerialBusBackend::receiveClassic(int ch, int expected)
{
    QVector<CanRxRecord> all;
    CanRxRecord buffer[16];
    (void)QTest::qWaitFor(
        [&] {
            const uint32_t n = m_backend->receive(channel(ch), buffer, 16, 0);
            all.append(QVector<CanRxRecord>(buffer, buffer + n));
            return all.size() >= expected;
        },
        WaitMs);
    return all;
}

void tst_SerialBusBackend::unusableBackendsFail()
{
    QString error;
    SerialBusConfig config;
    config.plugin = QStringLiteral("nosuchplugin");
    config.interfaces[0] = config.interfaces[1] = QStringLiteral("can0");
    QVERIFY(!createSerialBusBackend(config, &error));
    QVERIFY(error.contains(QLatin1String("nosuchplugin")));

    config.plugin = QStringLiteral("socketcan");
    config.interfaces[0] = QStringLiteral("lkspnone0");
    config.interfaces[1] = QStringLiteral("lkspnone1");
    auto backend =
        std::dynamic_pointer_cast<SerialBusBackend>(createSerialBusBackend(config, &error));
    QVERIFY(backend);
    QCOMPARE(backend->openDevice(FerruleDeviceType, 0, 0), 0u);
    QVERIFY2(backend->lastError().contains(QLatin1String("lkspnone0")),
             qPrintable(backend->lastError()));
    QCOMPARE(backend->deviceStatus(SerialBusBackend::DeviceHandle), 0u);
}

void tst_SerialBusBackend::deviceLifecycle()
{
    m_backend = makeBackend();
    QVERIFY(m_backend);
    QCOMPARE(m_backend->openDevice(FerruleDeviceType, 1, 0), 0u); // only index 0 exists
    const uint32_t device = m_backend->openDevice(FerruleDeviceType, 0, 0);
    QCOMPARE(device, SerialBusBackend::DeviceHandle);
    QCOMPARE(m_backend->openDevice(FerruleDeviceType, 0, 0), 0u);
    QCOMPARE(m_backend->deviceStatus(device), 2u);
    QVERIFY(m_backend->getPropertyTable(device));

    BoardInfo info;
    QCOMPARE(m_backend->readBoardInfo(device, &info), 1u);
    QCOMPARE(QString::fromLatin1(info.hardwareType),
             QStringLiteral("QtSerialBus virtualcan can0,can1"));
    QCOMPARE(info.channelCount, uint8_t(2));
    QCOMPARE(info.driverVersion, SerialBusBackend::Version);
    QCOMPARE(m_backend->switchToUpdateMode(device), 0u);

    // A channel handle exists only between initialisation and reset.
    CanRxRecord record;
    QCOMPARE(m_backend->startCan(channel(0)), 0u);
    ChannelInitConfig config{};
    QCOMPARE(m_backend->initCan(device, 0, &config), channel(0));
    QCOMPARE(m_backend->startCan(channel(0)), 1u);
    QCOMPARE(m_backend->resetCan(channel(0)), 1u);
    QCOMPARE(m_backend->resetCan(channel(0)), 0u);
    QCOMPARE(m_backend->receive(channel(0), &record, 1, 0), 0u);

    QCOMPARE(m_backend->closeDevice(device), 1u);
    QCOMPARE(m_backend->deviceStatus(device), 0u);
    QVERIFY(!m_backend->getPropertyTable(device));
    QCOMPARE(m_backend->openDevice(FerruleDeviceType, 0, 0), device); // reopens
}

void tst_SerialBusBackend::peerFramesArrive_data()
{
    QTest::addColumn<QCanBusFrame>("frame");
    QTest::addColumn<uint32_t>("idWord");
    QTest::addColumn<int>("flags");

    const QByteArray bytes = QByteArray::fromHex("0102030405060708");
    QByteArray fdBytes(48, '\0');
    for (int i = 0; i < fdBytes.size(); ++i)
        fdBytes[i] = char(0xA0 + i);
    QTest::newRow("standard") << makeFrame(0x123, false, bytes, false, false, false) << 0x123u
                              << -1;
    QTest::newRow("extended") << makeFrame(0x1ABCDEF, true, bytes.left(3), false, false, false)
                              << (0x1ABCDEFu | CanExtendedFlag) << -1;
    QTest::newRow("remote") << makeFrame(0x7FF, false, QByteArray(5, '\0'), false, false, true)
                            << (0x7FFu | CanRemoteFlag) << -1;
    QTest::newRow("fd brs") << makeFrame(0x10, false, fdBytes, true, true, false) << 0x10u << 1;
    QTest::newRow("fd extended") << makeFrame(0x1234, true, fdBytes.left(12), true, false, false)
                                 << (0x1234u | CanExtendedFlag) << 0;
}

void tst_SerialBusBackend::peerFramesArrive()
{
    QFETCH(QCanBusFrame, frame);
    QFETCH(uint32_t, idWord);
    QFETCH(int, flags);
    QVERIFY(startChannels());
    QVERIFY(m_peer->device->writeFrame(frame));
    const QByteArray expected = frame.frameType() == QCanBusFrame::RemoteRequestFrame
                                    ? QByteArray(5, '\0')
                                    : frame.payload();
    if (flags < 0) {
        const QVector<CanRxRecord> got = receiveClassic(0, 1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].id, idWord);
        QCOMPARE(int(got[0].length), expected.size());
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(got[0].data), got[0].length), expected);
        QVERIFY(got[0].timeStamp > 0);
    } else {
        CanFdRxRecord got;
        QVERIFY(QTest::qWaitFor([&] { return m_backend->receiveFd(channel(0), &got, 1, 0) == 1; },
                                WaitMs));
        QCOMPARE(got.id, idWord);
        QCOMPARE(int(got.flags), flags);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(got.data), got.length), expected);
        QVERIFY(got.timeStamp > 0);
    }
    // The other channel is a different bus.
    CanRxRecord other;
    QCOMPARE(m_backend->receive(channel(1), &other, 1, 0), 0u);
}

void tst_SerialBusBackend::backendFramesReachPeer_data()
{
    QTest::addColumn<bool>("fd");
    QTest::addColumn<uint32_t>("idWord");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("brs");
    QTest::addColumn<QByteArray>("onBus");

    const QByteArray bytes = QByteArray::fromHex("DEADBEEF00112233");
    QTest::newRow("standard") << false << 0x321u << bytes << false << bytes;
    QTest::newRow("extended empty")
        << false << (0x18FF00FAu | CanExtendedFlag) << QByteArray() << false << QByteArray();
    QTest::newRow("remote") << false << (0x55u | CanRemoteFlag) << QByteArray(2, '\0') << false
                            << QByteArray(2, '\0');
    QByteArray ten = QByteArray::fromHex("00112233445566778899");
    QTest::newRow("fd padded") << true << 0x700u << ten << true << ten + QByteArray(2, '\0');
    QTest::newRow("fd 64") << true << (0x1FFFFFFFu | CanExtendedFlag) << QByteArray(64, 'z')
                           << false << QByteArray(64, 'z');
}

void tst_SerialBusBackend::backendFramesReachPeer()
{
    QFETCH(bool, fd);
    QFETCH(uint32_t, idWord);
    QFETCH(QByteArray, data);
    QFETCH(bool, brs);
    QFETCH(QByteArray, onBus);
    QVERIFY(startChannels());
    if (fd) {
        const CanFdTxRecord record = fdRecord(idWord, data, brs);
        QCOMPARE(m_backend->transmitFd(channel(0), &record, 1), 1u);
    } else {
        const CanTxRecord record = classicRecord(idWord, data);
        QCOMPARE(m_backend->transmit(channel(0), &record, 1), 1u);
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->received.size(), 1, WaitMs);
    const QCanBusFrame got = m_peer->received.first();
    QCOMPARE(got.frameId(), idWord & CanIdMask);
    QCOMPARE(got.hasExtendedFrameFormat(), bool(idWord & CanExtendedFlag));
    QCOMPARE(got.frameType() == QCanBusFrame::RemoteRequestFrame, bool(idWord & CanRemoteFlag));
    QCOMPARE(got.hasFlexibleDataRateFormat(), fd);
    QCOMPARE(got.hasBitrateSwitch(), brs);
    QCOMPARE(got.payload(), onBus);
    QVERIFY(m_hostPeer->received.isEmpty()); // channel 1's bus stays quiet
}

void tst_SerialBusBackend::unsendableBatchesAreRefusedWhole()
{
    QVERIFY(startChannels());
    const CanTxRecord good = classicRecord(0x100, "ok");
    const CanTxRecord bad[] = {classicRecord(0x800, "x"), classicRecord(0x100 | CanErrorFlag, "x")};
    for (const CanTxRecord &record : bad) {
        const CanTxRecord batch[] = {good, record};
        QCOMPARE(m_backend->transmit(channel(0), batch, 2), 0u);
        QVERIFY(!m_backend->lastError().isEmpty());
    }
    CanFdTxRecord remoteFd = fdRecord(0x10 | CanRemoteFlag, "", false);
    QCOMPARE(m_backend->transmitFd(channel(0), &remoteFd, 1), 0u);
    CanTxRecord nine = classicRecord(0x10, "12345678");
    nine.length = 9;
    QCOMPARE(m_backend->transmit(channel(0), &nine, 1), 0u);

    // Sentinel: only frames after the refused batches reach the bus.
    QCOMPARE(m_backend->transmit(channel(0), &good, 1), 1u);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->received.size(), 1, WaitMs);
    QCOMPARE(m_peer->received.first().payload(), QByteArray("ok"));
}

void tst_SerialBusBackend::canCarryRuleOnBothBackends_data()
{
    QTest::addColumn<bool>("fd");
    QTest::addColumn<uint>("idWord");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("carried");
    const uint ext = CanExtendedFlag;
    QTest::newRow("standard 0x7FF") << false << 0x7FFu << 8 << true;
    QTest::newRow("standard 0x800") << false << 0x800u << 8 << false;
    QTest::newRow("extended 0x1FFFFFFF") << false << (0x1FFFFFFFu | ext) << 8 << true;
    QTest::newRow("classic remote") << false << (0x123u | CanRemoteFlag) << 4 << true;
    QTest::newRow("classic error flag") << false << (0x123u | CanErrorFlag) << 8 << false;
    QTest::newRow("classic 9 bytes") << false << 0x123u << 9 << false;
    QTest::newRow("fd 64 bytes") << true << 0x123u << 64 << true;
    QTest::newRow("fd 65 bytes") << true << 0x123u << 65 << false;
    QTest::newRow("fd remote") << true << (0x123u | CanRemoteFlag) << 8 << false;
    QTest::newRow("fd error flag") << true << (0x123u | ext | CanErrorFlag) << 8 << false;
    QTest::newRow("fd standard 0x800") << true << 0x800u << 8 << false;
}

// One rule of what a bus carries: the simulator and the QtSerialBus backend accept and
// refuse the same records, as CanCarryRule says.
void tst_SerialBusBackend::canCarryRuleOnBothBackends()
{
    QFETCH(bool, fd);
    QFETCH(uint, idWord);
    QFETCH(int, length);
    QFETCH(bool, carried);
    QVERIFY(startChannels());
    SimulatedBus sim;
    QVERIFY(sim.open());
    CanTxRecord classic = classicRecord(idWord, QByteArray(8, 'x'));
    classic.length = uint8_t(length);
    CanFdTxRecord fdFrame = fdRecord(idWord, QByteArray(64, 'y'), false);
    fdFrame.length = uint8_t(length);
    const QString refusal = fd ? CanCarryRule::refusal(fdFrame) : CanCarryRule::refusal(classic);
    QCOMPARE(refusal.isEmpty(), carried);
    VendorApi *backends[] = {m_backend.get(), &sim.sim};
    const uint32_t handles[] = {channel(0), sim.handle[0]};
    for (int b = 0; b < 2; ++b) {
        const uint32_t result = fd ? backends[b]->transmitFd(handles[b], &fdFrame, 1)
                                   : backends[b]->transmit(handles[b], &classic, 1);
        QCOMPARE(result == 1, carried);
    }
}

void tst_SerialBusBackend::selfReceptionKeepsOnlyItsEchoes()
{
    QVERIFY(startChannels());
    const CanTxRecord batch[] = {classicRecord(0x201, "a", 2), classicRecord(0x202, "b", 0),
                                 classicRecord(0x203, "c", 3), classicRecord(0x204, "d", 1)};
    QCOMPARE(m_backend->transmit(channel(0), batch, 4), 1u);
    QTRY_COMPARE_WITH_TIMEOUT(m_peer->received.size(), 4, WaitMs);
    const CanTxRecord later = classicRecord(0x205, "e", 0);
    const CanTxRecord last = classicRecord(0x206, "f", 2);
    QCOMPARE(m_backend->transmit(channel(0), &later, 1), 1u);
    QCOMPARE(m_backend->transmit(channel(0), &last, 1), 1u);

    const QVector<CanRxRecord> got = receiveClassic(0, 3);
    QCOMPARE(got.size(), 3);
    QCOMPARE(got[0].id, 0x201u);
    QCOMPARE(got[1].id, 0x203u);
    QCOMPARE(got[2].id, 0x206u);
}

void tst_SerialBusBackend::listenOnlyReceivesButNeverSends()
{
    QVERIFY(startChannels(1));
    const CanTxRecord record = classicRecord(0x123, "no");
    QCOMPARE(m_backend->transmit(channel(0), &record, 1), 0u);
    QVERIFY(m_backend->lastError().contains(QLatin1String("listen-only")));
    // The peer sends until the relay has the backend on its list.
    CanRxRecord got{};
    QVERIFY(QTest::qWaitFor(
        [&] {
            m_peer->device->writeFrame(makeFrame(0x321, false, "yes", false, false, false));
            QTest::qWait(5);
            return m_backend->receive(channel(0), &got, 1, 0) == 1;
        },
        WaitMs));
    QCOMPARE(got.id, 0x321u);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(got.data), got.length), QByteArray("yes"));
    QVERIFY(m_peer->received.isEmpty());
}

void tst_SerialBusBackend::customBitRateText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("arbitration") << "500000" << true;
    QTest::newRow("both") << "1000000/5000000" << true;
    QTest::newRow("spaces") << " 250000 / 2000000 " << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("vendor timing text") << "1.0Mbps(80%),5.0Mbps(75%),(40,0018FFFF)" << false;
    QTest::newRow("three parts") << "1/2/3" << false;
    QTest::newRow("zero") << "0" << false;
}

void tst_SerialBusBackend::customBitRateText()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    m_backend = makeBackend();
    QCOMPARE(m_backend->openDevice(FerruleDeviceType, 0, 0), SerialBusBackend::DeviceHandle);
    PropertyTable *properties = m_backend->getPropertyTable(SerialBusBackend::DeviceHandle);
    QCOMPARE(properties->setValue("1/baud_rate_custom", text.toUtf8().constData()),
             accepted ? 1u : 0u);
}

void tst_SerialBusBackend::acceptanceFilterRanges()
{
    QVERIFY(startChannels());
    PropertyTable *properties = m_backend->getPropertyTable(SerialBusBackend::DeviceHandle);
    QCOMPARE(properties->setValue("0/filter_clear", "0"), 1u);
    QCOMPARE(properties->setValue("0/filter_mode", "0"), 1u);
    QCOMPARE(properties->setValue("0/filter_start", "0x100"), 1u);
    QCOMPARE(properties->setValue("0/filter_end", "0x1ff"), 1u);
    QCOMPARE(properties->setValue("0/filter_mode", "1"), 1u);
    QCOMPARE(properties->setValue("0/filter_start", "0x18000000"), 1u);
    QCOMPARE(properties->setValue("0/filter_end", "0x18FFFFFF"), 1u);
    QCOMPARE(properties->setValue("0/filter_mode", "0"), 1u);
    QCOMPARE(properties->setValue("0/filter_start", "0x300"), 1u);
    QCOMPARE(properties->setValue("0/filter_end", "0x800"), 0u); // not a standard id
    QCOMPARE(properties->setValue("0/filter_start", "zz"), 0u);
    QCOMPARE(properties->setValue("0/filter_ack", "0"), 1u);

    const struct
    {
        uint32_t id;
        bool extended;
    } sent[] = {{0x0FF, false},     {0x100, false},     {0x150, true}, {0x200, false},
                {0x18123456, true}, {0x19000000, true}, {0x1FF, false}};
    for (const auto &s : sent)
        QVERIFY(m_peer->device->writeFrame(makeFrame(s.id, s.extended, "x", false, false, false)));
    const QVector<CanRxRecord> got = receiveClassic(0, 3);
    QCOMPARE(got.size(), 3);
    QCOMPARE(got[0].id, 0x100u);
    QCOMPARE(got[1].id, 0x18123456u | CanExtendedFlag);
    QCOMPARE(got[2].id, 0x1FFu);

    // A clear lets everything through again; so does a reset channel started anew.
    QCOMPARE(properties->setValue("0/filter_clear", "0"), 1u);
    QVERIFY(m_peer->device->writeFrame(makeFrame(0x0FF, false, "x", false, false, false)));
    QCOMPARE(receiveClassic(0, 1).size(), 1);
    QCOMPARE(properties->setValue("2/filter_clear", "0"), 0u);
    QCOMPARE(properties->setValue("0/no_such_property", "0"), 0u);
}

void tst_SerialBusBackend::fullQueueDropsAndCounts()
{
    m_backend = makeBackend(4);
    QVERIFY(startChannels());
    for (uint32_t id = 1; id <= 10; ++id)
        QVERIFY(m_peer->device->writeFrame(makeFrame(id, false, "q", false, false, false)));
    QTRY_COMPARE_WITH_TIMEOUT(m_backend->droppedFrames(0), uint64_t(6), WaitMs);
    CanRxRecord records[16];
    QCOMPARE(m_backend->receive(channel(0), records, 16, 0), 4u);
    for (uint32_t i = 0; i < 4; ++i)
        QCOMPARE(records[i].id, i + 1);
}

void tst_SerialBusBackend::canbusutilReceivesWhatIsSent()
{
    const QString canbusutil = QStringLiteral("/usr/lib/qt5/bin/canbusutil");
    if (!QFileInfo(canbusutil).isExecutable())
        QSKIP("canbusutil (libqt5serialbus5-bin) is not installed");
    QVERIFY(startChannels());
    QProcess listener;
    listener.setProcessChannelMode(QProcess::MergedChannels);
    listener.start(canbusutil, {"-l", "-f", "virtualcan", url(0)});
    QVERIFY(listener.waitForStarted());
    QString output;
    const QRegularExpression line(QStringLiteral("^[ ]*([0-9A-F]+)[ ]+\\[(\\d+)\\][ ]*(.*)$"),
                                  QRegularExpression::MultilineOption);
    // canbusutil prints nothing when connected: send probes until one shows up.
    const CanTxRecord probe = classicRecord(0x7EE, "");
    QVERIFY(QTest::qWaitFor(
        [&] {
            m_backend->transmit(channel(0), &probe, 1);
            listener.waitForReadyRead(50);
            output += QString::fromLatin1(listener.readAll());
            return output.contains(QLatin1String("7EE"));
        },
        WaitMs));
    const CanTxRecord classic = classicRecord(0x123, QByteArray::fromHex("11223344"));
    const CanFdTxRecord fd = fdRecord(0x1ABCDEF | CanExtendedFlag, QByteArray(20, '\x5A'), true);
    QCOMPARE(m_backend->transmit(channel(0), &classic, 1), 1u);
    QCOMPARE(m_backend->transmitFd(channel(0), &fd, 1), 1u);
    QVERIFY(QTest::qWaitFor(
        [&] {
            listener.waitForReadyRead(50);
            output += QString::fromLatin1(listener.readAll());
            return output.contains(QLatin1String("01ABCDEF"));
        },
        WaitMs));
    listener.kill();
    listener.waitForFinished();

    QStringList frames;
    for (auto it = line.globalMatch(output); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1) != QLatin1String("7EE"))
            frames << m.captured(1) + QLatin1Char('/') + m.captured(2) + QLatin1Char('/') +
                          m.captured(3).simplified();
    }
    QVERIFY2(frames.size() == 2, qPrintable(output));
    QCOMPARE(frames, QStringList({"123/4/11 22 33 44",
                                  "01ABCDEF/20/" + QString("5A ").repeated(20).trimmed()}));
}

void tst_SerialBusBackend::lostRelayClosesStatus()
{
    const QString canbusutil = QStringLiteral("/usr/lib/qt5/bin/canbusutil");
    if (!QFileInfo(canbusutil).isExecutable())
        QSKIP("canbusutil (libqt5serialbus5-bin) is not installed");
    // A relay hosted by another process on its own port; this process's relay is
    // already bound to the test port, so it does not take the new one.
    const quint16 port = freePort();
    const QString base = QStringLiteral("tcp://127.0.0.1:%1/can").arg(port);
    QProcess host;
    host.start(canbusutil, {"-l", "virtualcan", base + "0"});
    QVERIFY(host.waitForStarted());
    QTcpSocket probe;
    QVERIFY(QTest::qWaitFor(
        [&] {
            probe.connectToHost(QHostAddress::LocalHost, port);
            const bool up = probe.waitForConnected(100);
            probe.abort();
            return up;
        },
        WaitMs));

    SerialBusConfig config;
    config.plugin = QStringLiteral("virtualcan");
    config.interfaces[0] = base + "0";
    config.interfaces[1] = base + "1";
    QString error;
    auto backend = createSerialBusBackend(config, &error);
    QVERIFY(backend);
    const uint32_t device = backend->openDevice(FerruleDeviceType, 0, 0);
    QCOMPARE(device, SerialBusBackend::DeviceHandle);
    QCOMPARE(backend->deviceStatus(device), 2u);
    host.kill();
    host.waitForFinished();
    QTRY_VERIFY_WITH_TIMEOUT(backend->deviceStatus(device) != 2u, WaitMs);
}

void tst_SerialBusBackend::rawFilterCoversRanges_data()
{
    QTest::addColumn<bool>("extended");
    QTest::addColumn<uint32_t>("first");
    QTest::addColumn<uint32_t>("last");
    QTest::newRow("one id") << false << 0x123u << 0x123u;
    QTest::newRow("unaligned") << false << 0x0FFu << 0x301u;
    QTest::newRow("all standard") << false << 0u << 0x7FFu;
    QTest::newRow("extended block") << true << 0x18000000u << 0x18FFFFFFu;
    QTest::newRow("extended odd") << true << 0x1000001u << 0x1000FFEu;
}

void tst_SerialBusBackend::rawFilterCoversRanges()
{
    QFETCH(bool, extended);
    QFETCH(uint32_t, first);
    QFETCH(uint32_t, last);
    SerialBusFilter filter;
    filter.add({extended, first, last});
    QList<QCanBusDevice::Filter> raw;
    QVERIFY(filter.toRawFilter(&raw));
    const auto matches = [&](uint32_t id) {
        for (const QCanBusDevice::Filter &f : raw) {
            if ((id & f.frameIdMask) == (f.frameId & f.frameIdMask))
                return true;
        }
        return false;
    };
    const uint32_t probes[] = {first, last, (first + last) / 2, first - 1, last + 1};
    for (uint32_t id : probes) {
        const uint32_t bound = extended ? 0x1FFFFFFFu : 0x7FFu;
        if (id > bound)
            continue;
        QCOMPARE(matches(id), id >= first && id <= last);
        QCOMPARE(filter.accepts(id, extended), id >= first && id <= last);
    }
    QVERIFY(!filter.accepts(first, !extended));
}

void tst_SerialBusBackend::socketCanLinkParse()
{
    const QByteArray can = R"([{"ifname":"can0","flags":["NOARP","UP","LOWER_UP"],
        "linkinfo":{"info_kind":"can","info_data":{"ctrlmode":["FD","LISTEN-ONLY"],
        "state":"ERROR-ACTIVE","bittiming":{"bitrate":500000,"sample_point":"0.875"},
        "data_bittiming":{"bitrate":2000000}}}}])";
    SocketCanLink link;
    QVERIFY(SocketCanLink::parse(can, &link));
    QCOMPARE(link.name, QStringLiteral("can0"));
    QVERIFY(!link.isVirtual());
    QVERIFY(link.up && link.fd && link.listenOnly && !link.nonIso);
    QCOMPARE(link.bitRate, 500000u);
    QCOMPARE(link.dataBitRate, 2000000u);

    const QByteArray vcan = R"([{"ifname":"vcan0","flags":["NOARP"],
        "linkinfo":{"info_kind":"vcan"}}])";
    QVERIFY(SocketCanLink::parse(vcan, &link));
    QVERIFY(link.isVirtual() && !link.up && !link.fd);
    QVERIFY(!SocketCanLink::parse("[]", &link));
    QVERIFY(!SocketCanLink::exists(QStringLiteral("lkspnone0")));
    QVERIFY(SocketCanLink::exists(QStringLiteral("lo")));
}

QTEST_GUILESS_MAIN(tst_SerialBusBackend)
#include "tst_serialbusbackend.moc"
