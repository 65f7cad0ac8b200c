// The QtSerialBus backend behind the device layer: a receive thread turns a peer's
// frames into table records, a send thread's frames reach the peer on the other bus.

#include "device/devicelayer.h"
#include "device/serialbus/serialbusbackend.h"
#include "receive/pendingframes.h"
#include "receive/recvthread.h"
#include "settings/settingsstore.h"
#include "tests/shared/modelrows.h"
#include "tests/shared/testsetup.h"
#include "transmit/sendthread.h"

#include "virtualbuspeer.h"

#include <QTemporaryDir>

using namespace VirtualBus;

class tst_SerialBusSpine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void receiveThreadShowsPeerFrames();
    void sendThreadFramesReachPeer();

private:
    QString url(int channel) const
    {
        return QStringLiteral("tcp://127.0.0.1:%1/can%2").arg(m_port).arg(channel);
    }
    bool syncBus();
    QList<ModelItem> waitPending(int count);

    QTemporaryDir m_home;
    quint16 m_port = 0;
    std::unique_ptr<Peer> m_peers[2];
};

void tst_SerialBusSpine::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("LARKSPUR_HOME", m_home.path().toLocal8Bit());
    registerModelItemTypes();
    setLanguageIndex(2);
    m_port = freePort();
    for (int ch = 0; ch < 2; ++ch) {
        m_peers[ch] = std::make_unique<Peer>(url(ch));
        QVERIFY(m_peers[ch]->waitConnected());
    }
    SerialBusConfig config;
    config.plugin = QStringLiteral("virtualcan");
    config.interfaces[0] = url(0);
    config.interfaces[1] = url(1);
    QString error;
    std::shared_ptr<VendorApi> backend = createSerialBusBackend(config, &error);
    QVERIFY2(backend, qPrintable(error));
    setVendorBackend(backend);

    QVERIFY(openBothChannels());
    QVERIFY(syncBus());
}

void tst_SerialBusSpine::cleanupTestCase()
{
    closeDevice();
    setVendorBackend(nullptr);
}

bool tst_SerialBusSpine::syncBus()
{
    CanTxRecord sync{};
    sync.id = SyncId;
    return QTest::qWaitFor(
        [&] {
            if (m_peers[0]->synced && m_peers[1]->synced)
                return true;
            transmitCan(0, &sync, 1);
            transmitCan(1, &sync, 1);
            QTest::qWait(5);
            return false;
        },
        WaitMs);
}

QList<ModelItem> tst_SerialBusSpine::waitPending(int count)
{
    QList<ModelItem> items;
    (void)QTest::qWaitFor(
        [&] {
            items += takePending();
            return items.size() >= count;
        },
        WaitMs);
    return items;
}

void tst_SerialBusSpine::receiveThreadShowsPeerFrames()
{
    (void)takePending();
    recvThread receiver(0);
    receiver.start();
    QCanBusFrame fd(0x1ABCDEF, QByteArray::fromHex("01A2030405060708090A0B0C"));
    fd.setExtendedFrameFormat(true);
    fd.setFlexibleDataRateFormat(true);
    fd.setBitrateSwitch(true);
    QCanBusFrame remote(0x7FF, QByteArray(4, '\0'));
    remote.setFrameType(QCanBusFrame::RemoteRequestFrame);
    QVERIFY(m_peers[0]->device->writeFrame(remote));
    QVERIFY(m_peers[0]->device->writeFrame(fd));

    const QList<ModelItem> items = waitPending(2);
    receiver.stop();
    receiver.wait();
    QCOMPARE(items.size(), 2);
    // Classic and CAN FD frames are fetched separately; the classic pass comes first.
    const ModelItem &r = items[0];
    QCOMPARE(r.recv, 1);
    QCOMPARE(columnsOf(r), QStringLiteral("1|Rx|0x7FF|Standard Frame|Remote Frame|4|CAN|x| "));
    QVERIFY(r.timeStamp.startsWith(QLatin1String("0x")));
    QCOMPARE(columnsOf(items[1]), QStringLiteral("1|Rx|0x01ABCDEF|Extended Frame|data frame|12|"
                                                 "CANFD-acceleration|x| 01 A2 03 04 05 06 07 08 "
                                                 "09 0A 0B 0C "));
}

void tst_SerialBusSpine::sendThreadFramesReachPeer()
{
    (void)takePending();
    m_peers[1]->received.clear();
    sendThread sender(1);
    const uint8_t data[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    sender.setSendData(0x100, true, 0, 1, true, data, 8, false, 3, 1, 1, 0, 0);
    sender.start();
    QVERIFY(sender.wait(WaitMs));

    QTRY_COMPARE_WITH_TIMEOUT(m_peers[1]->received.size(), 3, WaitMs);
    for (int i = 0; i < 3; ++i) {
        const QCanBusFrame &frame = m_peers[1]->received[i];
        QCOMPARE(frame.frameId(), 0x100u + uint(i));
        QVERIFY(frame.hasFlexibleDataRateFormat());
        QVERIFY(frame.hasBitrateSwitch());
        QCOMPARE(frame.payload(), QByteArray::fromHex("1122334455667788"));
    }
    QVERIFY(m_peers[0]->received.isEmpty());
    const QList<ModelItem> items = waitPending(3);
    QCOMPARE(items.size(), 3);
    for (const ModelItem &item : items) {
        QCOMPARE(item.recv, 0);
        QCOMPARE(item.channelText, QStringLiteral("2"));
        QCOMPARE(item.direction, QStringLiteral("Tx"));
    }
    QCOMPARE(items[2].id, QStringLiteral("0x102"));
}

QTEST_GUILESS_MAIN(tst_SerialBusSpine)
#include "tst_serialbusspine.moc"
