#pragma once

// The non-modal file-send dialog: picks a CSV frame file, the channel rule, the repeat
// count and the interval rule, and asks for the replay through send(); stop() ends it.

#include <QDialog>

namespace Ui {
class fileDlg;
}

class fileDlg : public QDialog
{
    Q_OBJECT
public:
    explicit fileDlg(QWidget *parent = nullptr);
    ~fileDlg() override;

    // Gives the controls back (idle state): also called when the replay thread ends.
    void enableSendControls();

signals:
    // interval -1 = the times recorded in the file; channel 2 = the channel of each row.
    void send(QString path, int count, int interval, int channel);
    void stop();

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pbfile_clicked();
    void on_pbSend_clicked();
    void on_pbStop_clicked();
    void on_comboBox_2_currentIndexChanged(int index);

private:
    void restoreSettings();
    void storeSettings();
    void setControlsEnabled(bool enabled);

    Ui::fileDlg *ui;
};
