#pragma once

// Small frameless single-value entry dialog. The main window creates it once, places
// it, fills it with setValue() and shows it without blocking; OK reports the text and
// the index it was given through getValue().

#include <QDialog>

namespace Ui {
class valueDialog;
}

class valueDialog : public QDialog
{
    Q_OBJECT
public:
    explicit valueDialog(QWidget *parent = nullptr);
    ~valueDialog() override;

    void setValue(const QString &text, int index);
    int valueIndex() const { return index; }

signals:
    void getValue(QString str, int index);

private slots:
    void on_btnValueOK_clicked();
    void on_btnValueCancel_clicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::valueDialog *ui;
    int index = 0;
};
