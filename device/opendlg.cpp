#include "device/opendlg.h"

#include "app/screenscale.h"
#include "device/backgroundcall.h"
#include "device/channelstartup.h"
#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "device/firmwarescan.h"
#include "device/infdialog.h"
#include "device/paradialog.h"
#include "device/updatedlg.h"
#include "settings/settingsstore.h"
#include "ui_opendlg.h"

#include <QDir>
#include <QEvent>

namespace {

QString programTitle()
{
    return QStringLiteral("Larkspur-V1.17");
}

} // namespace

OpenDlg::OpenDlg(int index, QWidget *parent)
    : QDialog(parent), deviceIndex(index), ui(new Ui::OpenDlg)
{
    ui->setupUi(this);
    followScreenScale(this);
    initDlg();
    ui->comboBox_2->setCurrentIndex(index >= 0 && index < ui->comboBox_2->count() ? index : 0);
}

OpenDlg::~OpenDlg()
{
    delete ui;
}

void OpenDlg::initDlg()
{
    const bool device = isDeviceOpen();
    const bool ch1 = isChannelOpen(0);
    const bool ch2 = isChannelOpen(1);
    ui->comboBox->setEnabled(!device);
    ui->comboBox_2->setEnabled(!device);
    ui->pushButton->setEnabled(!device);
    ui->pushButton_5->setEnabled(device);
    ui->pushButton_7->setEnabled(device);
    ui->pushButton_2->setEnabled(device && !(ch1 && ch2));
    ui->pushButton_6->setEnabled(ch1 || ch2);
    ui->pushButton_3->setEnabled(device && !ch1);
    ui->pushButton_8->setEnabled(ch1);
    ui->pushButton_4->setEnabled(device && !ch2);
    ui->pushButton_9->setEnabled(ch2);
}

void OpenDlg::on_pushButton_clicked()
{
    const int index = ui->comboBox_2->currentIndex();
    bool opened = false;
    callInBackground([&] { opened = openDevice(FerruleDeviceType, uint32_t(index), 0); });
    if (!opened) {
        logOpenFailure();
        showDialogMessage(this, MessageKind::Warning, tipTitle(),
                          byLanguage("设备打开失败！", "設備打開失敗！", "Device opening failed!"));
        return;
    }
    deviceIndex = index;
    offerFirmwareUpgrade(queryDeviceInfo());
    setOpenedTitle();
    initDlg();
}

void OpenDlg::logOpenFailure()
{
    const QString reason = deviceOpenFailureReason();
    const QString text = byLanguage("设备打开失败！", "設備打開失敗！", "Device opening failed!");
    emit logLine(reason.isEmpty() ? text : text + QLatin1Char(' ') + reason);
}

void OpenDlg::offerFirmwareUpgrade(uint16_t adapterVersion)
{
    if (!adapterHasFirmware())
        return;
    const QStringList folders = firmwareFolders();
    const FirmwareCandidate candidate = pickFirmwareImage(firmwareFileNamesIn(folders));
    if (adapterVersion >= candidate.version)
        return;
    // Without the image on disk the adapter would be switched into update mode for
    // nothing, so the upgrade is only offered for an image that is really there.
    const QString imagePath = firmwareImagePath(folders, candidate.fileName);
    if (imagePath.isEmpty())
        return;
    UpdateDlg dialog(adapterVersion, deviceIndex, imagePath, this);
    connect(&dialog, &UpdateDlg::logLine, this, &OpenDlg::logLine);
    dialog.exec();
}

void OpenDlg::setOpenedTitle()
{
    stateTitle = programTitle() + QStringLiteral("Ferrule-2X(&U)-") + QString::number(deviceIndex);
    setWindowTitle(stateTitle);
}

void OpenDlg::on_pushButton_5_clicked()
{
    closeDevice();
    stateTitle = programTitle();
    setWindowTitle(stateTitle);
    initDlg();
}

void OpenDlg::openCh(int ch)
{
    ParaDialog dialog(ch, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    StartupResult result;
    callInBackground([&] { result = startChannels(ch); });
    for (int index = 0; index < 2; ++index)
        started[index] = started[index] || result.started[index];
    if (!result.failure.isEmpty())
        showDialogMessage(this, MessageKind::Warning, warningTitle(), result.failure);
}

void OpenDlg::on_pushButton_2_clicked()
{
    const int target = startBothTarget(isChannelOpen(0), isChannelOpen(1));
    if (target >= 0)
        openCh(target);
    initDlg();
}

void OpenDlg::on_pushButton_3_clicked()
{
    openCh(0);
    initDlg();
}

void OpenDlg::on_pushButton_4_clicked()
{
    openCh(1);
    initDlg();
}

void OpenDlg::on_pushButton_6_clicked()
{
    for (uint32_t ch = 0; ch < 2; ++ch) {
        if (isChannelOpen(ch))
            resetCan(ch);
    }
    initDlg();
}

void OpenDlg::on_pushButton_8_clicked()
{
    resetCan(0);
    initDlg();
}

void OpenDlg::on_pushButton_9_clicked()
{
    resetCan(1);
    initDlg();
}

void OpenDlg::on_pushButton_7_clicked()
{
    showDeviceInformation(this, InfoEntry::OpenDialog);
}

void OpenDlg::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        if (!stateTitle.isEmpty())
            setWindowTitle(stateTitle);
    }
    QDialog::changeEvent(event);
}
