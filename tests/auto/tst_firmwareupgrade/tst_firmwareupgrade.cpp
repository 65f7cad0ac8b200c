// Firmware upgrade with the simulated adapter: the offer after opening, the switch to
// update mode and the once-a-second attempts to deliver the image, driven tick by tick.

#include "tests/shared/faultyadapter.h"
#include "tests/shared/modalhelper.h"
#include "tests/shared/testsetup.h"

#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "device/firmwareimage.h"
#include "device/opendlg.h"
#include "device/sim/simulatedadapter.h"
#include "device/updatedlg.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class tst_FirmwareUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void questionShowsAdapterVersion();
    void answeringNoLeavesAdapterUntouched();
    void volumeAppearingAtTick5ReceivesImage();
    void volumeNeverAppearingFailsAtTick16();
    void volumePresentBeforeYesIsNeverWritten();
    void staleImageOnVolumeIsReplaced();
    void failedSwitchReportsFailure();
    void closingWhileWaitingStopsSilently();
    void openOffersUpgradeAndNewFirmwareIsReportedAfterReopen();
    void builtInImageOfferedOnlyWhenPresent();

private:
    QString openingOffersUpgrade();
    QString volumePath(const QString &name) const;
    UpdateDlg *startedUpgrade(const QString &image);

    std::unique_ptr<TestHome> home;
    std::shared_ptr<SimulatedAdapter> sim;
    std::shared_ptr<FaultyAdapter> faults; // the backend installed: sim behind the test hooks
    std::unique_ptr<UpdateDlg> dialog;
    QList<DialogMessage> messages;
    int quits = 0;
    QString imagePath;
};

void tst_FirmwareUpgrade::initTestCase()
{
    setMessageSink([this](QWidget *, const DialogMessage &message) { messages.append(message); });
    setQuitSink([this] { ++quits; });
}

void tst_FirmwareUpgrade::init()
{
    home = std::make_unique<TestHome>();
    QVERIFY(home->setUp({"config", "firmware", "sim-volumes"}));
    setLanguageIndex(0);
    SimulatorConfig config;
    config.updateDelayMs = 3600 * 1000; // tests mount the volume themselves
    sim = std::make_shared<SimulatedAdapter>(config);
    faults = std::make_shared<FaultyAdapter>(sim);
    setVendorBackend(faults);
    resetDeviceState();
    messages.clear();
    quits = 0;
    imagePath = home->path() + QStringLiteral("/firmware/Ferrule-V2.30-release.bin");
    QVERIFY(writeFile(imagePath, makeFirmwareImage(0x230, 4096)));
}

void tst_FirmwareUpgrade::cleanup()
{
    dialog.reset();
    closeDevice();
    setVendorBackend(nullptr);
    sim.reset();
}

QString tst_FirmwareUpgrade::volumePath(const QString &name) const
{
    return simulatedVolumesRoot() + QLatin1Char('/') + name;
}

// An upgrade whose "yes" was answered and whose adapter is in update mode.
UpdateDlg *tst_FirmwareUpgrade::startedUpgrade(const QString &image)
{
    if (!openDevice(FerruleDeviceType, 0, 0))
        return nullptr;
    dialog = std::make_unique<UpdateDlg>(0x211, 0, image);
    dialog->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
    dialog->switchToUpdateMode();
    return dialog.get();
}

void tst_FirmwareUpgrade::questionShowsAdapterVersion()
{
    setLanguageIndex(2);
    UpdateDlg english(0x20a, 0, imagePath);
    auto *label = english.findChild<QLabel *>(QStringLiteral("label"));
    QCOMPARE(label->text(), QStringLiteral("The firmware version(V2.0a)is too low，Do you want to "
                                           "upgrade the firmware?"));
    QVERIFY(english.findChild<QProgressBar *>(QStringLiteral("progressBar"))->isHidden());
    setLanguageIndex(0);
    UpdateDlg chinese(0x211, 0, imagePath);
    QCOMPARE(chinese.findChild<QLabel *>(QStringLiteral("label"))->text(),
             QStringLiteral("固件版本(V2.11)过低，是否升级固件？"));
}

void tst_FirmwareUpgrade::answeringNoLeavesAdapterUntouched()
{
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    UpdateDlg no(0x211, 0, imagePath);
    no.findChild<QPushButton *>(QStringLiteral("pushButton_2"))->click();
    QCOMPARE(no.result(), int(QDialog::Rejected));
    QVERIFY(!sim->isInUpdateMode());
    QVERIFY(!no.isWaiting());
    QCOMPARE(quits, 0);
    QVERIFY(messages.isEmpty());
}

void tst_FirmwareUpgrade::volumeAppearingAtTick5ReceivesImage()
{
    UpdateDlg *upgrade = startedUpgrade(imagePath);
    QVERIFY(upgrade);
    QVERIFY(sim->isInUpdateMode());
    QVERIFY(!upgrade->findChild<QPushButton *>(QStringLiteral("pushButton"))->isEnabled());
    QVERIFY(!upgrade->findChild<QPushButton *>(QStringLiteral("pushButton_2"))->isEnabled());
    QVERIFY(!upgrade->findChild<QProgressBar *>(QStringLiteral("progressBar"))->isHidden());
    QCOMPARE(upgrade->findChild<QLabel *>(QStringLiteral("label"))->text(),
             QStringLiteral("警告：升级固件中，请勿关闭此界面及拔出设备。"));
    QVERIFY(upgrade->isWaiting());

    for (int tick = 1; tick <= 4; ++tick)
        upgrade->timer();
    QVERIFY(messages.isEmpty());
    QVERIFY(upgrade->isWaiting());
    QVERIFY(QDir().mkpath(volumePath(QStringLiteral("CRP DISABLD"))));
    upgrade->timer();

    QCOMPARE(upgrade->attemptCount(), 5);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).kind, MessageKind::Information);
    QCOMPARE(messages.at(0).title, QStringLiteral("提示"));
    QCOMPARE(messages.at(0).text, QStringLiteral("固件升级成功，请重新插拔设备并重启软件！"));
    QCOMPARE(quits, 1);
    QVERIFY(!upgrade->isWaiting());
    QCOMPARE(readAll(volumePath(QStringLiteral("CRP DISABLD/firmware.bin"))), readAll(imagePath));
}

void tst_FirmwareUpgrade::volumeNeverAppearingFailsAtTick16()
{
    setLanguageIndex(2);
    UpdateDlg *upgrade = startedUpgrade(imagePath);
    QVERIFY(upgrade);
    for (int tick = 1; tick < UpdateDlg::MaxAttempts; ++tick)
        upgrade->timer();
    QVERIFY(messages.isEmpty());
    QVERIFY(upgrade->isWaiting());
    upgrade->timer();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).kind, MessageKind::Critical);
    QCOMPARE(messages.at(0).title, QStringLiteral("error"));
    QCOMPARE(messages.at(0).text,
             QStringLiteral("Firmware upgrade failed, please reinsert or unplug the device and "
                            "restart the software!"));
    QCOMPARE(quits, 1);
    QVERIFY(!upgrade->isWaiting());
}

void tst_FirmwareUpgrade::volumePresentBeforeYesIsNeverWritten()
{
    const QString old = volumePath(QStringLiteral("CRP DISABLD"));
    QVERIFY(QDir().mkpath(old));
    UpdateDlg *upgrade = startedUpgrade(imagePath);
    QVERIFY(upgrade);
    for (int tick = 1; tick <= 3; ++tick)
        upgrade->timer();
    QVERIFY(!QFile::exists(old + QStringLiteral("/firmware.bin")));
    QVERIFY(messages.isEmpty());

    const QString fresh = volumePath(QStringLiteral("CRP DISABLD 2"));
    QVERIFY(QDir().mkpath(fresh));
    upgrade->timer();
    QCOMPARE(quits, 1);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).kind, MessageKind::Information);
    QVERIFY(!QFile::exists(old + QStringLiteral("/firmware.bin")));
    QCOMPARE(readAll(fresh + QStringLiteral("/firmware.bin")), readAll(imagePath));
}

void tst_FirmwareUpgrade::staleImageOnVolumeIsReplaced()
{
    UpdateDlg *upgrade = startedUpgrade(imagePath);
    QVERIFY(upgrade);
    const QString volume = volumePath(QStringLiteral("CRP DISABLD"));
    QVERIFY(QDir().mkpath(volume));
    QVERIFY(writeFile(volume + QStringLiteral("/firmware.bin"), "stale"));
    upgrade->timer();
    QCOMPARE(readAll(volume + QStringLiteral("/firmware.bin")), readAll(imagePath));
    QCOMPARE(quits, 1);
}

void tst_FirmwareUpgrade::failedSwitchReportsFailure()
{
    faults->failCall(32);
    UpdateDlg *upgrade = startedUpgrade(imagePath);
    QVERIFY(upgrade);
    QVERIFY(!sim->isInUpdateMode());
    QVERIFY(!upgrade->isWaiting());
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).kind, MessageKind::Critical);
    QCOMPARE(messages.at(0).text, QStringLiteral("固件升级失败，请重新插拔设备并重启软件！"));
    QCOMPARE(quits, 1);
}

// Escape while waiting for the volume closes the window without a message box; the
// adapter is left in update mode and one log line says it must be replugged.
void tst_FirmwareUpgrade::closingWhileWaitingStopsSilently()
{
    setLanguageIndex(2);
    UpdateDlg *upgrade = startedUpgrade(imagePath);
    QVERIFY(upgrade);
    QSignalSpy logged(upgrade, &UpdateDlg::logLine);
    upgrade->show();
    upgrade->timer();
    QTest::keyClick(upgrade, Qt::Key_Escape);
    QVERIFY(upgrade->isHidden());
    QVERIFY(!upgrade->isWaiting());
    QVERIFY(messages.isEmpty());
    QCOMPARE(quits, 0);
    QVERIFY(sim->isInUpdateMode());
    QCOMPARE(logged.size(), 1);
    QCOMPARE(logged.at(0).at(0).toString(),
             QStringLiteral("Firmware upgrade interrupted: the device is in update mode, please "
                            "unplug and reinsert it!"));
    setLanguageIndex(0);
    // Before "yes" the adapter is untouched and closing says nothing.
    UpdateDlg untouched(0x211, 0, imagePath);
    QSignalSpy quiet(&untouched, &UpdateDlg::logLine);
    untouched.reject();
    QVERIFY(quiet.isEmpty());
}

void tst_FirmwareUpgrade::openOffersUpgradeAndNewFirmwareIsReportedAfterReopen()
{
    QVERIFY(writeFile(home->path() + QStringLiteral("/firmware/older-V2.20-x.bin"),
                      makeFirmwareImage(0x220, 16)));
    sim->setUpdateDelayMs(0);
    OpenDlg opener(0);
    QString offered;
    whenModalAppears("UpdateDlg", [&offered](QWidget *modal) {
        auto *upgrade = qobject_cast<UpdateDlg *>(modal);
        offered = upgrade->findChild<QLabel *>(QStringLiteral("label"))->text();
        upgrade->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        upgrade->switchToUpdateMode();
        upgrade->timer();
        upgrade->reject(); // stands in for the application quitting
    });
    opener.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();

    QCOMPARE(offered, QStringLiteral("固件版本(V2.11)过低，是否升级固件？"));
    QCOMPARE(quits, 1);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.at(0).kind, MessageKind::Information);

    // The replugged adapter runs the delivered image and is not asked again.
    closeDevice();
    QCOMPARE(openingOffersUpgrade(), QString());
    QCOMPARE(queryDeviceInfo(), uint16_t(0x230));
}

void tst_FirmwareUpgrade::builtInImageOfferedOnlyWhenPresent()
{
    sim = std::make_shared<SimulatedAdapter>([] {
        SimulatorConfig config;
        config.firmwareVersion = 0x200;
        return config;
    }());
    faults = std::make_shared<FaultyAdapter>(sim);
    setVendorBackend(faults);
    QVERIFY(QFile::remove(imagePath));
    // No image in the folder: the adapter is never switched into update mode for nothing.
    QCOMPARE(openingOffersUpgrade(), QString());
    closeDevice();

    QVERIFY(writeFile(home->path() + QStringLiteral("/firmware/firmware.bin"),
                      makeFirmwareImage(0x211, 16)));
    QVERIFY(writeFile(home->path() + QStringLiteral("/firmware/same-V2.11-x.bin"),
                      makeFirmwareImage(0x211, 16)));
    QCOMPARE(openingOffersUpgrade(), QStringLiteral("固件版本(V2.00)过低，是否升级固件？"));
    QVERIFY(!sim->isInUpdateMode());
}

// Opens the device through the open-device dialog; answers "no" to an upgrade offer and
// returns its question (empty when none was made).
QString tst_FirmwareUpgrade::openingOffersUpgrade()
{
    QString question;
    QTimer *poll = whenModalAppears("UpdateDlg", [&question](QWidget *modal) {
        question = modal->findChild<QLabel *>(QStringLiteral("label"))->text();
        modal->findChild<QPushButton *>(QStringLiteral("pushButton_2"))->click();
    });
    OpenDlg opener(0);
    opener.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
    delete poll;
    if (!isDeviceOpen())
        return QStringLiteral("<not opened>");
    if (opener.windowTitle() != QStringLiteral("Larkspur-V1.17Ferrule-2X(&U)-0"))
        return QStringLiteral("<wrong title>");
    return question;
}

QTEST_MAIN(tst_FirmwareUpgrade)
#include "tst_firmwareupgrade.moc"
