#pragma once

// Channel parameter dialog: shows the stored parameters of one channel (or of channel 1
// when both are started together) and stores what the user confirms.

#include <QDialog>
#include <QString>

class QComboBox;

namespace Ui {
class ParaDialog;
}

class ParaDialog : public QDialog
{
    Q_OBJECT
public:
    // channel: 0 or 1 for one channel, 3 for both (confirm stores under both).
    explicit ParaDialog(int channel, QWidget *parent = nullptr);
    ~ParaDialog() override;

public slots:
    void setP(int index);  // load channel index (1 or 2) from the store
    void saveP(int index); // store the widgets under channel index (1 or 2)

private slots:
    void on_btnConfirm_clicked();
    void on_btnCancel_clicked();
    void on_btnSave_clicked();
    void on_chCombo_currentIndexChanged(int index);
    void on_filterModeCheck_clicked(bool checked);

protected:
    void changeEvent(QEvent *event) override;

private:
    QString param(int index, const char *name, const char *defaultValue) const;
    void selectStored(QComboBox *combo, int index, const char *name);

    Ui::ParaDialog *ui = nullptr;
    QString filterIds;
    bool saveBoth = false;
};
