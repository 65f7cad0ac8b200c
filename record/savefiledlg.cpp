#include "record/savefiledlg.h"

#include "app/screenscale.h"
#include "ui_savefiledlg.h"

#include <QFile>
#include <QFileDialog>

savefileDlg::savefileDlg(QWidget *parent) : QDialog(parent), ui(new Ui::savefileDlg)
{
    ui->setupUi(this);
    ui->label->hide();
    followScreenScale(this);
}

savefileDlg::~savefileDlg()
{
    delete ui;
}

bool savefileDlg::usePath(const QString &chosen)
{
    ui->lineEdit->setText(chosen);
    {
        QFile create(chosen);
        // ReadWrite creates a missing file without emptying an existing one.
        create.open(QIODevice::ReadWrite | QIODevice::Text);
    }
    QFile readBack(chosen);
    const bool usable = readBack.open(QIODevice::ReadOnly);
    ui->label->setVisible(!usable);
    return usable;
}

bool savefileDlg::hintVisible() const
{
    return !ui->label->isHidden();
}

void savefileDlg::on_pushButton_3_clicked()
{
    const QString chosen =
        QFileDialog::getSaveFileName(this, tr("保存CSV文件"), QString(), tr("CSV Files (*.csv)"));
    if (!chosen.isEmpty())
        usePath(chosen);
}

void savefileDlg::on_pushButton_clicked()
{
    path = ui->lineEdit->text();
    scope = ui->comboBox->currentIndex();
    close();
}

void savefileDlg::on_pushButton_2_clicked()
{
    path.clear();
    scope = 0;
    close();
}

void savefileDlg::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
