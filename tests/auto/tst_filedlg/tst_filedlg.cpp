// The file-send dialog and its glue in the send send.panels: stored options, the signals it
// emits, replaying a recorded CSV file on the simulated adapter with both send.panels locked.

#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "device/sim/simulatedadapter.h"
#include "receive/frameformat.h"
#include "receive/pendingframes.h"
#include "record/csvformat.h"
#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"
#include "tests/shared/sendpanelsrig.h"
#include "tests/shared/testbackend.h"
#include "tests/shared/testsetup.h"
#include "transmit/filedlg.h"
#include "transmit/sendpanels.h"
#include "transmit/sendthread.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include <memory>

namespace {

ModelItem csvRow(const QString &time, uint32_t channel, uint32_t id)
{
    CanTxRecord record{};
    record.id = id;
    record.length = 1;
    record.data[0] = static_cast<uint8_t>(id);
    ModelItem row = formatTxFrame(0, record);
    row.index = "1";
    row.systemTime = time;
    row.channelText = QString::number(channel);
    return row;
}

} // namespace

class tst_FileDlg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void restoresStoredOptions();
    void sendStoresAndLocks_data();
    void sendStoresAndLocks();
    void stopUnlocksAndEmits();
    void replayFollowsFileLockingBothPanels();
    void panel1StopEndsEndlessReplay();
    void requestDroppedWhilePanelSends();

private:
    QStringList warnings;
    template <typename T> T *w(QObject *parent, const char *name)
    {
        return parent->findChild<T *>(name);
    }
    void openChannels();
    QString writeCsv(const QList<ModelItem> &rows);
    // Waits until thread ch reported count job ends.
    bool waitForEnds(int ch, int count);
    void makePanels();

    TestHome home;
    TestBackend backend;
    SendPanelsRig send;
    // What each send thread reported, received queued on the test's thread.
};

void tst_FileDlg::initTestCase()
{
    QVERIFY(home.setUp());
    warnings.clear();
    setMessageSink([this](QWidget *, const DialogMessage &m) { warnings << m.text; });
}

void tst_FileDlg::init()
{
    QFile::remove(appFilePath("/config/setdb.txt"));
    loadSettings(appFilePath("/config/setdb.txt"));
    setLanguageIndex(0);
    backend.install();
    takePending();
}

void tst_FileDlg::cleanup()
{
    QVERIFY(send.tearDown());
    backend.remove();
    takePending();
}

void tst_FileDlg::makePanels()
{
    send.build(this);
    send.panels->restoreSendPanels();
}

void tst_FileDlg::openChannels()
{
    QVERIFY(openBothChannels());
    for (uint32_t ch = 0; ch < 2; ++ch) {
        if (send.panels)
            send.panels->setSendEnabled(ch, true);
    }
}

QString tst_FileDlg::writeCsv(const QList<ModelItem> &rows)
{
    QString text = csvHeaderLine({"序号", "系统时间", "时间标识", "通道", "收/发", "ID", "Frame",
                                  "类型", "DLC", "CAN-FD", "数据"});
    for (const ModelItem &row : rows)
        appendCsvRow(text, row);
    const QString path = home.filePath("replay.csv");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(text.toUtf8());
    return path;
}

// Waits for endSend while the queue is drained, as the display refresh would do.
bool tst_FileDlg::waitForEnds(int ch, int count)
{
    for (int i = 0; i < 3000 && send.ends[ch].size() < count; ++i)
        QTest::qWait(10);
    return send.ends[ch].size() >= count;
}

void tst_FileDlg::restoresStoredOptions()
{
    writeSetting("sendFile", "/tmp/x.csv", false);
    writeSetting("sendFileCH", "2", false);
    writeSetting("sendFileJG", "1", false);
    writeSetting("sendFileCnt", "-1", false);
    writeSetting("sendFileJGT", "25", false);
    fileDlg dlg;
    QCOMPARE(dlg.windowTitle(), QString("发送文件"));
    QCOMPARE(w<QLineEdit>(&dlg, "lineEdit")->text(), QString("/tmp/x.csv"));
    QVERIFY(!w<QLineEdit>(&dlg, "lineEdit")->isEnabled());
    QCOMPARE(w<QComboBox>(&dlg, "comboBox")->currentIndex(), 2);
    QCOMPARE(w<QComboBox>(&dlg, "comboBox")->itemText(2), QString("随文件"));
    QCOMPARE(w<QComboBox>(&dlg, "comboBox_2")->currentIndex(), 1);
    QVERIFY(!w<QSpinBox>(&dlg, "spinBox")->isEnabled());
    QCOMPARE(w<QSpinBox>(&dlg, "spinBox_2")->value(), -1);
    QCOMPARE(w<QSpinBox>(&dlg, "spinBox")->value(), 25);
    QVERIFY(!w<QPushButton>(&dlg, "pbStop")->isEnabled());
    w<QComboBox>(&dlg, "comboBox_2")->setCurrentIndex(0);
    QVERIFY(w<QSpinBox>(&dlg, "spinBox")->isEnabled());

    writeSetting("sendFileCH", "9", false);
    fileDlg outOfRange;
    QCOMPARE(w<QComboBox>(&outOfRange, "comboBox")->currentIndex(), 0);
}

void tst_FileDlg::sendStoresAndLocks_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<int>("interval");
    QTest::newRow("fixed interval") << 0 << 40;
    QTest::newRow("times from the file") << 1 << -1;
}

void tst_FileDlg::sendStoresAndLocks()
{
    QFETCH(int, rule);
    QFETCH(int, interval);
    fileDlg dlg;
    w<QComboBox>(&dlg, "comboBox")->setCurrentIndex(1);
    w<QComboBox>(&dlg, "comboBox_2")->setCurrentIndex(rule);
    w<QSpinBox>(&dlg, "spinBox")->setValue(40);
    w<QSpinBox>(&dlg, "spinBox_2")->setValue(3);
    QSignalSpy sends(&dlg, &fileDlg::send);
    w<QPushButton>(&dlg, "pbSend")->click();
    QCOMPARE(sends.count(), 1);
    QCOMPARE(sends.at(0).at(0).toString(), QString());
    QCOMPARE(sends.at(0).at(1).toInt(), 3);
    QCOMPARE(sends.at(0).at(2).toInt(), interval);
    QCOMPARE(sends.at(0).at(3).toInt(), 1);
    for (const char *name : {"pbfile", "comboBox", "comboBox_2", "spinBox", "spinBox_2", "pbSend"})
        QVERIFY2(!w<QWidget>(&dlg, name)->isEnabled(), name);
    QVERIFY(w<QPushButton>(&dlg, "pbStop")->isEnabled());
    QCOMPARE(readSetting("sendFileCH", ""), QString("1"));
    QCOMPARE(readSetting("sendFileJG", ""), QString::number(rule));
    QCOMPARE(readSetting("sendFileCnt", ""), QString("3"));
    QCOMPARE(readSetting("sendFileJGT", ""), QString("40"));
    QVERIFY(QFile::exists(appFilePath("/config/setdb.txt")));
}

void tst_FileDlg::stopUnlocksAndEmits()
{
    fileDlg dlg;
    w<QComboBox>(&dlg, "comboBox_2")->setCurrentIndex(1);
    w<QPushButton>(&dlg, "pbSend")->click();
    QSignalSpy stops(&dlg, &fileDlg::stop);
    w<QPushButton>(&dlg, "pbStop")->click();
    QCOMPARE(stops.count(), 1);
    QVERIFY(w<QPushButton>(&dlg, "pbSend")->isEnabled());
    QVERIFY(w<QComboBox>(&dlg, "comboBox")->isEnabled());
    QVERIFY(!w<QSpinBox>(&dlg, "spinBox")->isEnabled()); // interval rule "随文件"
    QVERIFY(!w<QPushButton>(&dlg, "pbStop")->isEnabled());
}

void tst_FileDlg::replayFollowsFileLockingBothPanels()
{
    makePanels();
    openChannels();
    const QString path =
        writeCsv({csvRow("10:00:00.000", 1, 0x101), csvRow("10:00:00.002", 2, 0x202),
                  csvRow("10:00:00.004", 1, 0x103)});
    fileDlg *dlg = send.panels->fileDialog();
    w<QLineEdit>(dlg, "lineEdit")->setText(path);
    w<QComboBox>(dlg, "comboBox")->setCurrentIndex(2);   // channel from the file
    w<QComboBox>(dlg, "comboBox_2")->setCurrentIndex(1); // times from the file
    w<QSpinBox>(dlg, "spinBox_2")->setValue(2);
    w<QPushButton>(dlg, "pbSend")->click();
    QVERIFY(send.panels->isSending(0));
    QVERIFY(send.panels->isSending(1));
    QVERIFY(w<QPushButton>(send.panels.get(), "ch1StopSendBtn")->isEnabled());
    QVERIFY(w<QPushButton>(send.panels.get(), "ch2StopSendBtn")->isEnabled());
    QVERIFY(!w<QPushButton>(send.panels.get(), "ch2SendBtn")->isEnabled());
    QVERIFY(!w<QLineEdit>(send.panels.get(), "ch2SendDataEdit")->isEnabled());

    QVERIFY(waitForEnds(0, 2));
    QCOMPARE(send.ends[0], (QList<uint>{0, 1}));
    QVERIFY(!send.panels->isSending(0));
    QVERIFY(!send.panels->isSending(1));
    QVERIFY(w<QPushButton>(send.panels.get(), "ch2SendBtn")->isEnabled());
    QVERIFY(w<QPushButton>(dlg, "pbSend")->isEnabled());
    QVERIFY(!w<QPushButton>(dlg, "pbStop")->isEnabled());

    const QList<ModelItem> sent = takePending();
    QCOMPARE(sent.size(), 6);
    QList<uint> channels;
    for (const ModelItem &item : sent) {
        channels << item.channel;
        QCOMPARE(item.direction, QString("Tx"));
    }
    QCOMPARE(channels, (QList<uint>{0, 1, 0, 0, 1, 0}));
    CanRxRecord rx[8] = {};
    QCOMPARE(receiveCan(1, rx, 8, 0), 4u); // channel 2 heard the rows sent on channel 1
    QCOMPARE(receiveCan(0, rx, 8, 0), 2u);
}

void tst_FileDlg::panel1StopEndsEndlessReplay()
{
    makePanels();
    openChannels();
    const QString path = writeCsv({csvRow("10:00:00.000", 1, 0x101)});
    fileDlg *dlg = send.panels->fileDialog();
    w<QLineEdit>(dlg, "lineEdit")->setText(path);
    w<QComboBox>(dlg, "comboBox")->setCurrentIndex(0);
    w<QComboBox>(dlg, "comboBox_2")->setCurrentIndex(0);
    w<QSpinBox>(dlg, "spinBox")->setValue(1);
    w<QSpinBox>(dlg, "spinBox_2")->setValue(-1);
    w<QPushButton>(dlg, "pbSend")->click();
    int frames = 0;
    for (int i = 0; i < 3000 && frames < 3; ++i) {
        frames += takePending().size();
        QTest::qWait(1);
    }
    QVERIFY(frames >= 3);
    // Panel 2's stop addresses the idle channel-2 thread and does not end the replay.
    w<QPushButton>(send.panels.get(), "ch2StopSendBtn")->click();
    QVERIFY(send.threads[0]->isRunning());
    w<QPushButton>(send.panels.get(), "ch1StopSendBtn")->click();
    QVERIFY(waitForEnds(0, 2));
    QCOMPARE(send.logs[0].last(), QString("文件中止发送！"));
    QVERIFY(w<QPushButton>(dlg, "pbSend")->isEnabled());
}

// A request while a panel sends is dropped; its stop then leaves no stale request that
// would abort the next replay.
void tst_FileDlg::requestDroppedWhilePanelSends()
{
    makePanels();
    openChannels();
    send.panels->findChild<QLineEdit *>("ch2SendCountEdit")->setText("-1");
    w<QPushButton>(send.panels.get(), "ch2SendBtn")->click();
    QVERIFY(send.threads[1]->isRunning());

    const QString path = writeCsv({csvRow("10:00:00.000", 1, 0x101)});
    fileDlg *dlg = send.panels->fileDialog();
    w<QLineEdit>(dlg, "lineEdit")->setText(path);
    w<QComboBox>(dlg, "comboBox_2")->setCurrentIndex(0);
    w<QSpinBox>(dlg, "spinBox_2")->setValue(1);
    w<QPushButton>(dlg, "pbSend")->click();
    QVERIFY(!send.threads[0]->isRunning());
    QVERIFY(!send.panels->isSending(0));
    // Refused with a reason, and the dialog is given back at once.
    QVERIFY(!w<QPushButton>(dlg, "pbStop")->isEnabled());
    QVERIFY(w<QPushButton>(dlg, "pbSend")->isEnabled());
    QCOMPARE(warnings, QStringList{"通道2正在发送数据，文件未发送！"});

    w<QPushButton>(send.panels.get(), "ch2StopSendBtn")->click();
    QVERIFY(waitForEnds(1, 1));
    takePending();

    w<QPushButton>(dlg, "pbSend")->click();
    QVERIFY(waitForEnds(0, 2));
    QCOMPARE(send.logs[0].last(), QString("文件发送完成！"));
    QCOMPARE(takePending().size(), 1);
}

QTEST_MAIN(tst_FileDlg)
#include "tst_filedlg.moc"
