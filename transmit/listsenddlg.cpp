#include "transmit/listsenddlg.h"

#include "app/screenscale.h"

#include "ui_listsenddlg.h"

listSendDlg::listSendDlg(QWidget *parent) : QDialog(parent), ui(new Ui::listSendDlg)
{
    ui->setupUi(this);
    followScreenScale(this);
}

listSendDlg::~listSendDlg()
{
    delete ui;
}

void listSendDlg::on_pbnClose_clicked()
{
    hide();
}

void listSendDlg::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
