#pragma once

// The open-device dialog: open/close the adapter, start/stop its channels in the fixed
// start-up order, device information, and the firmware upgrade offer after opening.

#include <QDialog>

namespace Ui {
class OpenDlg;
}

class OpenDlg : public QDialog
{
    Q_OBJECT
public:
    OpenDlg(int deviceIndex, QWidget *parent = nullptr);
    ~OpenDlg() override;

    // Read by the main window after exec(): channels started while the dialog was open,
    // and the device index last used.
    bool started[2] = {false, false};
    int deviceIndex = 0;

signals:
    // A line for the operation log (for example why the device could not be opened).
    void logLine(const QString &msg);

public slots:
    void initDlg();
    void openCh(int ch); // 0 or 1: that channel; any other value: both

private slots:
    void on_pushButton_clicked();   // open device
    void on_pushButton_5_clicked(); // close device
    void on_pushButton_2_clicked(); // start both
    void on_pushButton_3_clicked(); // start channel 1
    void on_pushButton_4_clicked(); // start channel 2
    void on_pushButton_6_clicked(); // stop both
    void on_pushButton_8_clicked(); // stop channel 1
    void on_pushButton_9_clicked(); // stop channel 2
    void on_pushButton_7_clicked(); // device information

protected:
    void changeEvent(QEvent *event) override;

private:
    void logOpenFailure();
    void offerFirmwareUpgrade(uint16_t adapterVersion);
    void setOpenedTitle();

    Ui::OpenDlg *ui = nullptr;
    QString stateTitle; // title set by opening or closing, kept over a language change
};
