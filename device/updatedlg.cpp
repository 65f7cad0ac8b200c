#include "device/updatedlg.h"

#include "app/screenscale.h"
#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "device/volumelist.h"
#include "settings/settingsstore.h"
#include "ui_updatedlg.h"

#include <QDebug>
#include <QDir>
#include <QEvent>
#include <QFile>

UpdateDlg::UpdateDlg(uint16_t firmwareVersion, int index, const QString &path, QWidget *parent)
    : QDialog(parent), ui(new Ui::UpdateDlg), adapterVersion(firmwareVersion), deviceIndex(index),
      imagePath(path)
{
    ui->setupUi(this);
    followScreenScale(this);
    ui->progressBar->hide();
    showQuestion();
    switchTimer.setSingleShot(true);
    switchTimer.setInterval(1);
    connect(&switchTimer, &QTimer::timeout, this, &UpdateDlg::switchToUpdateMode);
    tickTimer.setSingleShot(true);
    tickTimer.setInterval(1000);
    connect(&tickTimer, &QTimer::timeout, this, &UpdateDlg::timer);
}

UpdateDlg::~UpdateDlg()
{
    delete ui;
}

void UpdateDlg::showQuestion()
{
    ui->label->setText(byLanguage("固件版本(%1)过低，是否升级固件？",
                                  "固件版本(%1)過低，是否升級固件？",
                                  "The firmware version(%1)is too low，Do you want to upgrade "
                                  "the firmware?")
                           .arg(versionText(adapterVersion)));
}

void UpdateDlg::on_pushButton_clicked()
{
    volumesBefore = volumeRootsNamed(updateVolumeName());
    upgrading = true;
    ui->label->setText(byLanguage(
        "警告：升级固件中，请勿关闭此界面及拔出设备。",
        "警告：升級固件中，請勿關閉此界面及拔除設備。",
        "Warning: Do not close this interface or unplug the device during firmware upgrade."));
    ui->pushButton->setEnabled(false);
    ui->pushButton_2->setEnabled(false);
    ui->progressBar->show();
    switchTimer.start();
}

void UpdateDlg::on_pushButton_2_clicked()
{
    reject();
}

void UpdateDlg::switchToUpdateMode()
{
    switchTimer.stop();
    if (!enterUpdateMode(uint32_t(deviceIndex))) {
        qDebug() << "updateDevice error";
        finish(false);
        return;
    }
    attempts = 0;
    tickTimer.start();
}

void UpdateDlg::timer()
{
    tickTimer.stop();
    attempts += 1;
    if (attempts >= MaxAttempts) {
        finish(false);
        return;
    }
    if (deliverImage()) {
        finish(true);
        return;
    }
    tickTimer.start();
}

bool UpdateDlg::deliverImage()
{
    const QStringList roots = volumeRootsNamed(updateVolumeName());
    for (const QString &root : roots) {
        if (volumesBefore.contains(root))
            continue;
        const QString target = QDir(root).filePath(QStringLiteral("firmware.bin"));
        QFile::remove(target);
        return QFile::copy(imagePath, target);
    }
    return false;
}

void UpdateDlg::finish(bool success)
{
    if (success)
        showDialogMessage(this, MessageKind::Information, tipTitle(),
                          byLanguage("固件升级成功，请重新插拔设备并重启软件！",
                                     "固件升級成功，請重新插拔設備並重啓軟件！",
                                     "Firmware upgrade successfully, please reinsert or unplug "
                                     "the device and restart the software!"));
    else
        showDialogMessage(this, MessageKind::Critical, errorTitle(),
                          byLanguage("固件升级失败，请重新插拔设备并重启软件！",
                                     "固件升級失敗，請重新插拔設備並重啓軟件！",
                                     "Firmware upgrade failed, please reinsert or unplug the "
                                     "device and restart the software!"));
    requestApplicationQuit();
}

void UpdateDlg::done(int result)
{
    // Closing the window while waiting ends the waiting without a message box; the
    // adapter stays in update mode until it is replugged, and the log says so.
    if (tickTimer.isActive())
        emit logLine(byLanguage("固件升级已中断：设备处于升级模式，请重新插拔设备！",
                                "固件升級已中斷：設備處於升級模式，請重新插拔設備！",
                                "Firmware upgrade interrupted: the device is in update mode, "
                                "please unplug and reinsert it!"));
    switchTimer.stop();
    tickTimer.stop();
    QDialog::done(result);
}

void UpdateDlg::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        if (!upgrading)
            showQuestion();
    }
    QDialog::changeEvent(event);
}
