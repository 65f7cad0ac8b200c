// The device dialogs on the offscreen platform with the simulated adapter: parameter
// confirm rules, the acceptance filter editor, the information dialog, the open-device
// dialog's buttons and start-up, and the firmware image naming rules.

#include "tests/shared/channelparams.h"
#include "tests/shared/faultyadapter.h"
#include "tests/shared/modalhelper.h"
#include "tests/shared/testbackend.h"
#include "tests/shared/testsetup.h"

#include "device/channelstartup.h"
#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "device/filterdialog.h"
#include "device/firmwareimage.h"
#include "device/firmwarescan.h"
#include "device/infdialog.h"
#include "device/opendlg.h"
#include "device/paradialog.h"
#include "device/serialbus/serialbusbackend.h"
#include "device/sim/simulatedadapter.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpServer>
#include <QtTest>

#include <cstring>
#include <memory>

namespace {

template <typename T> T *child(QWidget *parent, const char *name)
{
    T *widget = parent->findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("missing widget %s", name);
    return widget;
}

void click(QWidget *parent, const char *button)
{
    child<QPushButton>(parent, button)->click();
}

} // namespace

class tst_DeviceDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void paraDialogLoadsOneChannelAndStoresIt();
    void paraDialogReplacesIndexOutsideTable();
    void paraDialogForBothStoresChannel1ValuesUnderBoth();
    void paraDialogCancelStoresNothingEvenAfterFilterEdit();

    void filterAddRules_data();
    void filterAddRules();
    void filterEndBeforeStartWarns();
    void filterModeSetsRangesAndEndBox();
    void filterOkDropsExactDuplicatesOnly();
    void filterRoundTripAcrossLanguages();
    void filterDeleteAllGivesEmptyList();
    void filterMalformedListLoadsWithoutCrash();

    void infoDialogFormatsRecord();
    void infoEntryPointsWarn();
    void infoDialogShownForOpenDevice();

    void firmwareNames_data();
    void firmwareNames();
    void firmwarePickNewest();

    void openDlgButtonsFollowDeviceState();
    void openDlgOpenFailureWarns();
    void openDlgLogsSerialBusOpenFailureReason();
    void serialBusInterfacesShowInfoWithoutUpgradeOffer();
    void openDlgLogsWhyConfiguredBackendDidNotStart();
    void openDlgStartsChannelWithConfirmedParameters();
    void openDlgCancelledParametersChangeNothing();
    void openDlgStartBothWithChannel2OpenStartsChannel1();
    void openDlgStartFailureWarnsAndLeavesFlagUnset();
    void openDlgKeepsWindowsRunningWhileAdapterIsSlow();

private:
    std::unique_ptr<TestHome> home;
    TestBackend backend;
    QList<DialogMessage> messages;
};

void tst_DeviceDialogs::initTestCase()
{
    setMessageSink([this](QWidget *, const DialogMessage &message) { messages.append(message); });
    setQuitSink([] {});
}

void tst_DeviceDialogs::init()
{
    home = std::make_unique<TestHome>();
    QVERIFY(home->setUp({"config", "firmware"}));
    setLanguageIndex(0);
    SimulatorConfig config;
    config.volumesRoot = home->path() + QStringLiteral("/sim-volumes");
    backend.install(config);
    messages.clear();
}

void tst_DeviceDialogs::cleanup()
{
    backend.remove();
}

// ---- Channel parameters ----

void tst_DeviceDialogs::paraDialogLoadsOneChannelAndStoresIt()
{
    setChannelParams(2, {{"ABIT1", "4"},
                         {"workStatus", "1"},
                         {"isCustomBaudrate", "1"},
                         {"CustomBaudrate", "custom-text"},
                         {"FilterID", "0-100-1FF"}});
    setChannelParams(1, {{"ABIT1", "7"}});

    ParaDialog dialog(1);
    QCOMPARE(child<QComboBox>(&dialog, "chCombo")->currentIndex(), 1);
    QCOMPARE(child<QComboBox>(&dialog, "ABIT1Combo")->currentIndex(), 4);
    QCOMPARE(child<QComboBox>(&dialog, "workStatusCombo")->currentIndex(), 1);
    for (const char *hidden :
         {"chCombo", "CustomBaudrateCheckBox", "CustomBaudrateEdit", "label_7", "btnSave"})
        QVERIFY(child<QWidget>(&dialog, hidden)->isHidden());

    child<QComboBox>(&dialog, "ABIT2Combo")->setCurrentIndex(6);
    click(&dialog, "btnConfirm");

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(channelParam(2, "ABIT2"), QStringLiteral("6"));
    QCOMPARE(channelParam(2, "ABIT1"), QStringLiteral("4"));
    // Hidden values survive the confirm unchanged.
    QCOMPARE(channelParam(2, "isCustomBaudrate"), QStringLiteral("1"));
    QCOMPARE(channelParam(2, "CustomBaudrate"), QStringLiteral("custom-text"));
    QCOMPARE(channelParam(2, "FilterID"), QStringLiteral("0-100-1FF"));
    QCOMPARE(channelParam(1, "ABIT1"), QStringLiteral("7"));
    QCOMPARE(channelParam(1, "ABIT2"), QStringLiteral("<none>"));
    // The confirm writes the settings file.
    QFile file(home->path() + QStringLiteral("/config/setdb.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("ch2paramABIT2"));
}

// A stored index the combo does not have shows the default item and stores it.
void tst_DeviceDialogs::paraDialogReplacesIndexOutsideTable()
{
    setChannelParams(2, {{"ABIT1", "99"}, {"ABIT2", "-1"}, {"workStatus", "x"}});
    ParaDialog dialog(1); // channel 2
    for (const char *combo : {"ABIT1Combo", "ABIT2Combo", "workStatusCombo"})
        QCOMPARE(child<QComboBox>(&dialog, combo)->currentIndex(), 0);
    click(&dialog, "btnConfirm");
    QCOMPARE(channelParam(2, "ABIT1"), QStringLiteral("0"));
    QCOMPARE(channelParam(2, "ABIT2"), QStringLiteral("0"));
}

void tst_DeviceDialogs::paraDialogForBothStoresChannel1ValuesUnderBoth()
{
    setChannelParams(1, {{"canFDStandard", "1"}, {"CustomBaudrate", "one"}});
    setChannelParams(2, {{"canFDStandard", "0"}, {"ABIT1", "9"}, {"CustomBaudrate", "two"}});

    ParaDialog dialog(3);
    QCOMPARE(child<QComboBox>(&dialog, "chCombo")->currentIndex(), 0);
    child<QComboBox>(&dialog, "ABIT1Combo")->setCurrentIndex(2);
    click(&dialog, "btnConfirm");

    for (const char *name : {"workStatus", "canFDStandard", "ABIT1", "ABIT2", "isCustomBaudrate",
                             "CustomBaudrate", "filterMode", "FilterID"})
        QCOMPARE(channelParam(2, name), channelParam(1, name));
    QCOMPARE(channelParam(1, "canFDStandard"), QStringLiteral("1"));
    QCOMPARE(channelParam(1, "ABIT1"), QStringLiteral("2"));
    QCOMPARE(channelParam(2, "CustomBaudrate"), QStringLiteral("one"));
}

void tst_DeviceDialogs::paraDialogCancelStoresNothingEvenAfterFilterEdit()
{
    setChannelParams(1, {{"FilterID", "1-1-1"}, {"filterMode", "0"}});
    ParaDialog dialog(0);
    auto addOneFilter = [](QWidget *filterDialog) {
        child<QSpinBox>(filterDialog, "spinBox")->setValue(0x120);
        child<QSpinBox>(filterDialog, "spinBox_2")->setValue(0x12F);
        click(filterDialog, "pushButton_4");
        click(filterDialog, "pushButton_2");
    };
    whenModalAppears("FilterDialog", addOneFilter);
    child<QCheckBox>(&dialog, "filterModeCheck")->click();
    click(&dialog, "btnCancel");
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(channelParam(1, "FilterID"), QStringLiteral("1-1-1"));
    QCOMPARE(channelParam(1, "filterMode"), QStringLiteral("0"));

    ParaDialog again(0);
    whenModalAppears("FilterDialog", addOneFilter);
    child<QCheckBox>(&again, "filterModeCheck")->click();
    click(&again, "btnConfirm");
    QCOMPARE(channelParam(1, "FilterID"), QStringLiteral("1-1-1|0-120-12F"));
    QCOMPARE(channelParam(1, "filterMode"), QStringLiteral("1"));
}

// ---- Acceptance filters ----

void tst_DeviceDialogs::filterAddRules_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("entry");
    QTest::newRow("standard group") << 0 << 0x100 << 0x1ff << "0-100-1FF";
    QTest::newRow("standard single ignores end box") << 1 << 0x123 << 0x7ff << "0-123-123";
    QTest::newRow("extended group") << 2 << 0x18ff0000 << 0x18ff00ff << "1-18FF0000-18FF00FF";
    QTest::newRow("extended single") << 3 << 0xabcde << 0 << "1-ABCDE-ABCDE";
}

void tst_DeviceDialogs::filterAddRules()
{
    QFETCH(int, mode);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, entry);
    FilterDialog dialog(1, QString());
    child<QComboBox>(&dialog, "comboBox")->setCurrentIndex(mode);
    child<QSpinBox>(&dialog, "spinBox")->setValue(start);
    child<QSpinBox>(&dialog, "spinBox_2")->setValue(end);
    click(&dialog, "pushButton_4");
    QCOMPARE(child<QTableWidget>(&dialog, "tableWidget")->rowCount(), 1);
    QVERIFY(messages.isEmpty());
    click(&dialog, "pushButton_2");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.resultText(), entry);
}

void tst_DeviceDialogs::filterEndBeforeStartWarns()
{
    setLanguageIndex(2);
    FilterDialog dialog(2, QString());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Channel2 filter set"));
    child<QSpinBox>(&dialog, "spinBox")->setValue(0x200);
    child<QSpinBox>(&dialog, "spinBox_2")->setValue(0x100);
    click(&dialog, "pushButton_4");
    QCOMPARE(child<QTableWidget>(&dialog, "tableWidget")->rowCount(), 0);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).title, QStringLiteral("error"));
    QCOMPARE(messages.at(0).text, QStringLiteral("The end ID cannot be less than the start ID"));
}

void tst_DeviceDialogs::filterModeSetsRangesAndEndBox()
{
    FilterDialog dialog(1, QString());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("通道1滤波设置"));
    auto *mode = child<QComboBox>(&dialog, "comboBox");
    auto *start = child<QSpinBox>(&dialog, "spinBox");
    auto *end = child<QSpinBox>(&dialog, "spinBox_2");
    QCOMPARE(start->maximum(), 0x7FF);
    QCOMPARE(start->displayIntegerBase(), 16);
    const struct
    {
        int index;
        int maximum;
        bool endEnabled;
    } modes[] = {
        {3, 0x1FFFFFFF, false}, {2, 0x1FFFFFFF, true}, {1, 0x7FF, false}, {0, 0x7FF, true}};
    for (const auto &m : modes) {
        mode->setCurrentIndex(m.index);
        QCOMPARE(start->maximum(), m.maximum);
        QCOMPARE(end->maximum(), m.maximum);
        QCOMPARE(end->isEnabled(), m.endEnabled);
    }
}

// A repeat and a sub-range whose text occurs in an earlier entry are left out.
void tst_DeviceDialogs::filterOkDropsExactDuplicatesOnly()
{
    FilterDialog dialog(1, QStringLiteral("0-10-200|0-10-200|0-10-20|1-10-200|0-1-20"));
    QCOMPARE(child<QTableWidget>(&dialog, "tableWidget")->rowCount(), 5);
    click(&dialog, "pushButton_2");
    QCOMPARE(dialog.resultText(), QStringLiteral("0-10-200|1-10-200|0-1-20"));
}

void tst_DeviceDialogs::filterRoundTripAcrossLanguages()
{
    const QString list = QStringLiteral("0-100-1FF|1-18FF0000-18FF00FF");
    setLanguageIndex(2);
    FilterDialog english(1, list);
    auto *table = child<QTableWidget>(&english, "tableWidget");
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Standard Frame"));
    QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Extended Frame"));
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("18FF0000"));
    QCOMPARE(table->item(1, 2)->textAlignment(), int(Qt::AlignCenter));
    click(&english, "pushButton_2");
    QCOMPARE(english.resultText(), list);

    setLanguageIndex(1);
    FilterDialog traditional(1, english.resultText());
    QCOMPARE(child<QTableWidget>(&traditional, "tableWidget")->item(0, 0)->text(),
             QStringLiteral("標準幀"));
    child<QComboBox>(&traditional, "comboBox")->setCurrentIndex(2);
    child<QSpinBox>(&traditional, "spinBox")->setValue(0x1f);
    child<QSpinBox>(&traditional, "spinBox_2")->setValue(0x2f);
    click(&traditional, "pushButton_4");
    click(&traditional, "pushButton_2");
    QCOMPARE(traditional.resultText(), list + QStringLiteral("|1-1F-2F"));
}

void tst_DeviceDialogs::filterDeleteAllGivesEmptyList()
{
    FilterDialog dialog(1, QStringLiteral("0-100-1FF|1-1-2"));
    auto *table = child<QTableWidget>(&dialog, "tableWidget");
    click(&dialog, "pushButton"); // no current row: nothing happens
    QCOMPARE(table->rowCount(), 2);
    while (table->rowCount() > 0) {
        table->setCurrentCell(0, 0);
        click(&dialog, "pushButton");
    }
    click(&dialog, "pushButton_2");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(dialog.resultText().isEmpty());
}

void tst_DeviceDialogs::filterMalformedListLoadsWithoutCrash()
{
    FilterDialog dialog(1, QStringLiteral("0-100|1|"));
    auto *table = child<QTableWidget>(&dialog, "tableWidget");
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(0, 2)->text(), QString());
    click(&dialog, "pushButton_2");
    // What comes back is rejected as a whole by the start-up, never half applied.
    QVector<FilterRange> ranges;
    QVERIFY(!parseFilterList(dialog.resultText(), &ranges));
}

// ---- Device information ----

void tst_DeviceDialogs::infoDialogFormatsRecord()
{
    BoardInfo info{};
    info.hardwareVersion = 0x0100;
    info.firmwareVersion = 0x0211;
    info.driverVersion = 0x020A;
    info.interfaceVersion = 0x0117;
    info.irqNumber = 12;
    info.channelCount = 2;
    std::memcpy(info.serialNumber, "SN12", 4);
    std::memset(info.hardwareType, 'H', sizeof info.hardwareType);
    info.reserved[0] = 'X';

    INfDialog dialog(info);
    QCOMPARE(child<QLabel>(&dialog, "labelhwVersion")->text(), QStringLiteral("V1.00"));
    QCOMPARE(child<QLabel>(&dialog, "labelfwVersion")->text(), QStringLiteral("V2.11"));
    QCOMPARE(child<QLabel>(&dialog, "labeldrVersion")->text(), QStringLiteral("V2.0a"));
    QCOMPARE(child<QLabel>(&dialog, "labelinVersion")->text(), QStringLiteral("V1.17"));
    QCOMPARE(child<QLabel>(&dialog, "labelirqNum")->text(), QStringLiteral("12"));
    QCOMPARE(child<QLabel>(&dialog, "labelcanNum")->text(), QStringLiteral("2"));
    // The whole serial field is shown, NUL padding included.
    QCOMPARE(child<QLabel>(&dialog, "labelSerialNum")->text(),
             QStringLiteral("SN12") + QString(16, QChar(0)));
    // A type filling its field shows exactly the field.
    QCOMPARE(child<QLabel>(&dialog, "labelhwType")->text(), QString(40, QLatin1Char('H')));
    click(&dialog, "pushButton");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void tst_DeviceDialogs::infoEntryPointsWarn()
{
    setLanguageIndex(2);
    showDeviceInformation(nullptr, InfoEntry::OpenDialog);
    showDeviceInformation(nullptr, InfoEntry::MainWindow);
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    backend.faults->failCall(3);
    showDeviceInformation(nullptr, InfoEntry::OpenDialog);
    setLanguageIndex(0);
    backend.faults->failCall(3);
    showDeviceInformation(nullptr, InfoEntry::MainWindow);

    QCOMPARE(messages.size(), 4);
    QCOMPARE(messages.at(0).text, QStringLiteral("The device is not opened!"));
    QCOMPARE(messages.at(0).title, QStringLiteral("tip"));
    QCOMPARE(messages.at(1).title, QStringLiteral("warning"));
    QCOMPARE(messages.at(2).text, QStringLiteral("Device information acquisition failed!"));
    QCOMPARE(messages.at(2).title, QStringLiteral("warning"));
    QCOMPARE(messages.at(3).text, QStringLiteral("设备信息获取失败！"));
    QCOMPARE(messages.at(3).title, QStringLiteral("提示"));
}

void tst_DeviceDialogs::infoDialogShownForOpenDevice()
{
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    OpenDlg opener(0);
    QString firmware;
    whenModalAppears("INfDialog", [&firmware](QWidget *dialog) {
        firmware = child<QLabel>(dialog, "labelfwVersion")->text();
        click(dialog, "pushButton");
    });
    click(&opener, "pushButton_7");
    QCOMPARE(firmware, QStringLiteral("V2.11"));
    QVERIFY(messages.isEmpty());
}

// ---- Firmware image names ----

void tst_DeviceDialogs::firmwareNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("version");
    QTest::newRow("upper V") << "X-V2.15-Y.bin" << 0x215;
    QTest::newRow("lower v") << "Ferrule-v2.30-release.bin" << 0x230;
    QTest::newRow("no V") << "X-2.30-Y.bin" << 0;
    QTest::newRow("two parts") << "X-V2.30.bin" << 0;
    QTest::newRow("four parts") << "X-V2.30-Y-Z.bin" << 0;
    QTest::newRow("not hexadecimal") << "X-V2.3G-Y.bin" << 0;
    QTest::newRow("beyond 16 bits") << "X-V1.2345-Y.bin" << 0;
    QTest::newRow("built-in name") << "firmware.bin" << 0;
}

void tst_DeviceDialogs::firmwareNames()
{
    QFETCH(QString, name);
    QFETCH(int, version);
    QCOMPARE(int(firmwareVersionFromName(name)), version);
}

void tst_DeviceDialogs::firmwarePickNewest()
{
    FirmwareCandidate best = pickFirmwareImage({"old-V2.12-x.bin", "new-V2.20-x.bin"});
    QCOMPARE(best.fileName, QStringLiteral("new-V2.20-x.bin"));
    QCOMPARE(best.version, uint16_t(0x220));
    best = pickFirmwareImage({"a-V2.11-x.bin", "b-2.30-x.bin", "c-V1.99-x.bin"});
    QCOMPARE(best.fileName, QStringLiteral("firmware.bin"));
    QCOMPARE(best.version, uint16_t(0x211));
    best = pickFirmwareImage({"a-V2.40-x.bin", "b-V2.40-y.bin"});
    QCOMPARE(best.fileName, QStringLiteral("a-V2.40-x.bin"));

    QFile(home->path() + QStringLiteral("/firmware/b-V2.20-x.bin")).open(QIODevice::WriteOnly);
    QFile(home->path() + QStringLiteral("/firmware/a-V2.30-x.txt")).open(QIODevice::WriteOnly);
    QDir(home->path()).mkpath(QStringLiteral("firmware/c-V2.50-x.bin"));
    QCOMPARE(firmwareFileNames(firmwareFolder()), QStringList{"b-V2.20-x.bin"});
}

// ---- Open device dialog ----

void tst_DeviceDialogs::openDlgButtonsFollowDeviceState()
{
    OpenDlg dialog(0);
    auto enabled = [&dialog](const char *name) {
        return child<QWidget>(&dialog, name)->isEnabled();
    };
    const char *names[] = {"comboBox",     "comboBox_2",   "pushButton",   "pushButton_5",
                           "pushButton_7", "pushButton_2", "pushButton_6", "pushButton_3",
                           "pushButton_8", "pushButton_4", "pushButton_9"};
    auto states = [&] {
        QString bits;
        for (const char *name : names)
            bits += enabled(name) ? QLatin1Char('1') : QLatin1Char('0');
        return bits;
    };
    QCOMPARE(states(), QStringLiteral("11100000000"));

    click(&dialog, "pushButton");
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Larkspur-V1.17Ferrule-2X(&U)-0"));
    QCOMPARE(states(), QStringLiteral("00011101010"));

    QVERIFY(startChannels(0).started[0]);
    dialog.initDlg();
    QCOMPARE(states(), QStringLiteral("00011110110"));
    QVERIFY(startChannels(1).started[1]);
    dialog.initDlg();
    QCOMPARE(states(), QStringLiteral("00011010101"));

    click(&dialog, "pushButton_8");
    QVERIFY(!isChannelOpen(0));
    QCOMPARE(states(), QStringLiteral("00011111001"));
    click(&dialog, "pushButton_6");
    QVERIFY(!isChannelOpen(1));
    QCOMPARE(states(), QStringLiteral("00011101010"));

    click(&dialog, "pushButton_5");
    QVERIFY(!isDeviceOpen());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Larkspur-V1.17"));
    QCOMPARE(states(), QStringLiteral("11100000000"));
}

void tst_DeviceDialogs::openDlgOpenFailureWarns()
{
    setLanguageIndex(1);
    OpenDlg dialog(7); // only index 0 is present
    QCOMPARE(child<QComboBox>(&dialog, "comboBox_2")->currentIndex(), 7);
    click(&dialog, "pushButton");
    QVERIFY(!isDeviceOpen());
    QCOMPARE(dialog.deviceIndex, 7);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).text, QStringLiteral("設備打開失敗！"));
    QCOMPARE(messages.at(0).title, QStringLiteral("提示"));
    QVERIFY(child<QWidget>(&dialog, "pushButton")->isEnabled());
}

void tst_DeviceDialogs::openDlgLogsSerialBusOpenFailureReason()
{
    SerialBusConfig config;
    config.plugin = QStringLiteral("socketcan");
    config.interfaces[0] = QStringLiteral("nosuchcan0"); // no such network interface
    config.interfaces[1] = QStringLiteral("nosuchcan1");
    auto backend = std::make_shared<SerialBusBackend>(config);
    setVendorBackend(backend);
    setLanguageIndex(2);
    OpenDlg dialog(0);
    QSignalSpy log(&dialog, &OpenDlg::logLine);
    click(&dialog, "pushButton");
    QVERIFY(!isDeviceOpen());
    QCOMPARE(messages.size(), 1);
    QCOMPARE(log.size(), 1);
    const QString line = log.at(0).at(0).toString();
    QVERIFY(!backend->lastError().isEmpty());
    QCOMPARE(line, QStringLiteral("Device opening failed! ") + backend->lastError());
}

// Interfaces reached through QtSerialBus have no firmware: opening them with an image in
// the firmware folder offers no upgrade, and the information dialog shows what the
// backend knows instead of a failure.
void tst_DeviceDialogs::serialBusInterfacesShowInfoWithoutUpgradeOffer()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    SerialBusConfig config;
    config.plugin = QStringLiteral("virtualcan");
    for (int ch = 0; ch < 2; ++ch)
        config.interfaces[ch] = QStringLiteral("tcp://127.0.0.1:%1/can%2").arg(port).arg(ch);
    setVendorBackend(std::make_shared<SerialBusBackend>(config));
    QVERIFY(writeTestFile(home->path() + QStringLiteral("/firmware/Ferrule-V2.30-release.bin"),
                          makeFirmwareImage(0x230, 16)));

    OpenDlg opener(0);
    bool offered = false;
    whenModalAppears("UpdateDlg", [&offered](QWidget *dialog) {
        offered = true;
        static_cast<QDialog *>(dialog)->reject();
    });
    click(&opener, "pushButton");
    QVERIFY(isDeviceOpen());
    QVERIFY(!offered);
    QVERIFY(!adapterHasFirmware());

    QString type;
    QString driver;
    whenModalAppears("INfDialog", [&](QWidget *dialog) {
        type = child<QLabel>(dialog, "labelhwType")->text();
        driver = child<QLabel>(dialog, "labeldrVersion")->text();
        click(dialog, "pushButton");
    });
    click(&opener, "pushButton_7");
    QVERIFY(messages.isEmpty());
    QCOMPARE(type, QStringLiteral("QtSerialBus virtualcan can0,can1"));
    QCOMPARE(driver, versionText(SerialBusBackend::Version));
}

void tst_DeviceDialogs::openDlgLogsWhyConfiguredBackendDidNotStart()
{
    // A serialbus configuration with a plugin that does not exist: the simulator stands in,
    // and a failed open names why the configured backend is not the one in use.
    QVERIFY(writeTestFile(home->path() + QStringLiteral("/config/adapter.ini"),
                          "[Adapter]\nBackend=serialbus\n[SerialBus]\nPlugin=nosuchplugin\n"));
    qputenv("LARKSPUR_ADAPTER", "serialbus");
    setVendorBackend(nullptr);
    OpenDlg dialog(7); // the simulator has only index 0
    QSignalSpy log(&dialog, &OpenDlg::logLine);
    click(&dialog, "pushButton");
    qputenv("LARKSPUR_ADAPTER", "simulated");
    QVERIFY(!isDeviceOpen());
    QVERIFY(!vendorBackendError().isEmpty());
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.at(0).at(0).toString(), QStringLiteral("设备打开失败！ ") + vendorBackendError());
}

void tst_DeviceDialogs::openDlgStartsChannelWithConfirmedParameters()
{
    OpenDlg dialog(0);
    click(&dialog, "pushButton");
    backend.faults->setCallLogEnabled(true);
    backend.faults->clearLogs();
    whenModalAppears("ParaDialog", [](QWidget *para) {
        QCOMPARE(child<QComboBox>(para, "chCombo")->currentIndex(), 1);
        child<QComboBox>(para, "ABIT1Combo")->setCurrentIndex(2);
        click(para, "btnConfirm");
    });
    click(&dialog, "pushButton_4");

    QVERIFY(dialog.started[1]);
    QVERIFY(!dialog.started[0]);
    QVERIFY(isChannelOpen(1));
    QCOMPARE(channelParam(2, "ABIT1"), QStringLiteral("2"));
    QCOMPARE(backend.faults->callLog(), (QVector<int>{35, 33, 34, 5, 6}));
    QVERIFY(child<QWidget>(&dialog, "pushButton_9")->isEnabled());
    QVERIFY(messages.isEmpty());
}

void tst_DeviceDialogs::openDlgCancelledParametersChangeNothing()
{
    setChannelParams(1, {{"ABIT1", "3"}});
    OpenDlg dialog(0);
    click(&dialog, "pushButton");
    backend.faults->setCallLogEnabled(true);
    backend.faults->clearLogs();
    whenModalAppears("ParaDialog", [](QWidget *para) {
        QCOMPARE(child<QComboBox>(para, "ABIT1Combo")->currentIndex(), 3);
        child<QComboBox>(para, "ABIT1Combo")->setCurrentIndex(5);
        click(para, "btnCancel");
    });
    click(&dialog, "pushButton_2");
    QVERIFY(!dialog.started[0]);
    QVERIFY(!dialog.started[1]);
    QVERIFY(backend.faults->callLog().isEmpty());
    QCOMPARE(channelParam(1, "ABIT1"), QStringLiteral("3"));
}

void tst_DeviceDialogs::openDlgStartBothWithChannel2OpenStartsChannel1()
{
    setChannelParams(2, {{"ABIT2", "4"}});
    OpenDlg dialog(0);
    click(&dialog, "pushButton");
    QVERIFY(startChannels(1).started[1]);
    dialog.initDlg();
    int shownChannel = -1;
    whenModalAppears("ParaDialog", [&shownChannel](QWidget *para) {
        shownChannel = child<QComboBox>(para, "chCombo")->currentIndex();
        child<QComboBox>(para, "ABIT2Combo")->setCurrentIndex(8);
        click(para, "btnConfirm");
    });
    click(&dialog, "pushButton_2");
    QCOMPARE(shownChannel, 0);
    QVERIFY(dialog.started[0]);
    QVERIFY(!dialog.started[1]);
    QCOMPARE(channelParam(1, "ABIT2"), QStringLiteral("8"));
    QCOMPARE(channelParam(2, "ABIT2"), QStringLiteral("4"));
    QVERIFY(!child<QWidget>(&dialog, "pushButton_2")->isEnabled());
}

void tst_DeviceDialogs::openDlgStartFailureWarnsAndLeavesFlagUnset()
{
    setLanguageIndex(2);
    OpenDlg dialog(0);
    click(&dialog, "pushButton");
    backend.faults->failCall(6);
    whenModalAppears("ParaDialog", [](QWidget *para) { click(para, "btnConfirm"); });
    click(&dialog, "pushButton_2");
    QVERIFY(!dialog.started[0]);
    QVERIFY(!dialog.started[1]);
    QVERIFY(!isChannelOpen(0)); // initialised, then reset: shown stopped
    QVERIFY(!isChannelOpen(1));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).title, QStringLiteral("warning"));
    QCOMPARE(messages.at(0).text, QStringLiteral("CAN start failed!"));
    QCOMPARE(channelParam(2, "ABIT1"), channelParam(1, "ABIT1"));
}

// An adapter slow to open or start (an interface connecting over the network) does not
// freeze the windows: timers on the GUI thread keep firing while the call is under way.
void tst_DeviceDialogs::openDlgKeepsWindowsRunningWhileAdapterIsSlow()
{
    backend.faults->delayCall(1, 200); // open
    backend.faults->delayCall(6, 200); // start
    OpenDlg dialog(0);
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(10);

    click(&dialog, "pushButton");
    QVERIFY(isDeviceOpen());
    QVERIFY(ticks > 0);
    QVERIFY(child<QWidget>(&dialog, "pushButton_5")->isEnabled());

    ticks = 0;
    whenModalAppears("ParaDialog", [](QWidget *para) { click(para, "btnConfirm"); });
    click(&dialog, "pushButton_3");
    QVERIFY(dialog.started[0]);
    QVERIFY(isChannelOpen(0));
    QVERIFY(ticks > 0);
    QVERIFY(messages.isEmpty());
}

QTEST_MAIN(tst_DeviceDialogs)
#include "tst_devicedialogs.moc"
