// The signal windows on live simulated traffic, decoded with a database of the simulated
// adapter's messages: databases remembered and reloaded (and a broken one reported), the
// watch and the plot fed by the display refresh, the dock following the table's row.
// With LARKSPUR_SHOT_DIR set, the windows are saved there as pictures.

#include "app/mainwindow.h"
#include "database/signalanalysis.h"
#include "database/signaldatabases.h"
#include "database/signalplotwindow.h"
#include "database/signalsdock.h"
#include "database/signalwatchwindow.h"
#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "device/sim/simulatedadapter.h"
#include "receive/mytablemodel.h"
#include "receive/pendingframes.h"
#include "tests/shared/testsetup.h"
#include "tests/shared/windowparts.h"

#include <QTableView>
#include <QTableWidget>
#include <QTextEdit>
#include <QtTest>

#include <memory>

class TestSignalWindows : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void databasesAreRememberedAndBrokenOnesReported();
    void watchAndPlotFollowLiveTraffic();
    void dockDecodesTheCurrentRow();

private:
    MainWindow *startTraffic();
    static void shot(QWidget *w, const char *name);

    std::unique_ptr<TestHome> home;
    std::shared_ptr<SimulatedAdapter> sim;
    std::unique_ptr<MainWindow> window;
};

void TestSignalWindows::init()
{
    home = std::make_unique<TestHome>();
    QVERIFY(home->setUp({"config", "language"}));
    SimulatorConfig config;
    config.trafficMode = SimTrafficMode::Flood; // a steady stream of the generator's frames
    sim = std::make_shared<SimulatedAdapter>(config);
    setVendorBackend(sim);
    resetDeviceState();
    setMessageSink([](QWidget *, const DialogMessage &) {});
    // LARKSPUR_SHOT_LANGUAGE 0, 1 or 2 picks the interface language of the pictures.
    const int language = qBound(0, qEnvironmentVariableIntValue("LARKSPUR_SHOT_LANGUAGE"), 2);
    const char *files[] = {"CN.qm", "CNF.qm", "EN.qm"};
    QFile::copy(QCoreApplication::applicationDirPath() + "/../bin/language/" + files[language],
                home->filePath(QString("language/") + files[language]));
    writeSetting("Language", files[language], true);
    setLanguageIndex(uint32_t(language));
    takePending();
}

void TestSignalWindows::cleanup()
{
    window.reset();
    closeDevice();
    setMessageSink({});
    setVendorBackend(nullptr);
    takePending();
    sim.reset();
    home.reset();
}

void TestSignalWindows::shot(QWidget *w, const char *name)
{
    const QString dir = qEnvironmentVariable("LARKSPUR_SHOT_DIR");
    if (!dir.isEmpty())
        w->grab().save(dir + '/' + name + ".png");
}

MainWindow *TestSignalWindows::startTraffic()
{
    window = std::make_unique<MainWindow>();
    window->show();
    sim->setTrafficRate(600);
    sim->setTrafficEnabled(true);
    if (!openBothChannels() || queryDeviceInfo() == 0)
        return nullptr;
    const bool started[2] = {true, true};
    window->applyOpenedChannels(started);
    return window.get();
}

void TestSignalWindows::databasesAreRememberedAndBrokenOnesReported()
{
    window = std::make_unique<MainWindow>();
    SignalDatabases *dbs = signalAnalysisOf(window.get())->databases();
    // A broken file changes nothing and names its line.
    const QString broken = home->filePath("broken.dbc");
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BO_ 1 M: 8 N\n SG_ S : 0|8@3+ (1,0) [0|0] \"\" N\n");
    file.close();
    const DbcReadError refused = dbs->load(1, broken);
    QCOMPARE(refused.line, 2);
    QVERIFY(!dbs->database(0));
    QVERIFY(dbs->load(3, SIM_DBC).ok());
    QVERIFY(dbs->database(0) && dbs->database(0) == dbs->database(1));
    QCOMPARE(int(dbs->database(1)->messages.size()), 6);
    // Loaded again at the next start.
    window.reset();
    window = std::make_unique<MainWindow>();
    dbs = signalAnalysisOf(window.get())->databases();
    QVERIFY(dbs->database(0) && dbs->database(1));
    QCOMPARE(QFileInfo(dbs->path(1)).fileName(), QString("simtraffic.dbc"));
    // A remembered file that no longer loads is reported in the log, not dropped silently.
    QVERIFY(QFile::copy(broken, home->filePath("second.dbc")));
    writeSetting("signalDatabase2", home->filePath("second.dbc"), true);
    window.reset();
    window = std::make_unique<MainWindow>();
    dbs = signalAnalysisOf(window.get())->databases();
    QVERIFY(dbs->database(0));
    QVERIFY(!dbs->database(1));
    const QString log = logTextOf(window.get())->toPlainText();
    QVERIFY2(log.contains("second.dbc") && log.contains(QString::number(2)), qPrintable(log));
}

void TestSignalWindows::watchAndPlotFollowLiveTraffic()
{
    MainWindow *w = startTraffic();
    QVERIFY(w);
    SignalAnalysis *analysis = signalAnalysisOf(w);
    QVERIFY(analysis->databases()->load(3, SIM_DBC).ok());
    // The mixed traffic cycles through six messages: SimClassic carries the sequence
    // numbers 0, 6, 12, ... of its channel.
    const std::vector<SignalRef> chosen = {{0, 0x100, false, "Sequence"},
                                           {0, 0x100, false, "Wave"},
                                           {1, 0x18FF1000, true, "Temperature"},
                                           {0, 0x3A0, false, "PageB"},
                                           {0, 0x999, false, "Unknown"}};
    SignalWatchWindow *watch = analysis->watchWindow();
    watch->setSelection(chosen);
    watch->show();
    SignalPlotWindow *plot = analysis->plotWindow();
    plot->setSelection({chosen[1], chosen[2], chosen[0]});
    plot->setTimeWindow(2);
    plot->show();
    QTRY_VERIFY_WITH_TIMEOUT(watch->sampleCount(0) > 50 && watch->updateRate(0) > 0, 20000);
    QTest::qWait(1500);
    QCOMPARE(std::fmod(watch->latestValue(0), 6.0), 0.0);
    QCOMPARE(watch->minimumValue(0), 0.0);
    QVERIFY(watch->sampleCount(1) == watch->sampleCount(0) ||
            watch->sampleCount(1) + 5 > watch->sampleCount(0));
    QVERIFY(watch->sampleCount(2) > 0);
    QVERIFY(watch->latestValue(2) >= -184.8 && watch->latestValue(2) <= 224.7);
    // PageB is multiplexed: present only in about half of SimStatus frames.
    QTRY_VERIFY_WITH_TIMEOUT(watch->sampleCount(3) > 0, 10000);
    QVERIFY(watch->sampleCount(3) < watch->sampleCount(0));
    QCOMPARE(watch->sampleCount(4), uint64_t(0));
    // The plot keeps a bounded window: about 100 frames/s of SimClassic for 2 s per signal.
    QTest::qWait(3000);
    QVERIFY(plot->pointCount() > 0);
    QVERIFY2(plot->pointCount() < 3 * 2 * 150, qPrintable(QString::number(plot->pointCount())));
    QVERIFY(watch->updateRate(0) > 50); // still live: about 100 per second
    shot(w, "mainwindow");
    shot(watch, "watch");
    shot(plot, "plot");
}

void TestSignalWindows::dockDecodesTheCurrentRow()
{
    MainWindow *w = startTraffic();
    QVERIFY(w);
    SignalAnalysis *analysis = signalAnalysisOf(w);
    QVERIFY(analysis->databases()->load(1, SIM_DBC).ok());
    analysis->signalsDock()->show();
    QTRY_VERIFY_WITH_TIMEOUT(frameModelOf(w)->rowCount() > 20, 20000);
    sim->setTrafficEnabled(false);
    QTest::qWait(300);
    // The first channel 1 row of SimClassic (0x100).
    QTableView *table = w->findChild<QTableView *>("tableView");
    QVERIFY(table);
    int row = -1;
    for (int r = 0; r < frameModelOf(w)->rowCount() && row < 0; ++r) {
        if (frameModelOf(w)->index(r, 5).data().toString() == "0x100" &&
            frameModelOf(w)->index(r, 3).data().toString() == "1")
            row = r;
    }
    QVERIFY(row >= 0);
    table->setCurrentIndex(frameModelOf(w)->index(row, 0));
    auto *cells = analysis->signalsDock()->findChild<QTableWidget *>("signalsTable");
    QVERIFY(cells);
    QCOMPARE(cells->item(0, 0)->text(), QString("SimClassic"));
    QCOMPARE(cells->rowCount(), 5);
    QCOMPARE(cells->item(1, 0)->text(), QString("Sequence"));
    // The sequence number is bytes 0-3 of the data column, little-endian.
    const QStringList bytes =
        frameModelOf(w)->index(row, 10).data().toString().mid(3).split(' ', Qt::SkipEmptyParts);
    QVERIFY(bytes.size() == 8);
    const uint sequence = (bytes[3] + bytes[2] + bytes[1] + bytes[0]).toUInt(nullptr, 16);
    QCOMPARE(cells->item(1, 4)->text(), QString::number(sequence));
    shot(w, "dock_decoded");
    // A channel without a database says so.
    for (int r = 0; r < frameModelOf(w)->rowCount(); ++r) {
        if (frameModelOf(w)->index(r, 3).data().toString() == "2") {
            table->setCurrentIndex(frameModelOf(w)->index(r, 0));
            break;
        }
    }
    QCOMPARE(cells->rowCount(), 1);
    shot(w, "dock");
}

QTEST_MAIN(TestSignalWindows)
#include "tst_signalwindows.moc"
