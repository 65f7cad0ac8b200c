#pragma once

// Acceptance filter dialog: edits the identifier ranges of one channel and hands back
// the list in the "FilterID" format ("mode-start-end" entries joined by "|").

#include <QDialog>
#include <QString>

namespace Ui {
class FilterDialog;
}

class FilterDialog : public QDialog
{
    Q_OBJECT
public:
    // channel: channel number 1 or 2; list: the current "FilterID" text.
    FilterDialog(int channel, const QString &list, QWidget *parent = nullptr);
    ~FilterDialog() override;

    // The list built by OK; empty until then.
    QString resultText() const { return resultList; }

private slots:
    void on_comboBox_currentIndexChanged(int index);
    void on_pushButton_4_clicked(); // add
    void on_pushButton_clicked();   // delete
    void on_pushButton_2_clicked(); // OK

protected:
    void changeEvent(QEvent *event) override;

private:
    void setWindowTitleForChannel();
    void loadList(const QString &list);
    void appendRow(const QStringList &fields);
    QString rowText(int row) const;

    Ui::FilterDialog *ui = nullptr;
    int channelNumber = 1;
    QString resultList;
};
