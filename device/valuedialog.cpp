#include "device/valuedialog.h"

#include "app/screenscale.h"
#include "ui_valuedialog.h"

valueDialog::valueDialog(QWidget *parent) : QDialog(parent), ui(new Ui::valueDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    followScreenScale(this);
}

valueDialog::~valueDialog()
{
    delete ui;
}

void valueDialog::setValue(const QString &text, int valueIndex)
{
    ui->editValue->setText(text);
    index = valueIndex;
}

void valueDialog::on_btnValueOK_clicked()
{
    emit getValue(ui->editValue->text(), index);
    hide();
}

void valueDialog::on_btnValueCancel_clicked()
{
    hide();
}

void valueDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
