#include "transmit/sendpanels.h"

#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "settings/settingsstore.h"
#include "transmit/datadlg.h"
#include "transmit/filedlg.h"
#include "transmit/sendpanelrules.h"
#include "transmit/sendthread.h"

#include "ui_sendpanels.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

using namespace SendPanelRules;

namespace {

// Length items "12" to "64" exist only for the CAN FD protocols.
constexpr int FirstFdLengthItem = 9;
constexpr int ClassicMaxLengthItem = 8;
// Item flags are kept in the role just below the first user role.
constexpr int ItemFlagsRole = Qt::UserRole - 1;

} // namespace

SendPanels::SendPanels(QWidget *parent) : QWidget(parent), ui(new Ui::SendPanels)
{
    ui->setupUi(this);
    panels[0] = {
        QStringLiteral("ch1"), ui->ch1FrameTypeCombo, ui->ch1FrameDataCombo, ui->ch1ProtocolCombo,
        ui->ch1SendTypeCombo,  ui->ch1sendLenCombo,   ui->ch1SendDataEdit,   ui->ch1SendIDEdit,
        ui->ch1SendCountEdit,  ui->ch1SendInvEdit,    ui->ch1DataAddChk,     ui->ch1IDAddChk,
        ui->ch1SendBtn,        ui->ch1StopSendBtn,    ui->pushButton_3,      ui->ch1SendFileBtn};
    panels[1] = {
        QStringLiteral("ch2"), ui->ch2FrameTypeCombo, ui->ch2FrameDataCombo, ui->ch2ProtocolCombo,
        ui->ch2SendTypeCombo,  ui->ch2sendLenCombo,   ui->ch2SendDataEdit,   ui->ch2SendIDEdit,
        ui->ch2SendCountEdit,  ui->ch2SendInvEdit,    ui->ch2DataAddChk,     ui->ch2IDAddChk,
        ui->ch2SendBtn,        ui->ch2StopSendBtn,    ui->pushButton_4,      ui->ch2SendFileBtn};
    setupPanel(0);
    setupPanel(1);
}

void SendPanels::createFileDialog()
{
    if (fileDialogWindow)
        return;
    fileDialogWindow = std::make_unique<fileDlg>();
    connect(fileDialogWindow.get(), &fileDlg::send, this, &SendPanels::startFileSend);
    connect(fileDialogWindow.get(), &fileDlg::stop, this, &SendPanels::stopFileSend);
}

SendPanels::~SendPanels()
{
    delete ui;
}

void SendPanels::setupPanel(int channel)
{
    Panel &p = panels[channel];
    static const QRegularExpression hexText(QStringLiteral("^[0-9a-fA-F ]+$"));
    p.data->setValidator(new QRegularExpressionValidator(hexText, p.data));
    // Typos never become traffic: no identifier 0 from "12G", no 0 ms from "1O".
    static const QRegularExpression idText(QStringLiteral("^[0-9a-fA-F]{0,8}$"));
    static const QRegularExpression countText(QStringLiteral("^(-1|[0-9]{0,18})$"));
    static const QRegularExpression intervalText(QStringLiteral("^[0-9]{0,9}$"));
    p.id->setValidator(new QRegularExpressionValidator(idText, p.id));
    p.count->setValidator(new QRegularExpressionValidator(countText, p.count));
    p.interval->setValidator(new QRegularExpressionValidator(intervalText, p.interval));
    p.data->setContextMenuPolicy(Qt::NoContextMenu);
    p.sendFile->hide();
    p.send->setEnabled(false);
    p.stop->setEnabled(false);
    protocolChanged(channel, 0);
}

void SendPanels::setSendThreads(sendThread *channel1, sendThread *channel2)
{
    threads[0] = channel1;
    threads[1] = channel2;
}

void SendPanels::setSendEnabled(uint32_t channel, bool enabled)
{
    if (channel > 1 || (enabled && sending[channel]))
        return;
    panels[channel].send->setEnabled(enabled);
}

bool SendPanels::isSendEnabled(uint32_t channel) const
{
    return channel <= 1 && panels[channel].send->isEnabled();
}

bool SendPanels::isSending(uint32_t channel) const
{
    return channel <= 1 && sending[channel];
}

void SendPanels::showFileDialog()
{
    createFileDialog();
    fileDialogWindow->show();
    fileDialogWindow->raise();
    fileDialogWindow->activateWindow();
}

void SendPanels::closeFileDialog()
{
    if (fileDialogWindow)
        fileDialogWindow->close();
}

fileDlg *SendPanels::fileDialog()
{
    createFileDialog();
    return fileDialogWindow.get();
}

// ---- Slots of the form ----

void SendPanels::on_ch1SendBtn_clicked()
{
    startJob(0);
}
void SendPanels::on_ch2SendBtn_clicked()
{
    startJob(1);
}
void SendPanels::on_ch1StopSendBtn_clicked()
{
    stopJob(0);
}
void SendPanels::on_ch2StopSendBtn_clicked()
{
    stopJob(1);
}
void SendPanels::on_ch1ProtocolCombo_currentIndexChanged(int index)
{
    protocolChanged(0, index);
}
void SendPanels::on_ch2ProtocolCombo_currentIndexChanged(int index)
{
    protocolChanged(1, index);
}
void SendPanels::on_ch1FrameDataCombo_currentIndexChanged(int index)
{
    frameDataChanged(0, index);
}
void SendPanels::on_ch2FrameDataCombo_currentIndexChanged(int index)
{
    frameDataChanged(1, index);
}
void SendPanels::on_pushButton_3_clicked()
{
    editData(0);
}
void SendPanels::on_pushButton_4_clicked()
{
    editData(1);
}

// Panel 1 trims on every change of its length, panel 2 only when the user picks one.
void SendPanels::on_ch1sendLenCombo_currentIndexChanged(int index)
{
    trimData(0, ui->ch1sendLenCombo->itemText(index));
}

void SendPanels::on_ch2sendLenCombo_activated(int index)
{
    trimData(1, ui->ch2sendLenCombo->itemText(index));
}

// ---- Data text and template rules ----

void SendPanels::normalizeData(int channel)
{
    QLineEdit *edit = panels[channel].data;
    edit->setText(normalizeDataText(edit->text()));
}

void SendPanels::trimData(int channel, const QString &lengthText)
{
    QLineEdit *edit = panels[channel].data;
    edit->setText(trimDataText(edit->text(), static_cast<int>(readLength(lengthText))));
}

void SendPanels::protocolChanged(int channel, int index)
{
    QComboBox *length = panels[channel].length;
    const QVariant flags = index == 0 ? 0 : 255;
    for (int item = FirstFdLengthItem; item < length->count(); ++item)
        length->setItemData(item, flags, ItemFlagsRole);
    if (index == 0 && length->currentIndex() >= FirstFdLengthItem)
        length->setCurrentIndex(ClassicMaxLengthItem);
}

void SendPanels::frameDataChanged(int channel, int index)
{
    QComboBox *protocol = panels[channel].protocol;
    if (index == 1)
        protocol->setCurrentIndex(0);
    protocol->setEnabled(index != 1 && !sending[channel]);
}

// ---- Jobs ----

void SendPanels::storePanel(int channel)
{
    const Panel &p = panels[channel];
    const auto key = [&p](const char *name) { return p.prefix + QLatin1String(name); };
    const auto index = [](const QComboBox *combo) {
        return QString::number(combo->currentIndex());
    };
    const auto state = [](const QCheckBox *box) {
        return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    };
    writeSetting(key("FrameTypeCombo"), index(p.frameType), false);
    writeSetting(key("FrameDataCombo"), index(p.frameData), false);
    writeSetting(key("ProtocolCombo"), index(p.protocol), false);
    writeSetting(key("SendTypeCombo"), index(p.sendType), false);
    writeSetting(key("sendLenCombo"), index(p.length), false);
    writeSetting(key("SendDataEdit"), p.data->text(), false);
    writeSetting(key("SendIDEdit"), p.id->text(), false);
    writeSetting(key("SendCountEdit"), p.count->text(), false);
    writeSetting(key("SendInvEdit"), p.interval->text(), false);
    writeSetting(key("DataAddChk"), state(p.dataAdd), false);
    writeSetting(key("IDAddChk"), state(p.idAdd), true);
}

void SendPanels::startJob(int channel)
{
    storePanel(channel);
    const int panel = channel + 1;
    if (!isChannelOpen(static_cast<uint32_t>(channel))) {
        showDialogMessage(this, MessageKind::Warning, channelClosedTitle(panel),
                          channelClosedMessage(panel));
        emit logLine(channelClosedMessage(panel));
        return;
    }
    Panel &p = panels[channel];
    const IdCheck check = checkIdentifier(p.id->text(), p.frameType->currentIndex());
    if (check != IdCheck::Accepted) {
        showDialogMessage(this, MessageKind::Warning, warningTitle(), idRangeMessage(check, panel));
        return;
    }
    sendThread *thread = threads[channel];
    if (!thread)
        return;
    // endSend arrives just before run() returns; let the previous job finish so that
    // start() below is not ignored.
    if (thread->isRunning())
        thread->wait();
    normalizeData(channel);
    const QByteArray bytes = dataBytes(p.data->text());
    const int protocol = p.protocol->currentIndex();
    thread->setSendData(readIdentifier(p.id->text()), p.idAdd->isChecked(),
                        static_cast<uint32_t>(p.frameType->currentIndex()), protocol != 0,
                        protocol == 2, reinterpret_cast<const uint8_t *>(bytes.constData()),
                        readLength(p.length->currentText()), p.dataAdd->isChecked(),
                        readCount(p.count->text()), 1, readInterval(p.interval->text()),
                        static_cast<uint32_t>(p.frameData->currentIndex()),
                        static_cast<uint32_t>(p.sendType->currentIndex()));
    lockPanel(channel);
    thread->start(QThread::InheritPriority);
}

void SendPanels::stopJob(int channel)
{
    if (threads[channel])
        threads[channel]->stop();
}

// Every control of the template and the job except the protocol, send and stop buttons.
QList<QWidget *> SendPanels::templateWidgets(const Panel &p)
{
    return {p.editData, p.dataAdd, p.idAdd, p.frameType, p.frameData, p.sendType,
            p.length,   p.data,    p.id,    p.count,     p.interval};
}

void SendPanels::lockPanel(int channel)
{
    Panel &p = panels[channel];
    sending[channel] = true;
    const QList<QWidget *> widgets = templateWidgets(p);
    for (QWidget *w : widgets)
        w->setEnabled(false);
    p.protocol->setEnabled(false);
    p.send->setEnabled(false);
    p.stop->setEnabled(true);
}

void SendPanels::unlockPanel(int channel)
{
    Panel &p = panels[channel];
    sending[channel] = false;
    p.send->setEnabled(isChannelOpen(static_cast<uint32_t>(channel)));
    p.stop->setEnabled(false);
    const QList<QWidget *> widgets = templateWidgets(p);
    for (QWidget *w : widgets)
        w->setEnabled(true);
    // A remote-frame template keeps CAN.
    p.protocol->setEnabled(p.frameData->currentIndex() == 0);
}

void SendPanels::endSend(uint channel)
{
    if (channel > 1)
        return;
    if (channel == 0 && fileDialogWindow)
        fileDialogWindow->enableSendControls();
    unlockPanel(static_cast<int>(channel));
}

// ---- File send glue ----

bool SendPanels::startFileSend(const QString &path, int count, int interval, int channel)
{
    if (!threads[0] || !threads[1])
        return false;
    const int busyPanel = isBusy(0) ? 1 : (isBusy(1) ? 2 : 0);
    if (busyPanel != 0) {
        // The dialog is given back at once, so the user is not left waiting for nothing.
        showDialogMessage(fileDialogWindow.get(), MessageKind::Warning, warningTitle(),
                          fileSendBusyMessage(busyPanel));
        fileDialogWindow->enableSendControls();
        return false;
    }
    threads[0]->setSendFile(path, count, interval, channel);
    threads[0]->start(QThread::InheritPriority);
    lockPanel(0);
    lockPanel(1);
    return true;
}

bool SendPanels::isBusy(int channel) const
{
    return sending[channel] || (threads[channel] && threads[channel]->isRunning());
}

// Only a running replay is stopped: a request made while the thread is idle would
// otherwise wait and abort the next file job at once.
void SendPanels::stopFileSend()
{
    if (threads[0] && threads[0]->isRunning())
        threads[0]->stop();
}

// ---- Data editor ----

void SendPanels::editData(int channel)
{
    normalizeData(channel);
    Panel &p = panels[channel];
    const int length = static_cast<int>(readLength(p.length->currentText()));
    DataDlg editor(dataBytes(p.data->text()), length, this);
    if (editor.exec() != QDialog::Accepted)
        return;
    p.data->setText(editorBytesText(editor.result(), length));
}

// ---- Restoring the panels ----

QString SendPanels::restoreText(const QString &key, const QString &defaultValue)
{
    if (!hasSetting(key))
        writeSetting(key, defaultValue, false);
    return readSetting(key, defaultValue);
}

// A stored index outside the combo's items falls back to the default item.
void SendPanels::restoreCombo(QComboBox *combo, const QString &key, int defaultIndex)
{
    bool ok = false;
    const uint stored = restoreText(key, QString::number(defaultIndex)).toUInt(&ok, 10);
    const int index = static_cast<int>(stored);
    const bool valid = ok && stored < static_cast<uint>(combo->count());
    combo->setCurrentIndex(valid ? index : (ok ? defaultIndex : 0));
}

void SendPanels::restorePanel(int channel)
{
    Panel &p = panels[channel];
    const auto key = [&p](const char *name) { return p.prefix + QLatin1String(name); };
    restoreCombo(p.frameType, key("FrameTypeCombo"), 0);
    restoreCombo(p.frameData, key("FrameDataCombo"), 0);
    restoreCombo(p.protocol, key("ProtocolCombo"), 0);
    // A remote-frame template always keeps CAN.
    frameDataChanged(channel, p.frameData->currentIndex());
    restoreCombo(p.sendType, key("SendTypeCombo"), 0);
    restoreCombo(p.length, key("sendLenCombo"), ClassicMaxLengthItem);
    p.data->setText(restoreText(key("SendDataEdit"), QStringLiteral("00 11 22 33 44 55 66 77")));
    p.id->setText(restoreText(key("SendIDEdit"), QStringLiteral("00000001")));
    p.count->setText(restoreText(key("SendCountEdit"), QStringLiteral("1")));
    p.interval->setText(restoreText(key("SendInvEdit"), QStringLiteral("10")));
    p.dataAdd->setChecked(restoreText(key("DataAddChk"), QStringLiteral("0")) ==
                          QLatin1String("1"));
    p.idAdd->setChecked(restoreText(key("IDAddChk"), QStringLiteral("0")) == QLatin1String("1"));
}

void SendPanels::restoreSendPanels()
{
    restorePanel(0);
    restorePanel(1);
}

void SendPanels::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
