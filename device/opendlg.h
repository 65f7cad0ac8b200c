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

private:
    Ui::OpenDlg *ui = nullptr;
};
