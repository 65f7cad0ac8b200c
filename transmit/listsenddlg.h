#pragma once

// The list-send dialog: the form of a frame list to import, export and send. Only its
// close button acts; the program offers no way to open it yet.

#include <QDialog>

namespace Ui {
class listSendDlg;
}

class listSendDlg : public QDialog
{
    Q_OBJECT
public:
    explicit listSendDlg(QWidget *parent = nullptr);
    ~listSendDlg() override;

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pbnClose_clicked();

private:
    Ui::listSendDlg *ui;
};
