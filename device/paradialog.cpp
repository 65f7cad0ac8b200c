#include "device/paradialog.h"

#include "app/screenscale.h"
#include "device/channelstartup.h"
#include "device/filterdialog.h"
#include "settings/settingsstore.h"
#include "ui_paradialog.h"

#include <QEvent>

namespace {

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

void writeParam(int index, const char *name, const QString &value, bool save)
{
    writeSetting(channelParamKey(index, QLatin1String(name)), value, save);
}

} // namespace

ParaDialog::ParaDialog(int channel, QWidget *parent) : QDialog(parent), ui(new Ui::ParaDialog)
{
    ui->setupUi(this);
    ui->chCombo->hide();
    ui->CustomBaudrateCheckBox->hide();
    ui->CustomBaudrateEdit->hide();
    ui->label_7->hide();
    ui->btnSave->hide();
    followScreenScale(this);

    saveBoth = channel != 0 && channel != 1;
    const int shown = saveBoth ? 0 : channel;
    ui->chCombo->setCurrentIndex(shown);
    setP(shown + 1);
}

ParaDialog::~ParaDialog()
{
    delete ui;
}

QString ParaDialog::param(int index, const char *name, const char *defaultValue) const
{
    return readSetting(channelParamKey(index, QLatin1String(name)), QLatin1String(defaultValue));
}

// A stored index outside the combo's items selects the default item, so the dialog never
// shows an empty choice and confirming never stores -1.
void ParaDialog::selectStored(QComboBox *combo, int index, const char *name)
{
    const int stored = param(index, name, "0").toInt();
    combo->setCurrentIndex(stored >= 0 && stored < combo->count() ? stored : 0);
}

void ParaDialog::setP(int index)
{
    selectStored(ui->workStatusCombo, index, "workStatus");
    selectStored(ui->canFDStandardCombo, index, "canFDStandard");
    selectStored(ui->ABIT1Combo, index, "ABIT1");
    selectStored(ui->ABIT2Combo, index, "ABIT2");
    ui->CustomBaudrateCheckBox->setChecked(param(index, "isCustomBaudrate", "0").toInt() != 0);
    ui->CustomBaudrateEdit->setText(param(index, "CustomBaudrate", ""));
    ui->filterModeCheck->setChecked(param(index, "filterMode", "0").toInt() != 0);
    filterIds = param(index, "FilterID", "");
}

void ParaDialog::saveP(int index)
{
    writeParam(index, "workStatus", QString::number(ui->workStatusCombo->currentIndex()), false);
    writeParam(index, "canFDStandard", QString::number(ui->canFDStandardCombo->currentIndex()),
               false);
    writeParam(index, "ABIT1", QString::number(ui->ABIT1Combo->currentIndex()), false);
    writeParam(index, "ABIT2", QString::number(ui->ABIT2Combo->currentIndex()), false);
    writeParam(index, "isCustomBaudrate", flagText(ui->CustomBaudrateCheckBox->isChecked()), false);
    writeParam(index, "CustomBaudrate", ui->CustomBaudrateEdit->text(), false);
    writeParam(index, "filterMode", flagText(ui->filterModeCheck->isChecked()), false);
    writeParam(index, "FilterID", filterIds, true);
}

void ParaDialog::on_btnConfirm_clicked()
{
    if (saveBoth) {
        saveP(1);
        saveP(2);
    } else {
        saveP(ui->chCombo->currentIndex() + 1);
    }
    accept();
}

void ParaDialog::on_btnCancel_clicked()
{
    reject();
}

void ParaDialog::on_btnSave_clicked()
{
    saveP(ui->chCombo->currentIndex() + 1);
}

void ParaDialog::on_chCombo_currentIndexChanged(int index)
{
    setP(index + 1);
}

void ParaDialog::on_filterModeCheck_clicked(bool checked)
{
    if (!checked)
        return;
    FilterDialog dialog(ui->chCombo->currentIndex() + 1, filterIds, this);
    if (dialog.exec() == QDialog::Accepted)
        filterIds = dialog.resultText();
}

void ParaDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
