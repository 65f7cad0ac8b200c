#include "tests/shared/faultfixture.h"

#include "app/mainmenus.h"
#include "receive/mytablemodel.h"
#include "tests/shared/modelrows.h"
#include "tests/shared/windowparts.h"
#include "transmit/sendthread.h"

#include <QAction>
#include <QCheckBox>
#include <QRandomGenerator>
#include <QtTest>

#include <functional>
#include <mutex>

// File faults: a recording that cannot be kept (full device, folder or file gone while
// recording), CSV files with broken lines replayed through the send thread onto the
// simulated bus, and a malformed settings file met by the main window at start-up.
class tst_FileFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recordingToFullDeviceIsRefused();
    void recordingStopsWhenFileVanishes_data();
    void recordingStopsWhenFileVanishes();
    void replayOfBrokenFileSendsWhatItCan();
    void replayOfBinaryFileEnds();
    void replaySkipsRowsTheAdapterRefused();
    void replayEndsWhenAdapterRefusesEveryRow_data();
    void replayEndsWhenAdapterRefusesEveryRow();
    void malformedSettingsKeptAsideAtStartUp_data();
    void malformedSettingsKeptAsideAtStartUp();

private:
    struct Replay
    {
        QStringList log;
        QList<uint> ends;
        QList<ModelItem> queued;
    };
    Replay replay(const QString &path, int repeat, const std::function<void()> &whileRunning = {});

    std::unique_ptr<FaultFixture> fixture;
};

namespace {

ModelItem makeFrame(uint32_t id)
{
    return rowOf(QStringLiteral("1|Rx|0x%1|标准帧|数据帧|1|CAN|x| 07 ")
                     .arg(QString::number(id, 16).toUpper()));
}

void feed(int count, uint32_t firstId = 0x100)
{
    QList<ModelItem> batch;
    for (int i = 0; i < count; ++i)
        batch << makeFrame(firstId + uint32_t(i));
    appendPending(std::move(batch));
}

QList<uint32_t> idsOf(const QList<ModelItem> &items)
{
    QList<uint32_t> ids;
    for (const ModelItem &item : items)
        ids << item.id.mid(2).toUInt(nullptr, 16);
    return ids;
}

QByteArray csvRow(int index, const char *time, const char *id, const char *frame, int length,
                  const char *kind, const char *data)
{
    return QStringLiteral("%1,=\"%2\",0x0,1,Rx,%3,%4,数据帧,%5,%6,x| %7\n")
        .arg(index)
        .arg(time, id, frame)
        .arg(length)
        .arg(kind, data)
        .toUtf8();
}

} // namespace

void tst_FileFaults::init()
{
    fixture = std::make_unique<FaultFixture>();
}

void tst_FileFaults::cleanup()
{
    fixture.reset();
}

void tst_FileFaults::recordingToFullDeviceIsRefused()
{
    if (!QFile::exists("/dev/full"))
        QSKIP("no /dev/full on this system");
    MainWindow *w = fixture->open();
    QVERIFY(!w->startRecording("/dev/full", 0));
    QVERIFY(!displayOf(w)->isRecording());
    QVERIFY(!w->findChild<QCheckBox *>("checkBox")->isChecked());
    QVERIFY(fixture->log().contains("/dev/full"));
    QCOMPARE(fixture->messages.size(), 1);
    feed(3);
    w->refreshDisplay();
    QCOMPARE(frameModelOf(w)->rowCount(), 3);
}

void tst_FileFaults::recordingStopsWhenFileVanishes_data()
{
    QTest::addColumn<bool>("folderRemoved");
    QTest::newRow("folder removed") << true;
    QTest::newRow("file moved away") << false;
}

// On some systems an open file outlives its folder and writes to it still succeed; the
// rows would go nowhere, so the recording must notice and stop.
void tst_FileFaults::recordingStopsWhenFileVanishes()
{
    QFETCH(bool, folderRemoved);
    MainWindow *w = fixture->open();
    QCheckBox *box = w->findChild<QCheckBox *>("checkBox");
    const QString folder = fixture->path("/captures");
    const QString file = folder + "/rec.csv";
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(w->startRecording(file, 0));
    QVERIFY(box->isChecked());
    feed(3);
    w->refreshDisplay();
    QCOMPARE(recordedRows(file).size(), 3);

    if (folderRemoved)
        QVERIFY(QDir(folder).removeRecursively());
    else
        QVERIFY(QFile::rename(file, folder + "/moved.csv"));
    feed(2, 0x200);
    w->refreshDisplay();
    QVERIFY(!displayOf(w)->isRecording());
    QVERIFY(!box->isChecked());
    QCOMPARE(fixture->log().count("实时保存已停止"), 1);
    QCOMPARE(frameModelOf(w)->rowCount(), 5);
    if (!folderRemoved) // the rows written before the move was noticed are in the moved file
        QCOMPARE(recordedRows(folder + "/moved.csv").size(), 5);

    // Later refreshes go on without a recording and without further messages.
    feed(1, 0x300);
    w->refreshDisplay();
    QCOMPARE(frameModelOf(w)->rowCount(), 6);
    QCOMPARE(fixture->log().count("实时保存已停止"), 1);
    QVERIFY(!QFile::exists(file));
}

// Runs a file job of the channel-index-0 send thread on channel 1 without pauses.
tst_FileFaults::Replay tst_FileFaults::replay(const QString &path, int repeat,
                                              const std::function<void()> &whileRunning)
{
    Replay result;
    std::mutex mutex;
    sendThread sender(0);
    connect(
        &sender, &sendThread::log, &sender,
        [&](const QString &msg) {
            std::lock_guard<std::mutex> lock(mutex);
            result.log << msg;
        },
        Qt::DirectConnection);
    connect(
        &sender, &sendThread::endSend, &sender,
        [&](uint ch) {
            std::lock_guard<std::mutex> lock(mutex);
            result.ends << ch;
        },
        Qt::DirectConnection);
    sender.setSendFile(path, repeat, 0, 0);
    sender.start();
    if (whileRunning)
        whileRunning();
    if (!sender.wait(60000)) {
        sender.stop();
        sender.wait();
        result.log << QStringLiteral("(the replay did not end by itself)");
    }
    std::lock_guard<std::mutex> lock(mutex);
    result.queued = takePending();
    return result;
}

void tst_FileFaults::replayOfBrokenFileSendsWhatItCan()
{
    QVERIFY(openBothChannels());
    QByteArray content = "序号,系统时间,时间标识,通道,收/发,ID,Frame,类型,DLC,CAN-FD,数据\n";
    content += csvRow(1, "10:00:00.000", "0x101", "标准帧", 2, "CAN", "01 02 ");
    content += "\n";                                                         // blank
    content += "2,=\"10:00:00.001\"\n";                                      // short: default frame
    content += QByteArray(300 * 1024, 'Z') + "\n";                           // overlong: skipped
    content += QByteArray("\xC3\x28\xFF\x00,\x80\n", 7);                     // not UTF-8: skipped
    content += csvRow(3, "garbage", "0xZZ", "标准帧", 999, "CAN", "GG HH "); // numbers as 0
    content += csvRow(4, "10:00:00.002", "0x1ABCDEF", "扩展帧", 12, "CANFD-BRS",
                      "01 02 03 04 05 06 07 08 09 0A 0B 0C ");
    content += csvRow(5, "10:00:00.003", "0x102", "标准帧", 8, "CAN",
                      "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D ") // more bytes than fit
                   .trimmed() +
               ",extra,fields,,,\n";
    content += csvRow(6, "10:00:00.004", "0x103", "标准帧", 1, "CAN", "33 ").trimmed(); // no end
    fixture->writeFile("/broken.csv", content);

    const Replay r = replay(fixture->path("/broken.csv"), 2);
    QCOMPARE(r.ends, QList<uint>({0, 1}));
    QCOMPARE(r.log.last(), QString("文件发送完成！"));
    QCOMPARE(r.log.size(), 3); // the overlong and the undecodable row are reported
    QVERIFY(r.log.at(1).endsWith(QString("文件中有2行无法读取，未发送！")));
    const QList<uint32_t> expectedIds{0x101, 0, 0, 0x1ABCDEF, 0x102, 0x103};
    QCOMPARE(idsOf(r.queued), expectedIds + expectedIds);
    const ModelItem &fd = r.queued.at(3);
    QCOMPARE(fd.canFd, QString("CANFD-加速"));
    QCOMPARE(fd.dlc, QString("12"));
    QCOMPARE(r.queued.at(4).data.trimmed(), QString("x| 01 02 03 04 05 06 07 08"));
    QCOMPARE(r.queued.at(5).data.trimmed(), QString("x| 33"));
    QCOMPARE(fixture->sim->transmittedFrames(0), uint64_t(12));
}

void tst_FileFaults::replayOfBinaryFileEnds()
{
    QVERIFY(openBothChannels());
    QByteArray noise(512 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(20240607);
    for (char &byte : noise)
        byte = char(generator.bounded(256));
    fixture->writeFile("/noise.csv", noise);
    const Replay r = replay(fixture->path("/noise.csv"), 1);
    QCOMPARE(r.ends, QList<uint>({0, 1}));
    QCOMPARE(r.log.last(), QString("文件发送完成！"));
    // Whatever lines happened to split into fields went out; nothing was made up.
    QCOMPARE(uint64_t(r.queued.size()),
             fixture->sim->transmittedFrames(0) + fixture->sim->transmittedFrames(1));
}

// A row the adapter refuses is not shown as sent; the replay goes on with the next row.
void tst_FileFaults::replaySkipsRowsTheAdapterRefused()
{
    QVERIFY(openBothChannels());
    QByteArray content = "header\n";
    for (int i = 0; i < 5; ++i)
        content +=
            csvRow(i + 1, "10:00:00.000", QByteArray("0x" + QByteArray::number(0x10 + i, 16)),
                   "标准帧", 1, "CAN", "01 ");
    fixture->writeFile("/five.csv", content);
    fixture->faults->failCall(12, 3);
    const Replay r = replay(fixture->path("/five.csv"), 1);
    QCOMPARE(idsOf(r.queued), QList<uint32_t>({0x10, 0x11, 0x13, 0x14}));
    QCOMPARE(r.log.size(), 2); // start and completion, no line per row
    QCOMPARE(fixture->sim->transmittedFrames(0), uint64_t(4));
}

void tst_FileFaults::replayEndsWhenAdapterRefusesEveryRow_data()
{
    QTest::addColumn<bool>("unplugged");
    QTest::addColumn<int>("repeat");
    QTest::newRow("adapter unplugged during endless replay") << true << -1;
    QTest::newRow("listen-only channel, endless") << false << -1;
    QTest::newRow("listen-only channel, three passes") << false << 3;
}

// Rows the adapter refuses are skipped, but a pass in which it refused every row means
// nothing can be sent: the job ends with the error line instead of running on silently
// (an endless replay would never end, and would keep the main window from noticing that
// the adapter is gone) or reporting completion.
void tst_FileFaults::replayEndsWhenAdapterRefusesEveryRow()
{
    QFETCH(bool, unplugged);
    QFETCH(int, repeat);
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    QVERIFY(initCan(0, unplugged ? 0 : 1)); // work mode 1: listen only
    QVERIFY(startCan(0));
    QByteArray content = "header\n";
    for (int i = 0; i < 3; ++i)
        content += csvRow(i + 1, "10:00:00.000", "0x7", "标准帧", 1, "CAN", "01 ");
    fixture->writeFile("/rows.csv", content);
    SimulatedAdapter &sim = *fixture->sim;
    FaultyAdapter &faults = *fixture->faults;
    const Replay r = replay(fixture->path("/rows.csv"), repeat, [&] {
        if (!unplugged)
            return;
        for (int i = 0; i < 100000 && sim.transmittedFrames(0) < 20; ++i)
            QThread::msleep(1);
        faults.unplug();
    });
    QCOMPARE(r.ends, QList<uint>({0, 1}));
    QCOMPARE(r.log.last(), QString("文件发送错误！"));
    QCOMPARE(uint64_t(r.queued.size()), sim.transmittedFrames(0));
}

void tst_FileFaults::malformedSettingsKeptAsideAtStartUp_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("trailing separator") << QByteArray("listCount,50;merge,1;");
    QTest::newRow("entry without value") << QByteArray("listCount,50;merge");
    QTest::newRow("binary") << QByteArray("\x01\xFF,\xFE;;\x00\x00\x7F,,,", 12);
}

void tst_FileFaults::malformedSettingsKeptAsideAtStartUp()
{
    QFETCH(QByteArray, content);
    const QString settings = fixture->path("/config/setdb.txt");
    fixture->writeFile("/config/setdb.txt", content);
    MainWindow *w = fixture->open();
    QCOMPARE(readAll(settings + ".bad"), content);
    QCOMPARE(listLimitOf(w), 1000u);
    QVERIFY(!menusOf(w)->mergeAction->isChecked());
    feed(2);
    w->refreshDisplay();
    QCOMPARE(frameModelOf(w)->rowCount(), 2);

    // The first saving change writes a sound file; the user's copy stays as it was.
    w->applyValue("50", 2);
    QVERIFY(readAll(settings).contains("listCount,50"));
    QCOMPARE(readAll(settings + ".bad"), content);
    fixture->window.reset();
    MainWindow *again = fixture->open();
    QCOMPARE(listLimitOf(again), 50u);
}

QTEST_MAIN(tst_FileFaults)
#include "tst_filefaults.moc"
