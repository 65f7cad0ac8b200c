// The log viewer as a user drives it: a damaged file opened and its skipped records said,
// filters by channel and identifier, going to a time, copying rows, exporting all or the
// shown frames, the texts in another language, and a replay on the simulated bus through
// the main window's file-send thread; frames decoded with a signal database and a signal
// plotted over the whole file.

#include "tests/shared/testsetup.h"

#include "app/mainmenus.h"
#include "app/mainwindow.h"
#include "database/signaldatabases.h"
#include "device/sim/simulatedadapter.h"
#include "logview/logsignalplot.h"
#include "logview/logtablemodel.h"
#include "logview/logviewer.h"
#include "logview/logviewerlauncher.h"
#include "receive/mytablemodel.h"
#include "receive/pendingframes.h"
#include "record/ascreader.h"
#include "record/ascwriter.h"
#include "record/blfreader.h"
#include "record/csvlogreader.h"
#include "tests/shared/windowparts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTableView>
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

class TestLogViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void damagedFileShowsSkippedRecords();
    void filters_data();
    void filters();
    void goToTimeAndCopy();
    void exports_data();
    void exports();
    void textsFollowLanguage();
    void replayGoesOutOnTheBus();
    void decodesAndPlotsSignals();
    void nextFileIgnoresThePreviousIndexer();

private:
    std::unique_ptr<LogViewer> openIndexed(const QString &path);

    TestHome home;
    QString ascPath;
    std::vector<LogFrame> frames; // what the ASC file holds
};

namespace {

constexpr int FrameCount = 3000;

std::vector<LogFrame> makeFrames()
{
    std::vector<LogFrame> all;
    for (int i = 0; i < FrameCount; ++i) {
        LogFrame f;
        f.timeUs = 1700000000000000LL + i * 1000;
        f.channel = uint8_t(i % 2);
        f.extended = i % 3 == 0;
        f.id = f.extended ? 0x18DAF100u + uint32_t(i % 16) : 0x100u + uint32_t(i % 0x200);
        f.fd = i % 4 == 0;
        f.brs = f.fd;
        f.length = uint8_t(f.fd ? 16 : 8);
        for (int b = 0; b < f.length; ++b)
            f.data[b] = uint8_t(i + b);
        f.error = i == 1500;
        all.push_back(f);
    }
    return all;
}

std::vector<LogFrame> readAll(LogReader &reader, const QString &path)
{
    std::vector<LogFrame> all;
    LogFrame frame;
    if (reader.open(path)) {
        while (reader.next(frame))
            all.push_back(frame);
    }
    return all;
}

} // namespace

void TestLogViewer::initTestCase()
{
    QVERIFY(home.setUp());
    frames = makeFrames();
    ascPath = home.filePath("broken.asc");
    AscWriter writer;
    QVERIFY(writer.open(ascPath, true));
    for (const LogFrame &f : frames)
        QVERIFY(writer.write(f));
    QVERIFY(writer.close());
    // Damage two lines in the middle and add an unknown event.
    QFile file(ascPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    lines[200] = "   0.199000 1  1Z3 Rx d 8 zz";
    lines[400] = lines[400].left(20);
    lines.insert(600, "   0.598500 1  Statistic: D 0 R 0 XD 0 XR 0 E 0 O 0 B 0.00%");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join('\n'));
}

void TestLogViewer::init()
{
    setLanguageIndex(0);
}

void TestLogViewer::cleanup()
{
    setLanguageIndex(0);
}

std::unique_ptr<LogViewer> TestLogViewer::openIndexed(const QString &path)
{
    auto viewer = std::make_unique<LogViewer>();
    viewer->setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy done(viewer.get(), &LogViewer::indexingFinished);
    viewer->show();
    if (!viewer->openFile(path))
        return viewer;
    if (!done.wait(30000))
        return nullptr;
    return viewer;
}

void TestLogViewer::damagedFileShowsSkippedRecords()
{
    auto viewer = openIndexed(ascPath);
    QVERIFY(viewer);
    QCOMPARE(viewer->model()->rowCount(), FrameCount - 2);
    QVERIFY2(viewer->statusText().contains("帧数：2998"), qPrintable(viewer->statusText()));
    QVERIFY2(viewer->statusText().contains("跳过的记录：1 损坏，2 非帧"),
             qPrintable(viewer->statusText()));
    QVERIFY(viewer->statusText().contains("时间跨度：2.999000 s"));
    // Rows show the frame table's texts.
    const QStringList first = viewer->model()->rowTexts(0);
    QCOMPARE(first.size(), 11);
    QCOMPARE(first.at(0), QString("1"));
    QCOMPARE(first.at(5), QString("0x18DAF100"));
    QCOMPARE(first.at(9), QString("CANFD-加速"));
    int errorRows = 0;
    for (int row = 0; row < viewer->model()->rowCount(); ++row)
        errorRows += viewer->model()->rowTexts(row).at(7) == QString("错误帧");
    QCOMPARE(errorRows, 1);

    LogViewer missing;
    QVERIFY(!missing.openFile(home.filePath("none.blf")));
    QVERIFY(missing.messageText().startsWith("无法打开日志"));
    QVERIFY(!missing.openFile(home.filePath("notes.txt")));
    QVERIFY(missing.messageText().startsWith("不支持的文件类型"));
}

void TestLogViewer::filters_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("ids");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("channel 2") << 1 << "" << true;
    QTest::newRow("one id") << -1 << "7df" << true;
    QTest::newRow("range and id on channel 1") << 0 << "100-17F, 0x18DAF105" << true;
    QTest::newRow("not hex") << -1 << "12G" << false;
    QTest::newRow("reversed range") << -1 << "200-100" << false;
}

// The rows shown are exactly the readable frames of the channel and identifiers asked for.
void TestLogViewer::filters()
{
    QFETCH(int, channel);
    QFETCH(QString, ids);
    QFETCH(bool, accepted);
    auto viewer = openIndexed(ascPath);
    QVERIFY(viewer);
    QCOMPARE(viewer->applyFilter(channel, ids), accepted);
    if (!accepted) {
        QVERIFY(viewer->messageText().startsWith("ID 格式错误"));
        QCOMPARE(viewer->model()->rowCount(), FrameCount - 2);
        return;
    }
    LogFrameFilter filter;
    QVERIFY(filter.setIdentifiers(ids));
    filter.setChannel(channel);
    AscReader reader;
    std::vector<LogFrame> expected;
    for (const LogFrame &f : readAll(reader, ascPath)) {
        if (filter.matches(f))
            expected.push_back(f);
    }
    QCOMPARE(viewer->model()->rowCount(), int(expected.size()));
    for (int row = 0; row < viewer->model()->rowCount(); ++row) {
        LogFrame f;
        QVERIFY(viewer->model()->frameOfRow(row, f));
        QVERIFY2(f == expected[size_t(row)], qPrintable(QString::number(row)));
    }
    QVERIFY(viewer->statusText().contains(QString("显示：%1").arg(expected.size())));
}

void TestLogViewer::goToTimeAndCopy()
{
    auto viewer = openIndexed(ascPath);
    QVERIFY(viewer);
    QVERIFY(viewer->goToTime("1.25"));
    QModelIndexList selected = viewer->table()->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    LogFrame frame;
    QVERIFY(viewer->model()->frameOfRow(selected.first().row(), frame));
    QCOMPARE(frame.timeUs, frames[1250].timeUs);
    const QString clock =
        QDateTime::fromMSecsSinceEpoch(frames[2000].timeUs / 1000).toString("hh:mm:ss.zzz");
    QVERIFY(viewer->goToTime(clock));
    selected = viewer->table()->selectionModel()->selectedRows();
    QVERIFY(viewer->model()->frameOfRow(selected.first().row(), frame));
    QCOMPARE(frame.timeUs, frames[2000].timeUs);
    QVERIFY(!viewer->goToTime("soon"));

    viewer->table()->selectRow(10);
    viewer->table()->selectionModel()->select(
        viewer->model()->index(11, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString copied = viewer->copySelection();
    QCOMPARE(QApplication::clipboard()->text(), copied);
    const QStringList lines = copied.trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith("序号\t系统时间"));
    QCOMPARE(lines[1].split('\t'), viewer->model()->rowTexts(10));
}

void TestLogViewer::exports_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("shownOnly");
    QTest::newRow("all to blf") << "all.blf" << false;
    QTest::newRow("filtered to blf") << "filtered.blf" << true;
    QTest::newRow("all to csv") << "all.csv" << false;
}

// The exported file holds the readable frames (all, or those shown), and the viewer says
// what the format could not hold.
void TestLogViewer::exports()
{
    QFETCH(QString, file);
    QFETCH(bool, shownOnly);
    auto viewer = openIndexed(ascPath);
    QVERIFY(viewer);
    QVERIFY(viewer->applyFilter(1, "100-1FF"));
    QSignalSpy exported(viewer.get(), &LogViewer::exportFinished);
    const QString target = home.filePath(file);
    QVERIFY(viewer->startExport(target, logFormatOfPath(target), shownOnly));
    QVERIFY(exported.wait(30000));
    const auto result = exported.first().first().value<LogExportResult>();
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.damaged, 1);

    AscReader source;
    std::vector<LogFrame> expected;
    for (const LogFrame &f : readAll(source, ascPath)) {
        if (!shownOnly || viewer->model()->filter().matches(f))
            expected.push_back(f);
    }
    std::unique_ptr<LogReader> reader = createLogReaderFor(target);
    if (auto *csv = dynamic_cast<CsvLogReader *>(reader.get()))
        csv->setAssumedDate(QDateTime::fromMSecsSinceEpoch(frames[0].timeUs / 1000).date());
    const std::vector<LogFrame> got = readAll(*reader, target);
    if (file.endsWith(".csv")) {
        QCOMPARE(result.leftOut, 1); // the error frame
        QCOMPARE(got.size(), expected.size() - 1);
        QVERIFY(viewer->messageText().contains("1 个错误帧无法写入该格式"));
        return;
    }
    QCOMPARE(result.written, qint64(expected.size()));
    QCOMPARE(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i)
        QVERIFY2(got[i] == expected[i], qPrintable(QString::number(i)));
    QCOMPARE(viewer->messageText(), QString("已导出 %1 帧。").arg(expected.size()));
}

void TestLogViewer::textsFollowLanguage()
{
    auto viewer = openIndexed(ascPath);
    QVERIFY(viewer);
    setLanguageIndex(2);
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(viewer.get(), &change);
    QCOMPARE(viewer->model()->headerData(0, Qt::Horizontal).toString(), QString("index"));
    QVERIFY(viewer->windowTitle().startsWith("Log viewer"));
    QVERIFY2(viewer->statusText().contains("skipped records: 1 damaged, 2 not frames"),
             qPrintable(viewer->statusText()));
    QCOMPARE(viewer->model()->rowTexts(0).at(6), QString("Extended Frame"));
}

// The shown frames go out through the main window's file-send thread on the channels they
// were recorded on, and the viewer hears when the replay ends.
void TestLogViewer::replayGoesOutOnTheBus()
{
    auto sim = std::make_shared<SimulatedAdapter>();
    setVendorBackend(sim);
    resetDeviceState();
    takePending();
    {
        MainWindow window;
        QAction *entry = nullptr;
        const QList<QAction *> actions = menusOf(&window)->analysisMenu->actions();
        for (QAction *action : actions) {
            if (action->text() == QString("打开日志…"))
                entry = action;
        }
        QVERIFY(entry);
        QVERIFY(openBothChannels());
        const bool started[2] = {true, true};
        window.applyOpenedChannels(started);
        LogViewer *viewer = logViewersOf(&window)->openViewer(ascPath);
        QSignalSpy indexed(viewer, &LogViewer::indexingFinished);
        QVERIFY(indexed.wait(30000));
        QVERIFY(viewer->applyFilter(-1, "100-103"));
        const int shown = viewer->model()->rowCount();
        QVERIFY(shown > 0 && shown < 100);
        QVERIFY(viewer->startReplay(2, 0));
        QTRY_VERIFY2_WITH_TIMEOUT(viewer->messageText() == QString("回放结束。"),
                                  qPrintable(viewer->messageText()), 20000);
        QVERIFY(!viewer->isReplaying());
        // Every replayed frame reaches the main table as a transmitted row on its channel.
        QTRY_VERIFY_WITH_TIMEOUT(frameModelOf(&window)->rowCount() >= shown, 5000);
        int sent = 0;
        for (int row = 0; row < frameModelOf(&window)->rowCount(); ++row) {
            const QAbstractItemModel *m = frameModelOf(&window);
            if (m->index(row, 4).data().toString() != "Tx")
                continue;
            LogFrame f;
            QVERIFY(viewer->model()->frameOfRow(sent, f));
            QCOMPARE(m->index(row, 5).data().toString(),
                     QString("0x%1").arg(f.id, 3, 16, QChar('0')).toUpper().replace("0X", "0x"));
            QCOMPARE(m->index(row, 3).data().toString(), QString::number(f.channel + 1));
            ++sent;
        }
        QCOMPARE(sent, shown);
        window.close();
    }
    setVendorBackend(nullptr);
    takePending();
}

// Channel 1 has a database: its frames show their signals (a frame too short for one of
// them says so), channel 2's frames show none; a signal plotted over the file has one
// point per frame that carries it, at the frame's time from the first frame.
void TestLogViewer::decodesAndPlotsSignals()
{
    const QString dbcPath = home.filePath("car.dbc");
    QVERIFY(writeTestFile(dbcPath, "VERSION \"\"\nBU_: ECU\n"
                                   "BO_ 291 Vehicle: 8 ECU\n"
                                   " SG_ Speed : 0|16@1+ (0.1,0) [0|6553.5] \"km/h\" ECU\n"
                                   " SG_ Gear : 16|8@1+ (1,0) [0|8] \"\" ECU\n"
                                   " SG_ Odo : 32|32@1+ (1,0) [0|0] \"m\" ECU\n"
                                   "VAL_ 291 Gear 3 \"Drive\" 0 \"Park\" ;\n"));
    const QString logPath = home.filePath("car.log");
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::WriteOnly));
    constexpr int Frames = 100;
    for (int i = 0; i < Frames; ++i) {
        const int raw = i * 10;
        const QByteArray data =
            QByteArray::fromHex("0000030000000000")
                .replace(0, 2, QByteArray(1, char(raw & 0xFF)) + char(raw >> 8));
        log.write(QStringLiteral("(1700000000.%1) can0 123#")
                      .arg(i * 10000, 6, 10, QLatin1Char('0'))
                      .toLatin1() +
                  data.toHex() + '\n');
    }
    log.write("(1700000001.000000) can0 123#6400\n");             // Speed only
    log.write("(1700000001.010000) can1 123#0A00030000000000\n"); // no database
    log.close();

    SignalDatabases databases;
    const DbcReadError loaded = databases.load(1, dbcPath);
    QVERIFY2(loaded.ok(), qPrintable(loaded.message()));
    auto viewer = openIndexed(logPath);
    QVERIFY(viewer);
    viewer->setSignalDatabases(&databases);
    const LogTableModel *model = viewer->model();
    QCOMPARE(model->rowCount(), Frames + 2);
    QVERIFY(!viewer->table()->isColumnHidden(LogTableModel::SignalsColumn));
    QCOMPARE(model->headerData(LogTableModel::SignalsColumn, Qt::Horizontal).toString(),
             QStringLiteral("信号"));
    const auto signalsOf = [&](int row) {
        return model->data(model->index(row, LogTableModel::SignalsColumn)).toString();
    };
    QCOMPARE(signalsOf(5), QStringLiteral("Vehicle: Speed=5 km/h Gear=3 \"Drive\" Odo=0 m"));
    QCOMPARE(signalsOf(Frames), QStringLiteral("Vehicle: Speed=10 km/h（2 个信号超出数据）"));
    QCOMPARE(signalsOf(Frames + 1), QString());
    QCOMPARE(model->rowTexts(5).size(), LogTableModel::FrameColumns);

    LogSignalPlot *plot = viewer->plotSignals({SignalRef{0, 0x123, false, "Speed"}});
    QVERIFY(plot);
    QSignalSpy finished(plot, &LogSignalPlot::finished);
    QVERIFY(finished.wait(30000));
    QCOMPARE(plot->pointCounts(), QVector<int>{Frames + 1});
    double value = 0;
    QVERIFY(plot->valueAt(0, 0.055, value));
    QCOMPARE(value, 5.0);
    QVERIFY(plot->valueAt(0, 1.0, value));
    QCOMPARE(value, 10.0);
    QVERIFY(!plot->valueAt(0, -0.5, value));
    QVERIFY2(plot->statusText().contains(QStringLiteral("102 帧")), qPrintable(plot->statusText()));

    databases.unload(0);
    QVERIFY(viewer->table()->isColumnHidden(LogTableModel::SignalsColumn));
    QCOMPARE(signalsOf(5), QString());
}

// The previous file's index may have finished, its signals still queued, when the next
// file is opened: the next file's index is the one that counts.
void TestLogViewer::nextFileIgnoresThePreviousIndexer()
{
    const QString second = home.filePath("second.log");
    QFile log(second);
    QVERIFY(log.open(QIODevice::WriteOnly));
    for (int i = 0; i < 10; ++i)
        log.write(QStringLiteral("(1700000000.%1) can0 123#01\n")
                      .arg(i, 6, 10, QLatin1Char('0'))
                      .toLatin1());
    log.close();
    LogViewer viewer;
    QSignalSpy done(&viewer, &LogViewer::indexingFinished);
    QVERIFY(viewer.openFile(ascPath));
    // Let the first index end and queue its signals without delivering them.
    QThread::msleep(1500);
    QVERIFY(viewer.openFile(second));
    QVERIFY(done.wait(30000));
    QTRY_VERIFY_WITH_TIMEOUT(!viewer.isIndexing(), 30000);
    QCOMPARE(viewer.model()->rowCount(), 10);
    QVERIFY2(viewer.statusText().contains("帧数：10"), qPrintable(viewer.statusText()));
    QCOMPARE(done.count(), 1);
}

QTEST_MAIN(TestLogViewer)
#include "tst_logviewer.moc"
