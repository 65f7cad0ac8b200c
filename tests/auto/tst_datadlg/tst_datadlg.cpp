#include "transmit/datadlg.h"
#include "transmit/listsenddlg.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

class tst_DataDlg : public QObject
{
    Q_OBJECT
private slots:
    void rowsFromBytes();
    void valueEdit_data();
    void valueEdit();
    void bitToggle();
    void confirmAndCancel();
    void listSendCloses();

private:
    static QTableWidget *table(DataDlg &dlg)
    {
        return dlg.findChild<QTableWidget *>("tableWidget");
    }
    static QStringList row(DataDlg &dlg, int r);
    static void clickCell(DataDlg &dlg, int r, int c);
};

QStringList tst_DataDlg::row(DataDlg &dlg, int r)
{
    QStringList texts;
    for (int c = 0; c < 10; ++c)
        texts << table(dlg)->item(r, c)->text();
    return texts;
}

void tst_DataDlg::clickCell(DataDlg &dlg, int r, int c)
{
    QTableWidget *t = table(dlg);
    dlg.show();
    const QRect rect = t->visualItemRect(t->item(r, c));
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, rect.center());
}

void tst_DataDlg::rowsFromBytes()
{
    DataDlg dlg(QByteArray::fromHex("001122"), 5);
    QCOMPARE(table(dlg)->rowCount(), 5);
    QCOMPARE(table(dlg)->columnCount(), 10);
    QCOMPARE(dlg.findChild<QLabel *>("label_2")->text(), QString("5"));
    QCOMPARE(row(dlg, 1), QString("11,17,0,0,0,1,0,0,0,1").split(','));
    QCOMPARE(row(dlg, 3).mid(0, 2), QStringList({"0", "0"}));
    QCOMPARE(row(dlg, 4).mid(0, 2), QStringList({"0", "0"}));
    QTableWidgetItem *bit = table(dlg)->item(0, 5);
    QVERIFY(!(bit->flags() & Qt::ItemIsEditable));
    QVERIFY(bit->flags() & Qt::ItemIsSelectable);
    QCOMPARE(bit->background().color(), QColor(128, 128, 255));
    QVERIFY(table(dlg)->item(0, 0)->flags() & Qt::ItemIsEditable);
}

void tst_DataDlg::valueEdit_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("row");
    QTest::newRow("hex beyond a byte") << 0 << "1FF"
                                       << "FF,255,1,1,1,1,1,1,1,1";
    QTest::newRow("hex lower case") << 0 << "ab"
                                    << "AB,171,1,0,1,0,1,0,1,1";
    QTest::newRow("decimal") << 1 << "5"
                             << "5,5,0,0,0,0,0,1,0,1";
    QTest::newRow("decimal low bits") << 1 << "300"
                                      << "2C,44,0,0,1,0,1,1,0,0";
    QTest::newRow("not a number") << 1 << "zz"
                                  << "0,0,0,0,0,0,0,0,0,0";
}

void tst_DataDlg::valueEdit()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, row);
    DataDlg dlg(QByteArray::fromHex("10"), 1);
    table(dlg)->item(0, column)->setText(typed);
    QCOMPARE(this->row(dlg, 0), row.split(','));
}

void tst_DataDlg::bitToggle()
{
    DataDlg dlg(QByteArray::fromHex("10"), 1);
    clickCell(dlg, 0, 9); // bit 0
    QCOMPARE(row(dlg, 0).mid(0, 2), QStringList({"11", "17"}));
    clickCell(dlg, 0, 2); // bit 7
    QCOMPARE(row(dlg, 0).mid(0, 2), QStringList({"91", "145"}));
    clickCell(dlg, 0, 9);
    QCOMPARE(row(dlg, 0), QString("90,144,1,0,0,1,0,0,0,0").split(','));
    clickCell(dlg, 0, 0); // value cells do not toggle
    QCOMPARE(row(dlg, 0).mid(0, 2), QStringList({"90", "144"}));
}

void tst_DataDlg::confirmAndCancel()
{
    DataDlg cancelled(QByteArray::fromHex("0102"), 2);
    cancelled.findChild<QPushButton *>("pushButton_2")->click();
    QCOMPARE(cancelled.result(), QByteArray());
    QCOMPARE(cancelled.result(), QByteArray());

    DataDlg confirmed(QByteArray::fromHex("0102"), 3);
    table(confirmed)->item(1, 0)->setText("fe");
    confirmed.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(confirmed.result(), QByteArray::fromHex("01FE00"));
    QCOMPARE(confirmed.QDialog::result(), int(QDialog::Accepted));
}

void tst_DataDlg::listSendCloses()
{
    listSendDlg dlg;
    dlg.show();
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.windowTitle(), QString("列表发送"));
    // Sending with an empty list leaves the dialog open (the buttons' work is tested with
    // the list-send dialog itself; import and export open file dialogs).
    for (const char *name : {"pbnSend", "pbnStopSend"})
        dlg.findChild<QPushButton *>(name)->click();
    QVERIFY(dlg.isVisible());
    dlg.findChild<QPushButton *>("pbnClose")->click();
    QVERIFY(!dlg.isVisible());
}

QTEST_MAIN(tst_DataDlg)
#include "tst_datadlg.moc"
