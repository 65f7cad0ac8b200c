#include "transmit/filedlg.h"

#include "app/screenscale.h"
#include "settings/settingsstore.h"

#include "ui_filedlg.h"

#include <QFileDialog>

namespace {

// A stored index outside the combo's items selects the first item.
int storedIndex(const QString &key, int itemCount)
{
    const uint32_t stored = readSettingUInt(key, QStringLiteral("0"));
    return stored < static_cast<uint32_t>(itemCount) ? static_cast<int>(stored) : 0;
}

int storedNumber(const QString &key, const QString &defaultValue)
{
    return readSetting(key, defaultValue).toInt();
}

} // namespace

fileDlg::fileDlg(QWidget *parent) : QDialog(parent), ui(new Ui::fileDlg)
{
    ui->setupUi(this);
    followScreenScale(this);
    restoreSettings();
}

fileDlg::~fileDlg()
{
    delete ui;
}

void fileDlg::restoreSettings()
{
    ui->lineEdit->setText(readSetting(QStringLiteral("sendFile"), QString()));
    ui->comboBox->setCurrentIndex(storedIndex(QStringLiteral("sendFileCH"), ui->comboBox->count()));
    ui->comboBox_2->setCurrentIndex(
        storedIndex(QStringLiteral("sendFileJG"), ui->comboBox_2->count()));
    ui->spinBox->setEnabled(ui->comboBox_2->currentIndex() == 0);
    ui->spinBox_2->setValue(storedNumber(QStringLiteral("sendFileCnt"), QStringLiteral("1")));
    ui->spinBox->setValue(storedNumber(QStringLiteral("sendFileJGT"), QStringLiteral("0")));
}

void fileDlg::storeSettings()
{
    writeSetting(QStringLiteral("sendFile"), ui->lineEdit->text(), false);
    writeSetting(QStringLiteral("sendFileCH"), QString::number(ui->comboBox->currentIndex()),
                 false);
    writeSetting(QStringLiteral("sendFileJG"), QString::number(ui->comboBox_2->currentIndex()),
                 false);
    writeSetting(QStringLiteral("sendFileCnt"), QString::number(ui->spinBox_2->value()), false);
    writeSetting(QStringLiteral("sendFileJGT"), QString::number(ui->spinBox->value()), true);
}

void fileDlg::setControlsEnabled(bool enabled)
{
    ui->pbfile->setEnabled(enabled);
    ui->comboBox->setEnabled(enabled);
    ui->comboBox_2->setEnabled(enabled);
    ui->spinBox_2->setEnabled(enabled);
    ui->pbSend->setEnabled(enabled);
    ui->spinBox->setEnabled(enabled && ui->comboBox_2->currentIndex() == 0);
    ui->pbStop->setEnabled(!enabled);
}

void fileDlg::enableSendControls()
{
    setControlsEnabled(true);
}

void fileDlg::on_pbfile_clicked()
{
    const QString path =
        QFileDialog::getOpenFileName(this, tr("打开CSV文件"), QString(), tr("CSV Files (*.csv)"));
    if (!path.isEmpty())
        ui->lineEdit->setText(path);
}

void fileDlg::on_pbSend_clicked()
{
    storeSettings();
    setControlsEnabled(false);
    const int interval = ui->comboBox_2->currentIndex() == 0 ? ui->spinBox->value() : -1;
    emit send(ui->lineEdit->text(), ui->spinBox_2->value(), interval, ui->comboBox->currentIndex());
}

void fileDlg::on_pbStop_clicked()
{
    enableSendControls();
    emit stop();
}

void fileDlg::on_comboBox_2_currentIndexChanged(int index)
{
    ui->spinBox->setEnabled(index == 0 && ui->pbSend->isEnabled());
}

void fileDlg::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
