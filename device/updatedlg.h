#pragma once

// Firmware upgrade: asks whether to upgrade, switches the adapter into its update mode
// and copies the image as "firmware.bin" onto the "CRP DISABLD" volume the adapter then
// presents, trying once a second. Success or failure ends the application.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>

namespace Ui {
class UpdateDlg;
}

class UpdateDlg : public QDialog
{
    Q_OBJECT
public:
    UpdateDlg(uint16_t firmwareVersion, int deviceIndex, const QString &imagePath,
              QWidget *parent = nullptr);
    ~UpdateDlg() override;

    // Ticks after which the waiting for the volume gives up.
    static constexpr int MaxAttempts = 16;

    int attemptCount() const { return attempts; }
    bool isWaiting() const { return tickTimer.isActive(); }

signals:
    // One operation-log line, e.g. when the window is closed with the adapter in update mode.
    void logLine(const QString &text);

public slots:
    void on_pushButton_clicked();   // yes: start the upgrade
    void on_pushButton_2_clicked(); // no: close, nothing changed
    void switchToUpdateMode();      // run 1 ms after "yes"
    void timer();                   // one attempt to deliver the image

protected:
    void changeEvent(QEvent *event) override;
    void done(int result) override;

private:
    void showQuestion();
    bool deliverImage();
    void finish(bool success);

    Ui::UpdateDlg *ui = nullptr;
    uint16_t adapterVersion = 0;
    int deviceIndex = 0;
    int attempts = 0;
    QStringList volumesBefore;
    QString imagePath;
    bool upgrading = false;
    QTimer switchTimer;
    QTimer tickTimer;
};
