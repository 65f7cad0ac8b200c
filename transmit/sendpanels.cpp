#include "transmit/sendpanels.h"

#include "ui_sendpanels.h"

// Placeholder until the panels are built.
SendPanels::SendPanels(QWidget *parent) : QWidget(parent), ui(new Ui::SendPanels)
{
    ui->setupUi(this);
}

SendPanels::~SendPanels()
{
    delete ui;
}

void SendPanels::setSendThreads(sendThread *channel1, sendThread *channel2)
{
    threads[0] = channel1;
    threads[1] = channel2;
}

void SendPanels::setSendEnabled(uint32_t, bool) {}
bool SendPanels::isSendEnabled(uint32_t) const
{
    return false;
}
void SendPanels::showFileDialog() {}
void SendPanels::endSend(uint) {}
void SendPanels::restoreSendPanels() {}

void SendPanels::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
