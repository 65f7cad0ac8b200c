#include "device/devicelayer.h"
#include "device/sim/simulatedadapter.h"
#include "receive/frameformat.h"
#include "receive/pendingframes.h"
#include "receive/recvthread.h"
#include "record/csvformat.h"
#include "settings/settingsstore.h"
#include "tests/shared/faultyadapter.h"
#include "tests/shared/modelrows.h"
#include "tests/shared/testbackend.h"
#include "tests/shared/testsetup.h"
#include "transmit/sendthread.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QtTest>

#include <atomic>
#include <memory>
#include <mutex>

// The send thread on the simulated adapter: frame jobs (counts, increments, wraps, stop,
// failures) and file replay, observed through the pending-frame queue, the log and the
// frames the other channel receives.
class tst_SendThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void frameJobCountsAndMessages_data();
    void frameJobCountsAndMessages();
    void identifierIncrementWraps_data();
    void identifierIncrementWraps();
    void dataIncrementCarries_data();
    void dataIncrementCarries();
    void endlessJobQueuesEveryFrameBeforeEnd();
    void stopDuringPauseAborts();
    void receptionsFollowTheirTransmissions();
    void transmitFailure_data();
    void transmitFailure();
    void replayTiming_data();
    void replayTiming();
    void fileReplayFollowsRowChannels();
    void fileReplayRepeatsAndFixedChannel();
    void fileThatCannotBeOpened();
    void endlessFileReplayStops();

private:
    // The log lines and end signals of one job, recorded on the worker thread under a
    // lock (the thread sanitizer cannot see the ordering QThread::wait gives).
    struct Job
    {
        QStringList log;
        QList<uint> ends;
    };
    class Recorder
    {
    public:
        explicit Recorder(sendThread &thread);
        Job job();

    private:
        std::mutex mutex;
        Job recorded;
    };
    Job run(sendThread &thread);
    QList<ModelItem> collect(int count);
    QString writeCsv(const QList<ModelItem> &rows, const QByteArray &extra = QByteArray());
    QList<uint32_t> receivedIds(uint32_t ch);

    TestHome home;
    TestBackend backend;
    std::unique_ptr<sendThread> sender;
};

void tst_SendThread::initTestCase()
{
    QVERIFY(home.setUp());
}

void tst_SendThread::init()
{
    setLanguageIndex(0);
    QVERIFY(backend.installRunning());
    sender = std::make_unique<sendThread>(0);
}

void tst_SendThread::cleanup()
{
    QVERIFY(stopThread(sender));
    backend.remove();
}

tst_SendThread::Recorder::Recorder(sendThread &thread)
{
    connect(
        &thread, &sendThread::log, &thread,
        [this](const QString &msg) {
            std::lock_guard<std::mutex> lock(mutex);
            recorded.log << msg;
        },
        Qt::DirectConnection);
    connect(
        &thread, &sendThread::endSend, &thread,
        [this](uint ch) {
            std::lock_guard<std::mutex> lock(mutex);
            recorded.ends << ch;
        },
        Qt::DirectConnection);
}

tst_SendThread::Job tst_SendThread::Recorder::job()
{
    std::lock_guard<std::mutex> lock(mutex);
    return recorded;
}

tst_SendThread::Job tst_SendThread::run(sendThread &thread)
{
    Recorder recorder(thread);
    thread.start();
    thread.wait();
    return recorder.job();
}

// Takes records from the queue until count have come (or a generous deadline passed).
QList<ModelItem> tst_SendThread::collect(int count)
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

QString tst_SendThread::writeCsv(const QList<ModelItem> &rows, const QByteArray &extra)
{
    QString text = csvHeaderLine(QStringList{"序号", "系统时间", "时间标识", "通道", "收/发", "ID",
                                             "Frame", "类型", "DLC", "CAN-FD", "数据"});
    for (const ModelItem &row : rows)
        appendCsvRow(text, row);
    const QString path = home.filePath(QStringLiteral("replay.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(text.toUtf8() + extra);
    return path;
}

QList<uint32_t> tst_SendThread::receivedIds(uint32_t ch)
{
    QList<uint32_t> ids;
    // What was queued is on the wire for a while yet: let it arrive.
    QDeadlineTimer deadline(5000);
    while ((backend.sim->pendingTransmits(0) != 0 || backend.sim->pendingTransmits(1) != 0) &&
           !deadline.hasExpired())
        QThread::msleep(1);
    CanRxRecord classic[64];
    const uint32_t n = receiveCan(ch, classic, 64, 0);
    for (uint32_t i = 0; i < n; ++i)
        ids << classic[i].id;
    CanFdRxRecord fd[64];
    const uint32_t m = receiveCanFd(ch, fd, 64, 0);
    for (uint32_t i = 0; i < m; ++i)
        ids << fd[i].id;
    return ids;
}

void tst_SendThread::frameJobCountsAndMessages_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<bool>("channelOpen");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QStringList>("log");

    QTest::newRow("three frames") << 0u << qint64(3) << true << 3
                                  << QStringList{
                                         "通道: 1开始发送数据：数据总帧数:3，发送间隔:0ms...",
                                         "通道1数据发送完成！"};
    QTest::newRow("english") << 2u << qint64(2) << true << 2
                             << QStringList{"Channel:1 Start sending data: Total frames of "
                                            "data:2, sending interval:0ms...",
                                            "channel1Data transmission completed!"};
    QTest::newRow("traditional") << 1u << qint64(1) << true << 1
                                 << QStringList{
                                        "通道: 1開始發送數據：數據縂幀數:1，發送間隔:0ms...",
                                        "通道1數據發送完成！"};
    QTest::newRow("count 0") << 0u << qint64(0) << true << 0
                             << QStringList{"通道: 1开始发送数据：数据总帧数:0，发送间隔:0ms...",
                                            "通道1数据发送完成！"};
    QTest::newRow("count -2") << 0u << qint64(-2) << true << 0
                              << QStringList{"通道: 1开始发送数据：数据总帧数:-2，发送间隔:0ms..."};
    QTest::newRow("channel closed")
        << 0u << qint64(4) << false << 0
        << QStringList{"通道: 1开始发送数据：数据总帧数:4，发送间隔:0ms..."};
    QTest::newRow("unknown language") << 7u << qint64(1) << true << 1 << QStringList{};
}

void tst_SendThread::frameJobCountsAndMessages()
{
    QFETCH(uint, language);
    QFETCH(qint64, count);
    QFETCH(bool, channelOpen);
    QFETCH(int, frames);
    setLanguageIndex(language);
    if (!channelOpen)
        QVERIFY(resetCan(0));
    const uint8_t bytes[] = {0xAB};
    sender->setSendData(0x123, false, 0, 0, false, bytes, 1, false, count, 1, 0, 0, 0);
    const Job job = run(*sender);
    QTEST(job.log, "log");
    QCOMPARE(job.ends, QList<uint>{0});
    const QList<ModelItem> items = takePending();
    QCOMPARE(items.size(), frames);
    for (const ModelItem &item : items) {
        QCOMPARE(item.recv, 0);
        QCOMPARE(item.channel, 0u);
        QCOMPARE(item.timeStamp, QStringLiteral("无"));
        const QString columns = columnsOf(item); // frame and type follow the language
        QVERIFY2(columns.startsWith(QLatin1String("1|Tx|0x123|")), qPrintable(columns));
        QVERIFY2(columns.endsWith(QLatin1String("|1|CAN|x| AB ")), qPrintable(columns));
    }
    QCOMPARE(receivedIds(1).size(), frames);
}

void tst_SendThread::identifierIncrementWraps_data()
{
    QTest::addColumn<uint>("id");
    QTest::addColumn<uint>("extended");
    QTest::addColumn<uint>("fd");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QList<uint>>("words");

    QTest::newRow("standard") << 0x7FFu << 0u << 0u << QStringList{"0x7FF", "0x000", "0x001"}
                              << QList<uint>{0x7FF, 0x000, 0x001};
    QTest::newRow("extended fd") << 0x1FFFFFFFu << 1u << 1u
                                 << QStringList{"0x1FFFFFFF", "0x00000000", "0x00000001"}
                                 << QList<uint>{0x1FFFFFFF | CanExtendedFlag, CanExtendedFlag,
                                                1 | CanExtendedFlag};
}

void tst_SendThread::identifierIncrementWraps()
{
    QFETCH(uint, id);
    QFETCH(uint, extended);
    QFETCH(uint, fd);
    QFETCH(QStringList, ids);
    sender->setSendData(id, true, extended, fd, false, nullptr, 0, false, 3, 1, 0, 0, 0);
    run(*sender);
    QStringList texts;
    for (const ModelItem &item : takePending())
        texts << item.id;
    QCOMPARE(texts, ids);
    QTEST(receivedIds(1), "words");
}

void tst_SendThread::dataIncrementCarries_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QStringList>("data");

    QTest::newRow("byte 0 least significant")
        << QByteArray::fromHex("0011ff") << 3
        << QStringList{"x| 00 11 FF ", "x| 01 11 FF ", "x| 02 11 FF "};
    QTest::newRow("carry") << QByteArray::fromHex("ff00") << 2
                           << QStringList{"x| FF 00 ", "x| 00 01 "};
    QTest::newRow("all FF wraps") << QByteArray::fromHex("ffff") << 2
                                  << QStringList{"x| FF FF ", "x| 00 00 "};
}

void tst_SendThread::dataIncrementCarries()
{
    QFETCH(QByteArray, start);
    QFETCH(int, frames);
    sender->setSendData(0x1, false, 0, 1, true, reinterpret_cast<const uint8_t *>(start.data()),
                        uint32_t(start.size()), true, frames, 1, 0, 0, 2);
    run(*sender);
    QStringList texts;
    for (const ModelItem &item : takePending()) {
        QCOMPARE(item.canFd, QStringLiteral("CANFD-加速"));
        texts << item.data;
    }
    QTEST(texts, "data");
}

void tst_SendThread::endlessJobQueuesEveryFrameBeforeEnd()
{
    std::atomic<int> queuedAtEnd{-1};
    connect(
        sender.get(), &sendThread::endSend, this, [&] { queuedAtEnd = pendingCount(); },
        Qt::DirectConnection);
    sender->setSendData(0, true, 1, 0, false, nullptr, 0, false, -1, 1, 0, 0, 0);
    Recorder recorder(*sender);
    sender->start();
    QList<ModelItem> items = collect(3000);
    sender->stop();
    QVERIFY(sender->wait(30000));
    const QList<ModelItem> rest = takePending();
    QCOMPARE(queuedAtEnd.load(), rest.size());
    items += rest;

    QCOMPARE(uint64_t(items.size()), backend.sim->transmittedFrames(0));
    for (int i = 0; i < items.size(); ++i)
        QCOMPARE(items.at(i).id,
                 QStringLiteral("0x") +
                     QStringLiteral("%1").arg(i, 8, 16, QLatin1Char('0')).toUpper());
    QCOMPARE(recorder.job().log, (QStringList{"通道: 1开始发送数据：一直发送，发送间隔:0ms...",
                                              "通道1数据中止发送！"}));
}

void tst_SendThread::stopDuringPauseAborts()
{
    sender->setSendData(0x10, false, 0, 0, false, nullptr, 0, false, 5, 1, 3600000, 0, 0);
    Recorder recorder(*sender);
    sender->start();
    collect(1);
    sender->stop();
    QVERIFY(sender->wait(30000));
    QCOMPARE(recorder.job().log.last(), QStringLiteral("通道1数据中止发送！"));
    QCOMPARE(recorder.job().ends, QList<uint>{0});
    QVERIFY(takePending().isEmpty());
    QCOMPARE(backend.sim->transmittedFrames(0), uint64_t(1));
}

// Each transmit call's record is queued right after the call, so the other channel's
// reception of a frame never stands above the frame's own Tx record.
void tst_SendThread::receptionsFollowTheirTransmissions()
{
    recvThread receiver(1);
    receiver.setReceiveParams(1, 1);
    receiver.start();
    constexpr int frames = 200;
    sender->setSendData(0x10, true, 0, 0, false, nullptr, 0, false, frames, 1, 1, 0, 0);
    sender->start();
    const QList<ModelItem> items = collect(2 * frames);
    QVERIFY(sender->wait(30000));
    receiver.stop();
    QVERIFY(receiver.wait(30000));
    QCOMPARE(items.size(), 2 * frames);
    QSet<QString> sent;
    for (const ModelItem &item : items) {
        if (item.recv == 0)
            sent.insert(item.id);
        else
            QVERIFY2(sent.contains(item.id), qPrintable(item.id + " received before sent"));
    }
    QCOMPARE(sent.size(), frames);
}

void tst_SendThread::transmitFailure_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<uint>("fd");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<int>("failingCall");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QStringList>("endLog");

    QTest::newRow("one frame job") << 0u << 0u << qint64(1) << 1 << 0
                                   << QStringList{"通道1CAN数据发送失败！", "通道1数据发送完成！"};
    QTest::newRow("english fd") << 2u << 1u << qint64(1) << 1 << 0
                                << QStringList{"channel1CANFD Data sending failed！",
                                               "channel1Data transmission completed!"};
    QTest::newRow("later in a longer job")
        << 0u << 0u << qint64(5) << 2 << 1 << QStringList{"通道1CAN数据发送失败！"};
}

void tst_SendThread::transmitFailure()
{
    QFETCH(uint, language);
    QFETCH(uint, fd);
    QFETCH(qint64, count);
    QFETCH(int, failingCall);
    QFETCH(int, frames);
    setLanguageIndex(language);
    backend.faults->failCall(fd ? 14 : 12, failingCall);
    sender->setSendData(0x10, false, 0, fd, false, nullptr, 0, false, count, 1, 0, 0, 0);
    const Job job = run(*sender);
    QTEST(QStringList(job.log.mid(1)), "endLog");
    QCOMPARE(job.ends, QList<uint>{0});
    QCOMPARE(takePending().size(), frames);
}

void tst_SendThread::replayTiming_data()
{
    QTest::addColumn<qint64>("last");
    QTest::addColumn<qint64>("row");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("rowTime");
    QTest::addColumn<qint64>("pause");

    QTest::newRow("first row") << qint64(0) << qint64(5000) << true << qint64(5000) << qint64(0);
    QTest::newRow("later row") << qint64(5000) << qint64(5250) << true << qint64(5250)
                               << qint64(250);
    QTest::newRow("same time") << qint64(5000) << qint64(5000) << true << qint64(5000) << qint64(0);
    QTest::newRow("midnight") << qint64(86399900) << qint64(100) << true << qint64(86400100)
                              << qint64(200);
    QTest::newRow("after midnight")
        << qint64(86400100) << qint64(300) << true << qint64(86400300) << qint64(200);
    QTest::newRow("small step back")
        << qint64(5000) << qint64(4000) << true << qint64(4000) << qint64(0);
    QTest::newRow("unparsable") << qint64(5000) << qint64(0) << false << qint64(0) << qint64(0);
}

void tst_SendThread::replayTiming()
{
    QFETCH(qint64, last);
    QFETCH(qint64, row);
    QFETCH(bool, valid);
    const sendThread::RowTiming timing = sendThread::replayTiming(last, row, valid);
    QTEST(qint64(timing.rowTimeMs), "rowTime");
    QTEST(qint64(timing.pauseMs), "pause");
}

namespace {

ModelItem csvRow(const QString &time, uint32_t channel, const ModelItem &frame)
{
    ModelItem row = frame;
    row.index = QStringLiteral("1");
    row.systemTime = time;
    row.channelText = QString::number(channel);
    return row;
}

ModelItem classicRow(const QString &time, uint32_t channel, uint32_t word, uint8_t length)
{
    CanTxRecord r{};
    r.id = word;
    r.length = length;
    r.data[0] = 0x01;
    return csvRow(time, channel, formatTxFrame(0, r));
}

ModelItem fdRow(const QString &time, uint32_t channel, uint32_t word, uint8_t flags)
{
    CanFdTxRecord r{};
    r.id = word;
    r.length = 2;
    r.flags = flags;
    r.data[0] = 0xAA;
    r.data[1] = 0xBB;
    return csvRow(time, channel, formatTxFdFrame(0, r));
}

} // namespace

void tst_SendThread::fileReplayFollowsRowChannels()
{
    setLanguageIndex(2);
    const QList<ModelItem> rows{
        classicRow("23:59:59.900", 1, 0x100, 1),
        fdRow("00:00:00.100", 2, 0x200 | CanExtendedFlag, 1),
        classicRow("00:00:00.120", 1, CanErrorFlag | 0x88, 8), // reported by the bus: skipped
        classicRow("00:00:00.150", 2, 0x300, 20),              // length above capacity
    };
    const QString path = writeCsv(rows, "\n7,=\"broken\n");
    sender->setSendFile(path, 1, -1, 2);
    const Job job = run(*sender);
    QCOMPARE(job.log, (QStringList{"send file: " + path + "...", "File transmission completed!"}));
    QCOMPARE(job.ends, (QList<uint>{0, 1}));

    const QList<ModelItem> items = takePending();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items.at(0).channel, 0u);
    QCOMPARE(items.at(0).id, QStringLiteral("0x100"));
    QCOMPARE(items.at(0).data, QStringLiteral("x| 01 "));
    QCOMPARE(items.at(1).channel, 1u);
    QCOMPARE(items.at(1).id, QStringLiteral("0x00000200"));
    QCOMPARE(items.at(1).canFd, QStringLiteral("CANFD-acceleration"));
    QCOMPARE(items.at(1).data, QStringLiteral("x| AA BB "));
    QCOMPARE(items.at(2).channel, 1u);
    QCOMPARE(items.at(2).dlc, QStringLiteral("8"));
    // A short row still sends a frame: missing texts read as extended and remote.
    QCOMPARE(items.at(3).channel, 1u);
    QCOMPARE(items.at(3).frame, QStringLiteral("Extended Frame"));
    QCOMPARE(items.at(3).type, QStringLiteral("Remote Frame"));
    QCOMPARE(items.at(3).canFd, QStringLiteral("CAN"));

    QCOMPARE(receivedIds(1), QList<uint32_t>{0x100});
    QCOMPARE(receivedIds(0),
             (QList<uint32_t>{0x300, CanExtendedFlag | CanRemoteFlag, 0x200 | CanExtendedFlag}));
}

void tst_SendThread::fileReplayRepeatsAndFixedChannel()
{
    const QList<ModelItem> rows{classicRow("10:00:00.000", 2, 0x1, 1),
                                classicRow("10:00:00.000", 2, 0x2, 1)};
    sender->setSendFile(writeCsv(rows), 2, 0, 0);
    const Job job = run(*sender);
    QCOMPARE(job.log.last(), QStringLiteral("文件发送完成！"));
    QStringList ids;
    for (const ModelItem &item : takePending()) {
        QCOMPARE(item.channel, 0u);
        ids << item.id;
    }
    QCOMPARE(ids, (QStringList{"0x001", "0x002", "0x001", "0x002"}));
}

void tst_SendThread::fileThatCannotBeOpened()
{
    const QString path = home.filePath(QStringLiteral("missing.csv"));
    sender->setSendFile(path, 1, 0, 0);
    const Job job = run(*sender);
    QCOMPARE(job.log, (QStringList{"开始发送文件: " + path + "...", "文件发送错误！"}));
    QCOMPARE(job.ends, (QList<uint>{0, 1}));
}

void tst_SendThread::endlessFileReplayStops()
{
    sender->setSendFile(writeCsv({classicRow("10:00:00.000", 1, 0x7, 0)}), -1, 0, 1);
    Recorder recorder(*sender);
    sender->start();
    collect(50);
    sender->stop();
    QVERIFY(sender->wait(30000));
    QCOMPARE(recorder.job().log.last(), QStringLiteral("文件中止发送！"));
    QCOMPARE(recorder.job().ends, (QList<uint>{0, 1}));
}

QTEST_GUILESS_MAIN(tst_SendThread)
#include "tst_sendthread.moc"
