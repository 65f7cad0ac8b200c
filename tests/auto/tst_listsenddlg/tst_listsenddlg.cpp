// The list-send dialog on the simulated adapter: a list restored at start, send and stop
// through the form's buttons with every frame in the Tx queue, and edits refused when they
// break the panels' rules.

#include "database/signaldatabases.h"
#include "device/devicelayer.h"
#include "device/sim/simulatedadapter.h"
#include "receive/pendingframes.h"
#include "settings/settingsstore.h"
#include "tests/shared/testsetup.h"
#include "transmit/listsenddlg.h"
#include "transmit/listsendfile.h"
#include "transmit/listsendmodel.h"
#include "transmit/listsignaldialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

class tst_ListSendDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void restoredListSendsAndStops();
    void editsFollowPanelRules_data();
    void editsFollowPanelRules();
    void signalEditorBindsRows();

private:
    TestHome home;
};

void tst_ListSendDlg::initTestCase()
{
    QVERIFY(home.setUp());
}

void tst_ListSendDlg::restoredListSendsAndStops()
{
    setLanguageIndex(2);
    QVector<ListSendRow> rows(5);
    for (int i = 0; i < 5; ++i) {
        rows[i].id = QString::number(0x100 + i, 16);
        rows[i].channel = i % 2;
        rows[i].periodMs = 5 * (i + 1);
        rows[i].data = "11 22";
    }
    rows[4].enabled = false;
    QVERIFY(ListSendFile::write(listSendDlg::storePath(), rows, nullptr));

    auto sim = std::make_shared<SimulatedAdapter>();
    setVendorBackend(sim);
    QVERIFY(openBothChannels());
    takePending();
    {
        listSendDlg dlg;
        QCOMPARE(dlg.listModel()->rowCount(), 5);
        dlg.show();
        dlg.findChild<QPushButton *>("pbnSend")->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            dlg.listModel()->row(3).enabled &&
                dlg.listModel()
                        ->data(dlg.listModel()->index(3, ListSendModel::Sent), Qt::DisplayRole)
                        .toInt() >= 5,
            20000);
        const QString shot = qEnvironmentVariable("LARKSPUR_SHOT");
        if (!shot.isEmpty())
            dlg.grab().save(shot);
        dlg.findChild<QPushButton *>("pbnStopSend")->click();
        const auto sentOf = [&](int r) {
            return dlg.listModel()
                ->data(dlg.listModel()->index(r, ListSendModel::Sent), Qt::DisplayRole)
                .toInt();
        };
        QCOMPARE(sentOf(4), 0); // disabled
        // The last frames reach the queue within the batch age; the counts follow on the timer.
        int tx = 0;
        const auto takeTx = [&tx] {
            for (const ModelItem &item : takePending())
                tx += item.direction == QLatin1String("Tx") ? 1 : 0;
            return tx;
        };
        QTRY_COMPARE_WITH_TIMEOUT(takeTx(), sentOf(0) + sentOf(1) + sentOf(2) + sentOf(3), 5000);
        QVERIFY(tx > 0);
    }
    closeDevice();
    setVendorBackend(nullptr);
}

void tst_ListSendDlg::editsFollowPanelRules_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("dataAfter");
    QTest::newRow("standard id 7FF")
        << int(ListSendModel::Id) << QVariant("7ff") << true << "11 22 33 44 55 66 77 88";
    QTest::newRow("standard id 800")
        << int(ListSendModel::Id) << QVariant("800") << false << "11 22 33 44 55 66 77 88";
    QTest::newRow("classic length 12")
        << int(ListSendModel::Length) << QVariant(12) << false << "11 22 33 44 55 66 77 88";
    QTest::newRow("length 3 trims data")
        << int(ListSendModel::Length) << QVariant(3) << true << "11 22 33";
    QTest::newRow("data normalised")
        << int(ListSendModel::Data) << QVariant("1 223") << true << "01 02 23";
    QTest::newRow("negative period")
        << int(ListSendModel::Period) << QVariant(-1) << false << "11 22 33 44 55 66 77 88";
}

void tst_ListSendDlg::editsFollowPanelRules()
{
    QFETCH(int, column);
    QFETCH(QVariant, value);
    QFETCH(bool, accepted);
    QFETCH(QString, dataAfter);
    ListSendModel model;
    ListSendRow row;
    row.data = "11 22 33 44 55 66 77 88";
    model.setRows({row});
    QCOMPARE(model.setData(model.index(0, column), value, Qt::EditRole), accepted);
    QCOMPARE(model.row(0).data, dataAfter);
}

// The signal editor binds a row to a message of its channel's database; a bound row whose
// message is gone is refused with its name; another identifier unbinds the row.
void tst_ListSendDlg::signalEditorBindsRows()
{
    setLanguageIndex(2);
    const QString dbcPath = home.filePath("steps.dbc");
    QVERIFY(writeTestFile(dbcPath, "VERSION \"\"\nBU_: ECU\nBO_ 1024 Steps: 8 ECU\n"
                                   " SG_ Counter : 0|4@1+ (1,0) [0|15] \"\" ECU\n"
                                   " SG_ Level : 8|8@1+ (0.5,0) [0|10] \"V\" ECU\n"
                                   "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 65535;\n"
                                   "BA_ \"GenMsgCycleTime\" BO_ 1024 20;\n"));
    SignalDatabases databases;
    QVERIFY(databases.load(1, dbcPath).ok());

    ListSignalDialog editor(databases.database(0), ListSendRow{}, nullptr);
    QCOMPARE(editor.messageChoice()->count(), 2); // "(not bound)" and Steps
    editor.messageChoice()->setCurrentIndex(1);
    QTableWidget *table = editor.signalTable();
    QCOMPARE(table->rowCount(), 2);
    static_cast<QDoubleSpinBox *>(table->cellWidget(1, ListSignalDialog::Value))->setValue(4.5);
    static_cast<QComboBox *>(table->cellWidget(0, ListSignalDialog::Mode))->setCurrentIndex(1);
    editor.accept();
    const ListSendRow bound = editor.editedRow();
    QCOMPARE(bound.boundMessage, QStringLiteral("Steps"));
    QCOMPARE(bound.id, QStringLiteral("400"));
    QCOMPARE(bound.periodMs, 20);
    QCOMPARE(bound.data, QStringLiteral("00 09 00 00 00 00 00 00")); // Level 4.5 V = raw 9
    QCOMPARE(bound.signalValues.at(0).mode, int(ListSignalValue::Counter));

    auto sim = std::make_shared<SimulatedAdapter>();
    setVendorBackend(sim);
    QVERIFY(openBothChannels());
    listSendDlg dlg;
    dlg.setSignalDatabases(&databases);
    ListSendModel *model = dlg.listModel();
    model->setRows({bound});
    databases.unload(0);
    dlg.findChild<QPushButton *>("pbnSend")->click();
    QCOMPARE(model->data(model->index(0, ListSendModel::LastError), Qt::DisplayRole).toString(),
             QStringLiteral("no message Steps in the signal database"));
    QVERIFY(model->setData(model->index(0, ListSendModel::Id), "401", Qt::EditRole));
    QVERIFY(model->row(0).boundMessage.isEmpty());
    QVERIFY(model->row(0).signalValues.empty());
    closeDevice();
    setVendorBackend(nullptr);
    takePending();
}

QTEST_MAIN(tst_ListSendDlg)
#include "tst_listsenddlg.moc"
