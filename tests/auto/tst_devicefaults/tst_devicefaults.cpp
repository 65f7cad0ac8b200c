#include "tests/shared/faultfixture.h"

#include "receive/mytablemodel.h"
#include "receive/recvthread.h"
#include "tests/shared/modalhelper.h"
#include "tests/shared/windowparts.h"
#include "transmit/sendpanels.h"
#include "transmit/sendthread.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QtTest>

#include <mutex>

namespace {

// On the fixture's virtual bus clock a wait takes no real time: it lets the wire carry
// what is queued.
uint32_t receiveInto(uint32_t ch, CanRxRecord *records, uint32_t capacity)
{
    return receiveCan(ch, records, capacity, 1000);
}

uint32_t receiveInto(uint32_t ch, CanFdRxRecord *records, uint32_t capacity)
{
    return receiveCanFd(ch, records, capacity, 1000);
}

// Identifiers of everything waiting in one receive queue of channel ch.
template <typename Rx> QList<uint32_t> receivedIds(uint32_t ch)
{
    QVector<Rx> records(1000);
    QList<uint32_t> ids;
    uint32_t n = 0;
    while ((n = receiveInto(ch, records.data(), uint32_t(records.size()))) > 0) {
        for (uint32_t i = 0; i < n; ++i)
            ids << (records.at(int(i)).id & CanIdMask);
    }
    return ids;
}

} // namespace

// Device faults end to end: the adapter vanishing under running receive and send
// threads, transmit failures in the middle of a job, receive calls reporting impossible
// counts, and an open that only succeeds after the library's recovery call.
class tst_DeviceFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void unplugWhileReceivingAndSendingLosesNothing_data();
    void unplugWhileReceivingAndSendingLosesNothing();
    void transmitFailureInLongerJob_data();
    void transmitFailureInLongerJob();
    void receiveCountOutOfRange_data();
    void receiveCountOutOfRange();
    void openRecoversThroughDeviceMenu();

private:
    // What a send thread reported, recorded on the worker thread under a lock.
    class JobRecorder
    {
    public:
        explicit JobRecorder(sendThread &thread);
        QStringList log();
        QList<uint> ends();

    private:
        std::mutex mutex;
        QStringList lines;
        QList<uint> endList;
    };

    void startChannel1Job(MainWindow *w, const QString &count);
    void waitForReceiveCalls(int calls);
    bool waitUntilTaken(int ch);

    std::unique_ptr<FaultFixture> fixture;
};

tst_DeviceFaults::JobRecorder::JobRecorder(sendThread &thread)
{
    connect(
        &thread, &sendThread::log, &thread,
        [this](const QString &msg) {
            std::lock_guard<std::mutex> lock(mutex);
            lines << msg;
        },
        Qt::DirectConnection);
    connect(
        &thread, &sendThread::endSend, &thread,
        [this](uint ch) {
            std::lock_guard<std::mutex> lock(mutex);
            endList << ch;
        },
        Qt::DirectConnection);
}

QStringList tst_DeviceFaults::JobRecorder::log()
{
    std::lock_guard<std::mutex> lock(mutex);
    return lines;
}

QList<uint> tst_DeviceFaults::JobRecorder::ends()
{
    std::lock_guard<std::mutex> lock(mutex);
    return endList;
}

void tst_DeviceFaults::init()
{
    fixture = std::make_unique<FaultFixture>();
}

void tst_DeviceFaults::cleanup()
{
    fixture.reset();
}

// Channel 1 sends extended frames with consecutive identifiers from 0, one per
// millisecond, with self-reception, so both channels receive every frame it sends.
void tst_DeviceFaults::startChannel1Job(MainWindow *w, const QString &count)
{
    SendPanels *panels = sendPanelsOf(w);
    panels->restoreSendPanels();
    panels->findChild<QComboBox *>("ch1FrameTypeCombo")->setCurrentIndex(1);
    panels->findChild<QComboBox *>("ch1SendTypeCombo")->setCurrentIndex(2);
    panels->findChild<QCheckBox *>("ch1IDAddChk")->setChecked(true);
    panels->findChild<QLineEdit *>("ch1SendIDEdit")->setText("0");
    panels->findChild<QLineEdit *>("ch1SendDataEdit")->setText("11 22");
    panels->findChild<QLineEdit *>("ch1SendCountEdit")->setText(count);
    panels->findChild<QLineEdit *>("ch1SendInvEdit")->setText("1");
    panels->findChild<QPushButton *>("ch1SendBtn")->click();
}

// Waits, without running the event loop, until the receive threads made `calls` more
// library calls: a call that was under way when the adapter went has returned by then.
void tst_DeviceFaults::waitForReceiveCalls(int calls)
{
    auto total = [this] { return fixture->faults->callCount(13) + fixture->faults->callCount(15); };
    const uint64_t target = total() + uint64_t(calls);
    for (int i = 0; i < 100000 && total() < target; ++i)
        QThread::msleep(1);
}

// Waits, without running the event loop, until the adapter's queues of channel ch are
// seen empty: the receive thread has taken everything queued before.
bool tst_DeviceFaults::waitUntilTaken(int ch)
{
    for (int i = 0; i < 1000000; ++i) {
        if (fixture->sim->queuedFrames(ch) == 0)
            return true;
        QThread::yieldCurrentThread();
    }
    return false;
}

void tst_DeviceFaults::unplugWhileReceivingAndSendingLosesNothing_data()
{
    QTest::addColumn<bool>("idleUpdateBeforeSending");
    QTest::newRow("idle update seen the adapter") << true;
    QTest::newRow("sending started at once") << false;
}

void tst_DeviceFaults::unplugWhileReceivingAndSendingLosesNothing()
{
    QFETCH(bool, idleUpdateBeforeSending);
    SimulatedAdapter &sim = *fixture->sim;
    FaultyAdapter &faults = *fixture->faults;
    MainWindow *w = fixture->open();
    w->applyValue("1000000", 2); // every frame stays in the table
    const QString csv = fixture->path("/capture.csv");
    QVERIFY(w->startRecording(csv, 0));
    QVERIFY(openBothChannels());
    QVERIFY(queryDeviceInfo() != 0);
    const bool started[2] = {true, true};
    w->applyOpenedChannels(started);
    if (idleUpdateBeforeSending)
        w->updateRates();
    startChannel1Job(w, "-1");
    QVERIFY(transmitThreadOf(w, 0)->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(countersOf(w).totals[Ch2Rx] >= 200, 60000);

    // Every frame on the wire up to now has left the adapter's queues once both were seen
    // empty (frames still in the transmit FIFO are lost with the adapter).
    const uint64_t sentBeforeUnplug = sim.wireSentFrames(0);
    QVERIFY(waitUntilTaken(0) && waitUntilTaken(1));
    faults.unplug(); // what the adapter still held is gone with it
    // The job ends on its first failing transmit; the window's timers do not run meanwhile.
    QVERIFY(transmitThreadOf(w, 0)->wait(60000));
    const uint64_t sent = sim.transmittedFrames(0);
    QVERIFY(receiveThreadOf(w, 0)->isRunning() && receiveThreadOf(w, 1)->isRunning());
    QCoreApplication::processEvents(); // the job's log line and endSend arrive

    w->updateRates();
    QVERIFY(!isDeviceOpen());
    QVERIFY(!receiveThreadOf(w, 0)->isRunning());
    QVERIFY(!receiveThreadOf(w, 1)->isRunning());
    QVERIFY(!sendPanelsOf(w)->isSendEnabled(0));
    QVERIFY(!sendPanelsOf(w)->isSendEnabled(1));
    QCOMPARE(w->windowTitle(), QString("Larkspur-V1.17"));
    const QString log = fixture->log();
    QCOMPARE(log.count("设备已关闭！"), 1);
    QCOMPARE(log.count("通道1CAN数据发送失败！"), 1);
    QVERIFY(!log.contains("数据发送完成") && !log.contains("数据中止发送"));

    w->refreshDisplay();
    w->findChild<QCheckBox *>("checkBox")->click(); // recording off: the file is complete

    // Channel 1 sent frames 0 .. sent-1; each channel shows an unbroken run of them from
    // 0, covering at least everything taken before the unplug, each frame once.
    QList<uint32_t> ids[3]; // channel 1 Tx, channel 1 Rx, channel 2 Rx
    const QStringList rows = recordedRows(csv);
    for (const QString &row : rows) {
        const QStringList f = row.split(',');
        const int list = f.at(4) == "Tx" ? 0 : (f.at(3) == "1" ? 1 : 2);
        ids[list] << f.at(5).mid(2).toUInt(nullptr, 16);
    }
    QCOMPARE(uint64_t(ids[0].size()), sent);
    for (int list = 0; list < 3; ++list) {
        QVERIFY(uint64_t(ids[list].size()) >= sentBeforeUnplug);
        QVERIFY(uint64_t(ids[list].size()) <= sent);
        for (int i = 0; i < ids[list].size(); ++i)
            QCOMPARE(ids[list].at(i), uint32_t(i));
    }
    const DisplayCounters &c = countersOf(w);
    QCOMPARE(c.totals[Ch1Tx], sent);
    QCOMPARE(c.totals[Ch1Rx], uint64_t(ids[1].size()));
    QCOMPARE(c.totals[Ch2Rx], uint64_t(ids[2].size()));
    QCOMPARE(c.totals[Ch2Tx], uint64_t(0));
    QCOMPARE(frameModelOf(w)->rowCount(), rows.size());
    QCOMPARE(w->findChild<QLabel *>("labelCh2RxCnt")->text(), QString::number(ids[2].size()));

    // Plugged in again, the adapter opens and the window receives as before.
    faults.replug();
    QVERIFY(openBothChannels());
    QVERIFY(queryDeviceInfo() != 0);
    w->applyOpenedChannels(started);
    QVERIFY(receiveThreadOf(w, 0)->isRunning() && receiveThreadOf(w, 1)->isRunning());
    QVERIFY(sendPanelsOf(w)->isSendEnabled(0));
    CanRxRecord frame{};
    frame.id = 0x55;
    QVERIFY(faults.injectFrame(1, frame));
    const uint64_t before = c.totals[Ch2Rx];
    QTRY_COMPARE_WITH_TIMEOUT(countersOf(w).totals[Ch2Rx], before + 1, 60000);
    w->updateRates();
    QVERIFY(w->windowTitle().startsWith("Larkspur-V1.17 - SN:"));
}

void tst_DeviceFaults::transmitFailureInLongerJob_data()
{
    QTest::addColumn<bool>("fd");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<uint>("perCall");
    QTest::addColumn<int>("failingCall");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QStringList>("endLog");

    const QStringList classicFailure{"通道1CAN数据发送失败！"};
    QTest::newRow("12th of 100") << false << qint64(100) << 1u << 12 << 11 << classicFailure;
    QTest::newRow("CAN FD 14th of 40")
        << true << qint64(40) << 1u << 14 << 13 << QStringList{"通道1CANFD数据发送失败！"};
    QTest::newRow("batches of 8, 5th call")
        << false << qint64(100) << 8u << 5 << 32 << classicFailure;
    QTest::newRow("endless, 30th call") << false << qint64(-1) << 1u << 30 << 29 << classicFailure;
    QTest::newRow("the last call") << false << qint64(12) << 1u << 12 << 11
                                   << QStringList{"通道1CAN数据发送失败！", "通道1数据发送完成！"};
}

void tst_DeviceFaults::transmitFailureInLongerJob()
{
    QFETCH(bool, fd);
    QFETCH(qint64, count);
    QFETCH(uint, perCall);
    QFETCH(int, failingCall);
    QFETCH(int, frames);
    QVERIFY(openBothChannels());
    sendThread sender(0);
    JobRecorder recorder(sender);
    fixture->faults->failCall(fd ? 14 : 12, failingCall);
    const uint8_t data[2] = {0xA5, 0x5A};
    sender.setSendData(0x100, true, 0, fd, false, data, 2, false, count, perCall, 0, 0, 0);
    sender.start();
    QVERIFY(sender.wait(60000));

    QCOMPARE(recorder.ends(), QList<uint>{0});
    QTEST(QStringList(recorder.log().mid(1)), "endLog");
    const QList<ModelItem> queued = takePending();
    QCOMPARE(queued.size(), frames);
    QCOMPARE(fixture->sim->transmittedFrames(0), uint64_t(frames));
    for (int i = 0; i < frames; ++i) {
        QCOMPARE(queued.at(i).direction, QString("Tx"));
        QCOMPARE(queued.at(i).id.mid(2).toUInt(nullptr, 16), uint32_t(0x100 + i));
    }
    // The other channel got the same frames, each once.
    const QList<uint32_t> received =
        fd ? receivedIds<CanFdRxRecord>(1) : receivedIds<CanRxRecord>(1);
    QCOMPARE(received.size(), frames);
    for (int i = 0; i < frames; ++i)
        QCOMPARE(received.at(i), uint32_t(0x100 + i));
}

void tst_DeviceFaults::receiveCountOutOfRange_data()
{
    QTest::addColumn<uint>("rawCount");
    QTest::addColumn<bool>("overfull");
    QTest::newRow("one more than asked") << 1001u << true;
    QTest::newRow("far more than asked") << 50000u << true;
    QTest::newRow("minus one") << 0xFFFFFFFFu << false;
    QTest::newRow("most negative") << 0x80000000u << false;
}

// Whatever count the library reports, the receive thread never reads past its buffers
// (the address sanitizer run checks this) and keeps working once the counts are sane.
void tst_DeviceFaults::receiveCountOutOfRange()
{
    QFETCH(uint, rawCount);
    QFETCH(bool, overfull);
    SimulatedAdapter &sim = *fixture->sim;
    FaultyAdapter &faults = *fixture->faults;
    QVERIFY(openBothChannels());
    recvThread receiver(0);
    faults.setReceiveResultOverride(rawCount);
    receiver.start();
    if (overfull) {
        for (int i = 0; i < 100000 && pendingCount() < 4000; ++i)
            QThread::msleep(1);
    } else {
        waitForReceiveCalls(20);
    }
    receiver.stop();
    QVERIFY(receiver.wait(60000));
    const QList<ModelItem> taken = takePending();
    if (overfull) {
        QVERIFY(taken.size() >= 4000);
        QCOMPARE(taken.size() % 1000, 0); // a full buffer per call, never more
    } else {
        QVERIFY(taken.isEmpty());
    }

    faults.clearReceiveResultOverride();
    CanRxRecord frame{};
    frame.id = 0x123;
    frame.length = 1;
    frame.data[0] = 0x42;
    QVERIFY(faults.injectFrame(0, frame));
    receiver.start();
    QList<ModelItem> later;
    for (int i = 0; i < 100000 && later.isEmpty(); ++i) {
        later += takePending();
        QThread::msleep(1);
    }
    receiver.stop();
    QVERIFY(receiver.wait(60000));
    later += takePending();
    QCOMPARE(later.size(), 1);
    QCOMPARE(later.first().id, QString("0x123"));
}

// The first open fails; the device layer's recovery call lets the second one succeed,
// and the main window goes on to receive on the channel started in the dialog.
void tst_DeviceFaults::openRecoversThroughDeviceMenu()
{
    SimulatedAdapter &sim = *fixture->sim;
    FaultyAdapter &faults = *fixture->faults;
    MainWindow *w = fixture->open();
    faults.failFirstOpen();
    whenModalAppears("OpenDlg", [](QWidget *dialog) {
        dialog->findChild<QPushButton *>("pushButton")->click(); // open
        whenModalAppears("ParaDialog", [](QWidget *para) {
            para->findChild<QPushButton *>("btnConfirm")->click();
        });
        dialog->findChild<QPushButton *>("pushButton_3")->click(); // start channel 1
        static_cast<QDialog *>(dialog)->accept();
    });
    w->runDeviceOperations();

    QVERIFY(fixture->messages.isEmpty());
    QVERIFY(isDeviceOpen());
    QCOMPARE(faults.callCount(1), uint64_t(2));  // open, failed then succeeded
    QCOMPARE(faults.callCount(64), uint64_t(1)); // the recovery call between them
    QVERIFY(isChannelOpen(0));
    QVERIFY(receiveThreadOf(w, 0)->isRunning());
    QVERIFY(sendPanelsOf(w)->isSendEnabled(0));
    QVERIFY(fixture->log().contains("通道1打开成功！"));
    w->updateRates();
    QVERIFY(w->windowTitle().startsWith("Larkspur-V1.17 - SN:"));
}

QTEST_MAIN(tst_DeviceFaults)
#include "tst_devicefaults.moc"
