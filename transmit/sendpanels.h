#pragma once

// The two channel send panels ("通道1发送" groupBox_2 and "通道2发送" groupBox_3) with
// their job start/stop, validation, settings persistence and the file-send glue.
// The main window places one SendPanels widget in the top row of its form.

#include <QWidget>

#include <cstdint>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class sendThread;
class fileDlg;

namespace Ui {
class SendPanels;
}

class SendPanels : public QWidget
{
    Q_OBJECT
public:
    explicit SendPanels(QWidget *parent = nullptr);
    ~SendPanels() override;

    // Called once by the main window after construction.
    void setSendThreads(sendThread *channel1, sendThread *channel2);
    // Enables or disables the send button of channel index 0 or 1. While a job runs on
    // the channel the button stays disabled; endSend decides afterwards.
    void setSendEnabled(uint32_t channel, bool enabled);
    bool isSendEnabled(uint32_t channel) const;
    // True while the panel of channel index 0 or 1 is locked by a job.
    bool isSending(uint32_t channel) const;
    // Creates the file-send dialog, which restores its fields from the settings store:
    // the main window calls it once the settings are loaded. Later calls do nothing.
    void createFileDialog();
    // A file job on the channel-index-0 send thread (the file-send dialog's and the log
    // viewer's replay); false, with a warning, while a panel is sending.
    bool startFileSend(const QString &path, int count, int interval, int channel);
    void stopFileSend();
    // Shows the non-modal file-send dialog (menu "文件发送(&F)").
    void showFileDialog();
    // Hides the file-send dialog (the main window is closing).
    void closeFileDialog();
    fileDlg *fileDialog();

public slots:
    // Connected to both send threads' endSend.
    void endSend(uint channel);
    // Run once by the main window's 20 ms single-shot timer.
    void restoreSendPanels();

signals:
    // A line for the operation log in the main window's own format (appendLog).
    void logLine(const QString &message);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_ch1SendBtn_clicked();
    void on_ch2SendBtn_clicked();
    void on_ch1StopSendBtn_clicked();
    void on_ch2StopSendBtn_clicked();
    void on_ch1ProtocolCombo_currentIndexChanged(int index);
    void on_ch2ProtocolCombo_currentIndexChanged(int index);
    void on_ch1sendLenCombo_currentIndexChanged(int index);
    void on_ch2sendLenCombo_activated(int index);
    void on_ch1FrameDataCombo_currentIndexChanged(int index);
    void on_ch2FrameDataCombo_currentIndexChanged(int index);
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();

private:
    // The widgets of one panel; index 0 is channel 1.
    struct Panel
    {
        QString prefix; // "ch1" or "ch2", the start of every settings key
        QComboBox *frameType, *frameData, *protocol, *sendType, *length;
        QLineEdit *data, *id, *count, *interval;
        QCheckBox *dataAdd, *idAdd;
        QPushButton *send, *stop, *editData, *sendFile;
    };

    static QList<QWidget *> templateWidgets(const Panel &p);
    void setupPanel(int channel);
    void normalizeData(int channel);
    void trimData(int channel, const QString &lengthText);
    void protocolChanged(int channel, int index);
    void frameDataChanged(int channel, int index);
    void storePanel(int channel);
    void startJob(int channel);
    void stopJob(int channel);
    bool isBusy(int channel) const;
    void lockPanel(int channel);
    void unlockPanel(int channel);
    void editData(int channel);
    void restorePanel(int channel);
    void restoreCombo(QComboBox *combo, const QString &key, int defaultIndex);
    QString restoreText(const QString &key, const QString &defaultValue);

    Ui::SendPanels *ui;
    Panel panels[2];
    bool sending[2] = {false, false};
    sendThread *threads[2] = {nullptr, nullptr};
    std::unique_ptr<fileDlg> fileDialogWindow;
};
