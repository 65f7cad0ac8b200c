// The list-send thread on the simulated adapter: rows of both channels at once, a row
// stopped mid-run, a transmit failure that ends one row with one log line while the
// others keep running, and every sent frame in the pending-frame queue as Tx.

#include "device/devicelayer.h"
#include "device/sim/simulatedadapter.h"
#include "receive/pendingframes.h"
#include "settings/settingsstore.h"
#include "tests/shared/testsetup.h"
#include "transmit/listsendthread.h"

#include <QtTest>

#include <memory>
#include <mutex>

class tst_ListSendThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void countedRowsOnBothChannels();
    void rowStoppedMidRun();
    void failureEndsOnlyThatRow();

private:
    struct Events
    {
        std::mutex mutex;
        QStringList log;
        QList<QPair<int, bool>> ended;
    };
    void watch(ListSendThread &t, Events &e);
    static ListSendFrame frame(uint32_t ch, uint32_t id, bool fd = false);
    static int pendingTx(); // takes the queue

    TestHome home;
    std::shared_ptr<SimulatedAdapter> sim;
};

void tst_ListSendThread::initTestCase()
{
    QVERIFY(home.setUp());
}

void tst_ListSendThread::init()
{
    setLanguageIndex(2);
    sim = std::make_shared<SimulatedAdapter>();
    setVendorBackend(sim);
    QVERIFY(openBothChannels());
    takePending();
}

void tst_ListSendThread::cleanup()
{
    closeDevice();
    setVendorBackend(nullptr);
    sim.reset();
    takePending();
}

void tst_ListSendThread::watch(ListSendThread &t, Events &e)
{
    connect(
        &t, &ListSendThread::log, &t,
        [&e](const QString &msg) {
            std::lock_guard<std::mutex> lock(e.mutex);
            e.log << msg;
        },
        Qt::DirectConnection);
    connect(
        &t, &ListSendThread::rowEnded, &t,
        [&e](int row, bool failed) {
            std::lock_guard<std::mutex> lock(e.mutex);
            e.ended << qMakePair(row, failed);
        },
        Qt::DirectConnection);
}

ListSendFrame tst_ListSendThread::frame(uint32_t ch, uint32_t id, bool fd)
{
    ListSendFrame f;
    f.channel = ch;
    f.id = id;
    f.fd = fd;
    f.length = fd ? 12 : 8;
    for (int i = 0; i < f.length; ++i)
        f.data[i] = uint8_t(i);
    return f;
}

int tst_ListSendThread::pendingTx()
{
    int n = 0;
    for (const ModelItem &item : takePending())
        n += item.direction == QLatin1String("Tx") ? 1 : 0;
    return n;
}

void tst_ListSendThread::countedRowsOnBothChannels()
{
    Events e;
    {
        ListSendThread t;
        watch(t, e);
        t.startRow(0, frame(0, 0x100), 2, 20);
        t.startRow(1, frame(1, 0x200, true), 3, 10);
        t.startRow(2, frame(0, 0x300), 0, -1); // no period: once
        QTRY_VERIFY_WITH_TIMEOUT(!t.isRunning(0) && !t.isRunning(1) && !t.isRunning(2), 20000);
        QCOMPARE(t.sentCount(0), 20);
        QCOMPARE(t.sentCount(1), 10);
        QCOMPARE(t.sentCount(2), 1);
    }
    QCOMPARE(pendingTx(), 31);
    std::lock_guard<std::mutex> lock(e.mutex);
    QCOMPARE(e.ended.size(), 3);
    QVERIFY(e.log.isEmpty());
}

void tst_ListSendThread::rowStoppedMidRun()
{
    ListSendThread t;
    t.startRow(0, frame(0, 0x10), 1, -1);
    t.startRow(1, frame(1, 0x11), 1, -1);
    QTRY_VERIFY_WITH_TIMEOUT(t.sentCount(0) >= 20, 20000);
    t.stopRow(0);
    QVERIFY(!t.isRunning(0));
    const int64_t stoppedAt = t.sentCount(0);
    QTRY_VERIFY_WITH_TIMEOUT(t.sentCount(1) >= stoppedAt + 20, 20000);
    QVERIFY(t.sentCount(0) <= stoppedAt + 1); // at most the send under way when stopped
    QVERIFY(t.isRunning(1));
    t.stopAll();
    QVERIFY(!t.isRunning(1));
}

void tst_ListSendThread::failureEndsOnlyThatRow()
{
    QVERIFY(resetCan(1)); // channel 2 closed: its transmits fail
    Events e;
    ListSendThread t;
    watch(t, e);
    t.startRow(0, frame(0, 0x20), 1, -1);
    t.startRow(4, frame(1, 0x21), 1, -1);
    QTRY_VERIFY_WITH_TIMEOUT(!t.isRunning(4), 20000);
    const int64_t before = t.sentCount(0);
    QTRY_VERIFY_WITH_TIMEOUT(t.sentCount(0) >= before + 10, 20000);
    QVERIFY(t.isRunning(0));
    QCOMPARE(t.sentCount(4), 0);
    t.stopAll();
    std::lock_guard<std::mutex> lock(e.mutex);
    QCOMPARE(e.log, QStringList{"list send: row 5 failed to transmit, stopped"});
    QCOMPARE(e.ended, (QList<QPair<int, bool>>{{4, true}}));
}

QTEST_GUILESS_MAIN(tst_ListSendThread)
#include "tst_listsendthread.moc"
