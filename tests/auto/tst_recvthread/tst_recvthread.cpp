#include "device/devicelayer.h"
#include "device/sim/simulatedadapter.h"
#include "receive/pendingframes.h"
#include "receive/recvthread.h"
#include "settings/settingsstore.h"
#include "tests/shared/faultyadapter.h"
#include "tests/shared/modelrows.h"
#include "tests/shared/testbackend.h"
#include "tests/shared/testsetup.h"

#include <QDeadlineTimer>
#include <QtTest>

#include <memory>
#include <mutex>

// The receive thread on the simulated adapter: frames put on the bus reach the
// pending-frame queue as formatted records, and the identifier continuity check.
class tst_RecvThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void frameFromOtherChannelArrivesFormatted();
    void timeStampFollowsSetting();
    void batchesKeepBusOrder();
    void continuityCheck_data();
    void continuityCheck();
    void firstFrameAfterResetIsNeverReported();
    void stopBeforeStartSkipsOneRun();
    void endsWhenChannelCloses();

private:
    // errorID reports, recorded on the receive thread under a lock.
    class ErrorLog
    {
    public:
        explicit ErrorLog(recvThread &thread);
        QList<QPair<uint, uint>> reports();

    private:
        std::mutex mutex;
        QList<QPair<uint, uint>> recorded;
    };
    QList<ModelItem> collect(int count);
    void injectClassic(uint32_t word);
    void injectFd(uint32_t word, uint8_t flags = 0);

    TestHome home;
    TestBackend backend;
    std::unique_ptr<recvThread> thread;
};

void tst_RecvThread::initTestCase()
{
    QVERIFY(home.setUp());
}

void tst_RecvThread::init()
{
    setLanguageIndex(0);
    writeSetting(QStringLiteral("timeHex"), QStringLiteral("1"), false);
    writeSetting(QStringLiteral("recvIDAdd"), QStringLiteral("0"), false);
    QVERIFY(backend.installRunning());
    thread = std::make_unique<recvThread>(1);
    thread->setReceiveParams(1, 1);
}

void tst_RecvThread::cleanup()
{
    QVERIFY(stopThread(thread));
    backend.remove();
}

tst_RecvThread::ErrorLog::ErrorLog(recvThread &thread)
{
    connect(
        &thread, &recvThread::errorID, &thread,
        [this](uint last, uint id) {
            std::lock_guard<std::mutex> lock(mutex);
            recorded.append(qMakePair(last, id));
        },
        Qt::DirectConnection);
}

QList<QPair<uint, uint>> tst_RecvThread::ErrorLog::reports()
{
    std::lock_guard<std::mutex> lock(mutex);
    return recorded;
}

// Takes records from the queue until count have come (or a generous deadline passed).
QList<ModelItem> tst_RecvThread::collect(int count)
{
    QList<ModelItem> items;
    QDeadlineTimer deadline(30000);
    while (items.size() < count && !deadline.hasExpired()) {
        items += takePending();
        if (items.size() < count)
            QThread::msleep(1);
    }
    return items;
}

void tst_RecvThread::injectClassic(uint32_t word)
{
    CanRxRecord r{};
    r.id = word;
    QVERIFY(backend.faults->injectFrame(1, r));
}

void tst_RecvThread::injectFd(uint32_t word, uint8_t flags)
{
    CanFdRxRecord r{};
    r.id = word;
    r.flags = flags;
    QVERIFY(backend.faults->injectFrame(1, r));
}

void tst_RecvThread::frameFromOtherChannelArrivesFormatted()
{
    thread->start();
    CanTxRecord classic{};
    classic.id = makeCanId(0x123, false, false, false);
    classic.length = 2;
    classic.data[0] = 0x01;
    classic.data[1] = 0xA2;
    QVERIFY(transmitCan(0, &classic, 1));
    CanFdTxRecord fd{};
    fd.id = makeCanId(0x1ABC, true, false, false);
    fd.length = 3;
    fd.flags = 1;
    fd.data[2] = 0xFF;
    QVERIFY(transmitCanFd(0, &fd, 1));

    const QList<ModelItem> items = collect(2);
    QCOMPARE(items.size(), 2);
    const ModelItem &a = items.at(0);
    QCOMPARE(a.channel, 1u);
    QCOMPARE(a.recv, 1);
    QVERIFY(a.index.isEmpty() && a.systemTime.isEmpty());
    QVERIFY(QRegularExpression(QStringLiteral("^0x[0-9A-F]+$")).match(a.timeStamp).hasMatch());
    QCOMPARE(columnsOf(a), QStringLiteral("2|Rx|0x123|标准帧|数据帧|2|CAN|x| 01 A2 "));
    QCOMPARE(columnsOf(items.at(1)),
             QStringLiteral("2|Rx|0x00001ABC|扩展帧|数据帧|3|CANFD-加速|x| 00 00 FF "));
}

void tst_RecvThread::timeStampFollowsSetting()
{
    writeSetting(QStringLiteral("timeHex"), QStringLiteral("0"), false);
    thread->start();
    injectClassic(0x10);
    const QList<ModelItem> items = collect(1);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d{4}$"))
                 .match(items.at(0).timeStamp)
                 .hasMatch(),
             qPrintable(items.at(0).timeStamp));
}

void tst_RecvThread::batchesKeepBusOrder()
{
    const int count = 2500; // more than one library call's worth
    for (int i = 0; i < count; ++i)
        injectClassic(uint32_t(i) | CanExtendedFlag);
    thread->start();
    const QList<ModelItem> items = collect(count);
    QCOMPARE(items.size(), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(items.at(i).id,
                 QStringLiteral("0x") +
                     QStringLiteral("%1").arg(i, 8, 16, QLatin1Char('0')).toUpper());
}

void tst_RecvThread::continuityCheck_data()
{
    QTest::addColumn<bool>("fd");
    QTest::addColumn<QVector<uint>>("ids");
    QTest::addColumn<bool>("error");
    QTest::addColumn<uint>("last");
    QTest::addColumn<uint>("current");

    const QVector<uint> wrapAtStandard{0x7FE, 0x7FF, 0x000};
    QTest::newRow("classic wraps after 0x7FF") << false << wrapAtStandard << false << 0u << 0u;
    QTest::newRow("fd does not wrap after 0x7FF") << true << wrapAtStandard << true << 0x7FFu << 0u;
    const QVector<uint> wrapAtExtended{0x1FFFFFFE | CanExtendedFlag, 0x1FFFFFFF | CanExtendedFlag,
                                       0x0 | CanExtendedFlag};
    QTest::newRow("fd wraps after 0x1FFFFFFF") << true << wrapAtExtended << false << 0u << 0u;
    QTest::newRow("classic gap") << false << QVector<uint>{0x100, 0x101, 0x103, 0x200} << true
                                 << 0x101u << 0x103u;
}

void tst_RecvThread::continuityCheck()
{
    QFETCH(bool, fd);
    QFETCH(QVector<uint>, ids);
    QFETCH(bool, error);
    writeSetting(QStringLiteral("recvIDAdd"), QStringLiteral("1"), false);
    thread->resetLastIds();
    ErrorLog errors(*thread);
    for (uint id : ids)
        fd ? injectFd(id) : injectClassic(id);
    thread->start();
    collect(ids.size());
    thread->stop();
    QVERIFY(thread->wait(30000));

    const QList<QPair<uint, uint>> reports = errors.reports();
    QCOMPARE(reports.size(), error ? 1 : 0); // reported once, then the check is off
    if (error) {
        QTEST(reports.at(0).first, "last");
        QTEST(reports.at(0).second, "current");
    }
    QCOMPARE(readSetting(QStringLiteral("recvIDAdd"), QString()),
             error ? QStringLiteral("0") : QStringLiteral("1"));
}

void tst_RecvThread::firstFrameAfterResetIsNeverReported()
{
    writeSetting(QStringLiteral("recvIDAdd"), QStringLiteral("1"), false);
    ErrorLog errors(*thread);
    injectClassic(0x300);
    injectClassic(0x301);
    thread->start();
    collect(2);
    thread->stop();
    QVERIFY(thread->wait(30000));

    thread->resetLastIds();
    injectClassic(0x050); // would be out of sequence after 0x301
    injectClassic(0x051);
    thread->start();
    collect(2);
    thread->stop();
    QVERIFY(thread->wait(30000));
    QVERIFY(errors.reports().isEmpty());
}

void tst_RecvThread::stopBeforeStartSkipsOneRun()
{
    thread->stop();
    thread->start();
    QVERIFY(thread->wait(30000)); // returns although the channel is open
    injectClassic(0x42);
    QVERIFY(takePending().isEmpty());
    thread->start(); // the flag was cleared by the skipped run
    const QList<ModelItem> items = collect(1);
    QCOMPARE(items.at(0).id, QStringLiteral("0x042"));
}

void tst_RecvThread::endsWhenChannelCloses()
{
    thread->start();
    injectClassic(0x1);
    collect(1);
    QVERIFY(resetCan(1));
    QVERIFY(thread->wait(30000));
}

QTEST_GUILESS_MAIN(tst_RecvThread)
#include "tst_recvthread.moc"
