#pragma once

// Device information: INfDialog shows the adapter's BoardInfo record, and
// showDeviceInformation() is the common entry point of the open-device dialog's button
// and the main window's action.

#include "device/vendorapi.h"

#include <QDialog>
#include <QWidget>

namespace Ui {
class INfDialog;
}

enum class InfoEntry { OpenDialog, MainWindow };

// Checks the device, reads its BoardInfo and shows INfDialog modally, or warns.
void showDeviceInformation(QWidget *parent, InfoEntry from);

class INfDialog : public QDialog
{
    Q_OBJECT
public:
    explicit INfDialog(BoardInfo info, QWidget *parent = nullptr);
    ~INfDialog() override;

private slots:
    void on_pushButton_clicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void fillLabels();

    Ui::INfDialog *ui = nullptr;
    BoardInfo boardInfo;
};
