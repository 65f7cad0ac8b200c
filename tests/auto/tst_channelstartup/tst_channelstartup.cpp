// Channel start-up against the simulated adapter: the fixed order of the device calls,
// the end of the whole start-up at the first failure, the bit-rate and standard mapping
// and the checking of stored filter lists.

#include "device/channelstartup.h"
#include "device/devicelayer.h"
#include "device/sim/simulatedadapter.h"
#include "settings/settingsstore.h"
#include "tests/shared/channelparams.h"
#include "tests/shared/faultyadapter.h"
#include "tests/shared/testbackend.h"
#include "tests/shared/testsetup.h"

#include <QtTest>

#include <memory>

class tst_ChannelStartup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void appliesStepsInFixedOrder();
    void stopsAtFirstFailure_data();
    void stopsAtFirstFailure();
    void failureOnChannel1SkipsChannel2();
    void channelAlreadyOpenIsSkipped();
    void startBothTarget_data();
    void startBothTarget();
    void bitRateTables_data();
    void bitRateTables();
    void outOfRangeIndicesMapToFallbackRates();
    void customBitRateReplacesTableRates();
    void filterOffOrEmptyMakesNoFilterCall_data();
    void filterOffOrEmptyMakesNoFilterCall();
    void malformedFilterListIsRejectedBeforeAnyCall_data();
    void malformedFilterListIsRejectedBeforeAnyCall();
    void failureTextFollowsLanguage();

private:
    QStringList filterWrites() const;

    std::unique_ptr<TestHome> home;
    TestBackend backend;
};

QStringList tst_ChannelStartup::filterWrites() const
{
    QStringList writes;
    const QStringList log = backend.faults->propertyLog();
    for (const QString &line : log) {
        if (line.contains(QLatin1String("/filter_")))
            writes.append(line);
    }
    return writes;
}

void tst_ChannelStartup::init()
{
    home = std::make_unique<TestHome>();
    QVERIFY(home->setUp());
    setLanguageIndex(0);
    SimulatorConfig config;
    config.volumesRoot = home->path() + QStringLiteral("/sim-volumes");
    backend.install(config);
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    backend.faults->setCallLogEnabled(true);
    backend.faults->clearLogs();
}

void tst_ChannelStartup::cleanup()
{
    backend.remove();
}

void tst_ChannelStartup::appliesStepsInFixedOrder()
{
    setChannelParams(1, {{"canFDStandard", "1"},
                         {"ABIT1", "2"},
                         {"ABIT2", "3"},
                         {"workStatus", "1"},
                         {"filterMode", "1"},
                         {"FilterID", "0-100-1FF|1-18FF0000-18FF00FF"}});

    const StartupResult result = startChannels(0);

    QVERIFY(result.failure.isEmpty());
    QVERIFY(result.started[0]);
    QVERIFY(!result.started[1]);
    QVERIFY(isChannelOpen(0));
    QCOMPARE(backend.faults->callLog(), (QVector<int>{35, 33, 34, 5, 6}));
    QCOMPARE(deviceState().initConfig.workMode, uint8_t(1));
    QCOMPARE(deviceState().initConfig.workMode2, uint8_t(1));
    QCOMPARE(filterWrites(),
             (QStringList{"0/filter_clear=0", "0/filter_mode=0", "0/filter_start=0x100",
                          "0/filter_end=0x1FF", "0/filter_mode=1", "0/filter_start=0x18FF0000",
                          "0/filter_end=0x18FF00FF", "0/filter_ack=0"}));
}

void tst_ChannelStartup::stopsAtFirstFailure_data()
{
    QTest::addColumn<int>("failingOrdinal");
    QTest::addColumn<QString>("failingProperty");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QVector<int>>("calls");
    QTest::addColumn<bool>("channelOpen");

    QTest::newRow("standard") << 35 << QString() << "设置CANFD标准失败！" << QVector<int>{35}
                              << false;
    QTest::newRow("arbitration rate")
        << 33 << QString() << "设置波特率失败！" << QVector<int>{35, 33} << false;
    QTest::newRow("data rate") << 34 << QString() << "设置波特率失败！" << QVector<int>{35, 33, 34}
                               << false;
    QTest::newRow("initialise") << 5 << QString() << "CAN初始化失败！"
                                << QVector<int>{35, 33, 34, 5} << false;
    QTest::newRow("filter clear") << 0 << "filter_clear"
                                  << "设置滤波失败！" << QVector<int>{35, 33, 34, 5} << true;
    QTest::newRow("filter end") << 0 << "filter_end"
                                << "设置滤波失败！" << QVector<int>{35, 33, 34, 5} << true;
    QTest::newRow("filter ack") << 0 << "filter_ack"
                                << "设置滤波失败！" << QVector<int>{35, 33, 34, 5} << true;
    QTest::newRow("start") << 6 << QString() << "CAN启动失败！" << QVector<int>{35, 33, 34, 5, 6}
                           << true;
}

void tst_ChannelStartup::stopsAtFirstFailure()
{
    QFETCH(int, failingOrdinal);
    QFETCH(QString, failingProperty);
    QFETCH(QString, message);
    QFETCH(QVector<int>, calls);
    QFETCH(bool, channelOpen);
    setChannelParams(1, {{"filterMode", "1"}, {"FilterID", "0-100-1FF"}});
    if (failingOrdinal)
        backend.faults->failCall(failingOrdinal);
    else
        backend.faults->failProperty(failingProperty.toLatin1());

    const StartupResult result = startChannels(0);

    QCOMPARE(result.failure, message);
    QVERIFY(!result.started[0]);
    QCOMPARE(backend.faults->callLog().mid(0, calls.size()), calls);
    // A channel initialised before the failure is reset again, never left half-started.
    Q_UNUSED(channelOpen);
    QVERIFY(!isChannelOpen(0));
}

void tst_ChannelStartup::failureOnChannel1SkipsChannel2()
{
    backend.faults->failCall(6);
    const StartupResult result = startChannels(3);
    QCOMPARE(result.failure, QStringLiteral("CAN启动失败！"));
    QVERIFY(!result.started[0]);
    QVERIFY(!result.started[1]);
    QCOMPARE(backend.faults->callLog().mid(0, 5), (QVector<int>{35, 33, 34, 5, 6}));
    QVERIFY(!isChannelOpen(0));
    QVERIFY(!isChannelOpen(1));
}

void tst_ChannelStartup::channelAlreadyOpenIsSkipped()
{
    QVERIFY(startChannels(1).started[1]);
    backend.faults->clearLogs();

    const StartupResult result = startChannels(3);

    QVERIFY(result.failure.isEmpty());
    QVERIFY(result.started[0]);
    QVERIFY(!result.started[1]);
    QCOMPARE(backend.faults->callLog(), (QVector<int>{35, 33, 34, 5, 6}));
}

void tst_ChannelStartup::startBothTarget_data()
{
    QTest::addColumn<bool>("ch1");
    QTest::addColumn<bool>("ch2");
    QTest::addColumn<int>("target");
    QTest::newRow("none open") << false << false << 3;
    QTest::newRow("channel 1 open") << true << false << 1;
    QTest::newRow("channel 2 open") << false << true << 0;
    QTest::newRow("both open") << true << true << -1;
}

void tst_ChannelStartup::startBothTarget()
{
    QFETCH(bool, ch1);
    QFETCH(bool, ch2);
    QFETCH(int, target);
    QCOMPARE(::startBothTarget(ch1, ch2), target);
}

void tst_ChannelStartup::bitRateTables_data()
{
    QTest::addColumn<uint>("index");
    QTest::addColumn<uint>("arbitration");
    QTest::addColumn<uint>("data");
    QTest::newRow("0") << 0u << 1000000u << 5000000u;
    QTest::newRow("1") << 1u << 800000u << 4000000u;
    QTest::newRow("2") << 2u << 500000u << 2000000u;
    QTest::newRow("3") << 3u << 400000u << 1000000u;
    QTest::newRow("4") << 4u << 250000u << 800000u;
    QTest::newRow("5") << 5u << 200000u << 500000u;
    QTest::newRow("6") << 6u << 125000u << 250000u;
    QTest::newRow("7") << 7u << 100000u << 125000u;
    QTest::newRow("8") << 8u << 80000u << 100000u;
    QTest::newRow("9") << 9u << 50000u << 100000u;
    QTest::newRow("13") << 13u << 5000u << 100000u;
    QTest::newRow("14") << 14u << 666666u << 100000u;
    QTest::newRow("15") << 15u << 83333u << 100000u;
    QTest::newRow("16") << 16u << 66666u << 100000u;
    QTest::newRow("17") << 17u << 33333u << 100000u;
    QTest::newRow("20") << 20u << 0u << 100000u;
}

void tst_ChannelStartup::bitRateTables()
{
    QFETCH(uint, index);
    QFETCH(uint, arbitration);
    QFETCH(uint, data);
    QCOMPARE(arbitrationBitRate(index), arbitration);
    QCOMPARE(dataBitRate(index), data);
}

void tst_ChannelStartup::outOfRangeIndicesMapToFallbackRates()
{
    // An arbitration rate of 0 bit/s is refused by the adapter.
    setChannelParams(1, {{"ABIT1", "20"}});
    const StartupResult result = startChannels(0);
    QCOMPARE(result.failure, QStringLiteral("设置波特率失败！"));
    QCOMPARE(backend.faults->callLog(), (QVector<int>{35, 33}));
}

void tst_ChannelStartup::customBitRateReplacesTableRates()
{
    setChannelParams(2, {{"isCustomBaudrate", "1"}, {"CustomBaudrate", "timing:1,2,3"}});
    const StartupResult result = startChannels(1);
    QVERIFY(result.started[1]);
    QCOMPARE(backend.faults->callCount(33), 0u);
    QCOMPARE(backend.faults->callCount(34), 0u);
    QVERIFY(
        backend.faults->propertyLog().contains(QStringLiteral("1/baud_rate_custom=timing:1,2,3")));

    backend.faults->clearLogs();
    setChannelParams(1, {{"isCustomBaudrate", "1"}});
    backend.faults->failProperty("baud_rate_custom");
    QCOMPARE(startChannels(0).failure, QStringLiteral("设置自定义波特率失败！"));
    QCOMPARE(backend.faults->callLog(), (QVector<int>{35}));
}

void tst_ChannelStartup::filterOffOrEmptyMakesNoFilterCall_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("list");
    QTest::newRow("enabled, empty list") << "1"
                                         << "";
    QTest::newRow("disabled, list kept") << "0"
                                         << "0-100-1FF";
}

void tst_ChannelStartup::filterOffOrEmptyMakesNoFilterCall()
{
    QFETCH(QString, mode);
    QFETCH(QString, list);
    setChannelParam(1, "filterMode", mode);
    setChannelParam(1, "FilterID", list);
    const StartupResult result = startChannels(0);
    QVERIFY(result.started[0]);
    QVERIFY(filterWrites().isEmpty());
}

void tst_ChannelStartup::malformedFilterListIsRejectedBeforeAnyCall_data()
{
    QTest::addColumn<QString>("list");
    QTest::newRow("two fields") << "0-100";
    QTest::newRow("one field") << "0";
    QTest::newRow("bad second entry") << "0-100-1FF|1-18FF";
    QTest::newRow("trailing separator") << "0-100-1FF|";
    QTest::newRow("not hexadecimal") << "0-10G-1FF";
    QTest::newRow("prefixed") << "0-0x100-1FF";
    QTest::newRow("empty identifier") << "0--1FF";
    QTest::newRow("bad mode") << "2-100-1FF";
    QTest::newRow("four fields") << "0-100-1FF-3";
    QTest::newRow("too long") << "1-123456789-123456789";
}

void tst_ChannelStartup::malformedFilterListIsRejectedBeforeAnyCall()
{
    QFETCH(QString, list);
    setChannelParams(1, {{"filterMode", "1"}});
    setChannelParam(1, "FilterID", list);

    const StartupResult result = startChannels(3);

    QCOMPARE(result.failure, QStringLiteral("设置滤波失败！"));
    QVERIFY(!result.started[0]);
    QVERIFY(!result.started[1]);
    QVERIFY(filterWrites().isEmpty());
    QCOMPARE(backend.faults->callCount(6), 0u);
}

void tst_ChannelStartup::failureTextFollowsLanguage()
{
    backend.faults->failCall(5);
    setLanguageIndex(2);
    QCOMPARE(startChannels(0).failure, QStringLiteral("CAN Initialization failed!"));
    backend.faults->failCall(35);
    setLanguageIndex(1);
    QCOMPARE(startChannels(1).failure, QStringLiteral("設置CANFD標準失敗！"));
    setLanguageIndex(0);
}

QTEST_GUILESS_MAIN(tst_ChannelStartup)
#include "tst_channelstartup.moc"
