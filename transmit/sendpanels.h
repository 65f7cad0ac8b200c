#pragma once

// The two channel send panels ("通道1发送" groupBox_2 and "通道2发送" groupBox_3) with
// their job start/stop, validation, settings persistence and the file-send glue.
// The main window places one SendPanels widget in the top row of its form.

#include <QWidget>

#include <cstdint>

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
    // Enables or disables the send button of channel index 0 or 1.
    void setSendEnabled(uint32_t channel, bool enabled);
    bool isSendEnabled(uint32_t channel) const;
    // Shows the non-modal file-send dialog (menu "文件发送(&F)").
    void showFileDialog();

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

private:
    Ui::SendPanels *ui;
    sendThread *threads[2] = {nullptr, nullptr};
};
