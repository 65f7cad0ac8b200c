// What a QtSerialBus channel makes of the plugin's error frames: error records in the
// classic queue with the plugin's error classes and data, past any acceptance filter, and
// rows the trace shows as error frames; and a receive that waits is woken by the frame's
// delivery or by a reset, never by polling.

#include "device/canerrorframe.h"
#include "device/serialbus/serialbuschannel.h"
#include "receive/frameformat.h"
#include "settings/settingsstore.h"

#include <QtTest>

#include <atomic>
#include <thread>

class tst_SerialBusChannel : public QObject
{
    Q_OBJECT

private slots:
    void errorFramesBecomeErrorRecords_data();
    void errorFramesBecomeErrorRecords();
    void errorFramesOnlyWhileStarted();
    void waitingTakeWokenByDelivery_data();
    void waitingTakeWokenByDelivery();
    void waitingTakeWokenByReset();
};

void tst_SerialBusChannel::errorFramesBecomeErrorRecords_data()
{
    QTest::addColumn<int>("errors"); // QCanBusFrame::FrameErrors
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<uint>("idWord");
    QTest::addColumn<QString>("idText");
    QTest::newRow("bus off") << int(QCanBusFrame::BusOffError) << QByteArray(8, '\0')
                             << (CanErrorFlag | CanErrorFrame::BusOff) << "0x040";
    QTest::newRow("form error")
        << int(QCanBusFrame::ProtocolViolationError | QCanBusFrame::BusError)
        << QByteArray::fromHex("0000020000000000")
        << (CanErrorFlag | CanErrorFrame::ProtocolViolation | CanErrorFrame::BusError) << "0x088";
    QTest::newRow("error passive with counters")
        << int(QCanBusFrame::ControllerError) << QByteArray::fromHex("0010000000000080")
        << (CanErrorFlag | CanErrorFrame::ControllerProblem) << "0x004";
    QTest::newRow("short payload")
        << int(QCanBusFrame::MissingAcknowledgmentError) << QByteArray::fromHex("01")
        << (CanErrorFlag | CanErrorFrame::NoAcknowledge) << "0x020";
}

void tst_SerialBusChannel::errorFramesBecomeErrorRecords()
{
    QFETCH(int, errors);
    QFETCH(QByteArray, payload);
    QFETCH(uint, idWord);
    SerialBusChannel channel(16);
    channel.initialise(false);
    SerialBusFilter onlyOne; // no data frame of 0x000-0x7FF but 0x123 passes
    onlyOne.add({false, 0x123, 0x123});
    channel.setFilter(onlyOne);
    channel.start();
    QCanBusFrame error(QCanBusFrame::ErrorFrame);
    error.setError(QCanBusFrame::FrameErrors(errors));
    error.setPayload(payload);
    QCanBusFrame data(0x088, QByteArray(8, 'x')); // the same identifier as data: filtered
    channel.deliver({error, data});

    CanRxRecord records[4];
    QCOMPARE(channel.takeClassic(records, 4), 1u);
    QCOMPARE(records[0].id, idWord);
    QCOMPARE(int(records[0].length), 8);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(records[0].data), payload.size()), payload);
    setLanguageIndex(2);
    const ModelItem row = formatRxFrame(0, records[0], true);
    QCOMPARE(row.type, QStringLiteral("Error Frame"));
    QTEST(row.id, "idText");
}

void tst_SerialBusChannel::errorFramesOnlyWhileStarted()
{
    SerialBusChannel channel(16);
    channel.initialise(false);
    QCanBusFrame error(QCanBusFrame::ErrorFrame);
    error.setError(QCanBusFrame::BusOffError);
    channel.deliver({error});
    CanRxRecord records[2];
    QCOMPARE(channel.takeClassic(records, 2), 0u);
    channel.start();
    error.setFlexibleDataRateFormat(true); // still the classic queue
    channel.deliver({error});
    CanFdRxRecord fd[2];
    QCOMPARE(channel.takeFd(fd, 2), 0u);
    QCOMPARE(channel.takeClassic(records, 2), 1u);
}

void tst_SerialBusChannel::waitingTakeWokenByDelivery_data()
{
    QTest::addColumn<bool>("fd");
    QTest::newRow("classic") << false;
    QTest::newRow("CAN FD") << true;
}

// The waiter asks to wait without end; only the delivery can end its wait.
void tst_SerialBusChannel::waitingTakeWokenByDelivery()
{
    QFETCH(bool, fd);
    SerialBusChannel channel(16);
    channel.initialise(false);
    channel.start();
    uint32_t taken = 0;
    uint32_t id = 0;
    std::thread waiter([&] {
        CanRxRecord classic[4];
        CanFdRxRecord flexible[4];
        if (fd) {
            taken = channel.takeFd(flexible, 4, QDeadlineTimer(QDeadlineTimer::Forever));
            id = flexible[0].id;
        } else {
            taken = channel.takeClassic(classic, 4, QDeadlineTimer(QDeadlineTimer::Forever));
            id = classic[0].id;
        }
    });
    QCanBusFrame other(0x200, QByteArray(8, 'o')); // the other kind: no wake-up for it
    other.setFlexibleDataRateFormat(!fd);
    channel.deliver({other});
    QCanBusFrame frame(0x123, QByteArray(8, 'x'));
    frame.setFlexibleDataRateFormat(fd);
    channel.deliver({frame});
    waiter.join();
    QCOMPARE(taken, 1u);
    QCOMPARE(id, 0x123u);
}

void tst_SerialBusChannel::waitingTakeWokenByReset()
{
    SerialBusChannel channel(16);
    channel.initialise(false);
    channel.start();
    std::atomic<int> taken{-1};
    std::thread waiter([&] {
        CanRxRecord records[4];
        taken = int(channel.takeClassic(records, 4, QDeadlineTimer(QDeadlineTimer::Forever)));
    });
    while (taken.load() == -1) {
        channel.reset(); // until the waiter has gone to sleep and been woken by one
        QThread::yieldCurrentThread();
    }
    waiter.join();
    QCOMPARE(taken.load(), 0);
    CanRxRecord records[1];
    QCOMPARE(channel.takeClassic(records, 1), 0u); // without a deadline: at once
}

QTEST_GUILESS_MAIN(tst_SerialBusChannel)
#include "tst_serialbuschannel.moc"
