#pragma once

// The data editor: one table row per data byte, editable as hexadecimal or decimal, and
// bit by bit by clicking the bit cells.

#include <QByteArray>
#include <QDialog>

#include <cstdint>

class QTableWidgetItem;

namespace Ui {
class DataDlg;
}

class DataDlg : public QDialog
{
    Q_OBJECT
public:
    // Shows length rows filled from bytes (0 where bytes is shorter).
    DataDlg(const QByteArray &bytes, int32_t length, QWidget *parent = nullptr);
    ~DataDlg() override;

    // One byte per row after "确定"; empty until then.
    const QByteArray &result() const { return resultBytes; }
    // The value shown in a row.
    uint8_t rowValue(int row) const;

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_tableWidget_itemClicked(QTableWidgetItem *item);
    void on_tableWidget_itemChanged(QTableWidgetItem *item);

private:
    void setColumnWidths();
    void fillRow(int row, uint8_t value);
    void setCellText(int row, int column, const QString &text);

    Ui::DataDlg *ui;
    QByteArray resultBytes;
};
