// The channel send send.panels on the simulated adapter: template rules, refusals, job start,
// stop and give-back, the data editor and restoring the send.panels from the settings store.

#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "device/sim/simulatedadapter.h"
#include "receive/pendingframes.h"
#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"
#include "tests/shared/sendpanelsrig.h"
#include "tests/shared/testbackend.h"
#include "tests/shared/testsetup.h"
#include "transmit/datadlg.h"
#include "transmit/filedlg.h"
#include "transmit/sendpanels.h"
#include "transmit/sendthread.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

struct Warning
{
    QString title;
    QString text;
};

} // namespace

class tst_SendPanels : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void builtWithCanLengths();
    void restoreDefaults();
    void restoreOrderAndStoredState();
    void panelsComeBackAfterRestart();
    void lengthTrimsPanel1Only();
    void protocolBackToCan();
    void remoteFrameKeepsCan();
    void closedChannelRefused();
    void identifierRefused_data();
    void identifierRefused();
    void countedJobWithIncrements();
    void endlessJobStops();
    void textThatIsNoNumberIsNotEndless();
    void setSendEnabledWhileSending();
    void dataEditor();

private:
    template <typename T> T *w(const QString &name) { return send.panels->findChild<T *>(name); }
    QComboBox *combo(int ch, const char *name) { return w<QComboBox>(prefix(ch) + name); }
    QLineEdit *edit(int ch, const char *name) { return w<QLineEdit>(prefix(ch) + name); }
    QPushButton *button(int ch, const char *name) { return w<QPushButton>(prefix(ch) + name); }
    static QString prefix(int ch) { return ch == 0 ? "ch1" : "ch2"; }
    bool itemEnabled(QComboBox *c, int i);
    void openChannels();
    void setTemplate(int ch, const QString &id, const QString &data, const QString &count,
                     const QString &interval);
    // Waits until thread ch reported count job ends.
    bool waitForEnd(int ch, int count = 1);
    QList<ModelItem> drain();

    TestHome home;
    TestBackend backend;
    SendPanelsRig send;
    QList<Warning> warnings;
    QStringList logLines;
    // What each send thread reported, received queued on the test's thread.
};

void tst_SendPanels::initTestCase()
{
    QVERIFY(home.setUp());
    setMessageSink([this](QWidget *, const DialogMessage &m) {
        warnings.append({m.title, m.text});
    });
}

void tst_SendPanels::init()
{
    QFile::remove(appFilePath("/config/setdb.txt"));
    loadSettings(appFilePath("/config/setdb.txt"));
    setLanguageIndex(0);
    backend.install();
    takePending();
    send.build(this);
    connect(send.panels.get(), &SendPanels::logLine, this,
            [this](const QString &line) { logLines << line; });
    warnings.clear();
    logLines.clear();
}

void tst_SendPanels::cleanup()
{
    QVERIFY(send.tearDown());
    backend.remove();
    takePending();
}

bool tst_SendPanels::itemEnabled(QComboBox *c, int i)
{
    auto *model = qobject_cast<QStandardItemModel *>(c->model());
    return model->item(i)->isEnabled();
}

void tst_SendPanels::openChannels()
{
    QVERIFY(openBothChannels());
    for (uint32_t ch = 0; ch < 2; ++ch) {
        send.panels->setSendEnabled(ch, true);
    }
}

void tst_SendPanels::setTemplate(int ch, const QString &id, const QString &data,
                                 const QString &count, const QString &interval)
{
    edit(ch, "SendIDEdit")->setText(id);
    edit(ch, "SendDataEdit")->setText(data);
    edit(ch, "SendCountEdit")->setText(count);
    edit(ch, "SendInvEdit")->setText(interval);
}

// Waits for endSend while the queue is drained, as the display refresh would do.
bool tst_SendPanels::waitForEnd(int ch, int count)
{
    for (int i = 0; i < 3000 && send.ends[ch].size() < count; ++i) {
        takePending();
        QTest::qWait(10);
    }
    return send.ends[ch].size() >= count;
}

QList<ModelItem> tst_SendPanels::drain()
{
    return takePending();
}

void tst_SendPanels::builtWithCanLengths()
{
    for (int ch = 0; ch < 2; ++ch) {
        QComboBox *length = w<QComboBox>(prefix(ch) + "sendLenCombo");
        QCOMPARE(length->count(), 16);
        QCOMPARE(length->itemText(8), QString("8"));
        QCOMPARE(length->itemText(15), QString("64"));
        QVERIFY(itemEnabled(length, 8));
        for (int i = 9; i < 16; ++i)
            QVERIFY(!itemEnabled(length, i));
        QVERIFY(button(ch, "SendFileBtn")->isHidden());
        QVERIFY(!button(ch, "SendBtn")->isEnabled());
        QVERIFY(!button(ch, "StopSendBtn")->isEnabled());
        QCOMPARE(edit(ch, "SendDataEdit")->contextMenuPolicy(), Qt::NoContextMenu);
        combo(ch, "ProtocolCombo")->setCurrentIndex(1);
        QVERIFY(itemEnabled(length, 15));
    }
    QCOMPARE(w<QComboBox>("ch1SendTypeCombo")->itemText(3), QString("单次自发自收"));
    QCOMPARE(w<QComboBox>("ch2ProtocolCombo")->itemText(2), QString("CANFD加速"));
}

void tst_SendPanels::restoreDefaults()
{
    send.panels->restoreSendPanels();
    for (int ch = 0; ch < 2; ++ch) {
        QCOMPARE(combo(ch, "sendLenCombo")->currentText(), QString("8"));
        QCOMPARE(edit(ch, "SendDataEdit")->text(), QString("00 11 22 33 44 55 66 77"));
        QCOMPARE(edit(ch, "SendIDEdit")->text(), QString("00000001"));
        QCOMPARE(edit(ch, "SendCountEdit")->text(), QString("1"));
        QCOMPARE(edit(ch, "SendInvEdit")->text(), QString("10"));
        QVERIFY(!w<QCheckBox>(prefix(ch) + "IDAddChk")->isChecked());
        // Missing keys are added in memory with their defaults, without saving.
        QCOMPARE(readSetting(prefix(ch) + "sendLenCombo", "x"), QString("8"));
        QCOMPARE(readSetting(prefix(ch) + "SendCountEdit", "x"), QString("1"));
    }
    QVERIFY(!QFile::exists(appFilePath("/config/setdb.txt")));
}

void tst_SendPanels::restoreOrderAndStoredState()
{
    // Remote frame with a stored CAN FD protocol: the frame type rule keeps CAN.
    writeSetting("ch1FrameDataCombo", "1", false);
    writeSetting("ch1ProtocolCombo", "2", false);
    writeSetting("ch1DataAddChk", "1", false);
    writeSetting("ch1IDAddChk", "0", false);
    writeSetting("ch2DataAddChk", "0", false);
    writeSetting("ch2IDAddChk", "1", false);
    // Panel 2 on CAN FD with 64 bytes; an unreadable index reads as 0.
    writeSetting("ch2ProtocolCombo", "1", false);
    writeSetting("ch2sendLenCombo", "15", false);
    writeSetting("ch2SendTypeCombo", "zz", false);
    writeSetting("ch2FrameTypeCombo", "7", false); // beyond the items: default
    writeSetting("ch2SendDataEdit", "AA BB", false);
    send.panels->restoreSendPanels();

    QCOMPARE(combo(0, "ProtocolCombo")->currentIndex(), 0);
    QVERIFY(!combo(0, "ProtocolCombo")->isEnabled());
    QVERIFY(w<QCheckBox>("ch1DataAddChk")->isChecked());
    QVERIFY(!w<QCheckBox>("ch1IDAddChk")->isChecked());
    QVERIFY(!w<QCheckBox>("ch2DataAddChk")->isChecked());
    QVERIFY(w<QCheckBox>("ch2IDAddChk")->isChecked());
    QCOMPARE(combo(1, "ProtocolCombo")->currentIndex(), 1);
    QCOMPARE(combo(1, "sendLenCombo")->currentText(), QString("64"));
    QCOMPARE(combo(1, "SendTypeCombo")->currentIndex(), 0);
    QCOMPARE(combo(1, "FrameTypeCombo")->currentIndex(), 0);
    QCOMPARE(edit(1, "SendDataEdit")->text(), QString("AA BB"));
}

// The state stored by a send click survives a restart: a new settings load and new send.panels.
void tst_SendPanels::panelsComeBackAfterRestart()
{
    send.panels->restoreSendPanels();
    combo(1, "FrameTypeCombo")->setCurrentIndex(1);
    combo(1, "ProtocolCombo")->setCurrentIndex(2);
    combo(1, "SendTypeCombo")->setCurrentIndex(3);
    combo(1, "sendLenCombo")->setCurrentIndex(12);
    setTemplate(1, "1ABCDEF", "01 02 03", "-1", "250");
    w<QCheckBox>("ch2IDAddChk")->setChecked(true);
    QMetaObject::invokeMethod(send.panels.get(), "on_ch2SendBtn_clicked"); // refused: closed
    QCOMPARE(warnings.size(), 1);

    loadSettings(appFilePath("/config/setdb.txt"));
    send.panels = std::make_unique<SendPanels>();
    send.panels->restoreSendPanels();
    QCOMPARE(combo(1, "FrameTypeCombo")->currentIndex(), 1);
    QCOMPARE(combo(1, "ProtocolCombo")->currentIndex(), 2);
    QCOMPARE(combo(1, "SendTypeCombo")->currentIndex(), 3);
    QCOMPARE(combo(1, "sendLenCombo")->currentText(), QString("24"));
    QCOMPARE(edit(1, "SendIDEdit")->text(), QString("1ABCDEF"));
    QCOMPARE(edit(1, "SendDataEdit")->text(), QString("01 02 03"));
    QCOMPARE(edit(1, "SendCountEdit")->text(), QString("-1"));
    QCOMPARE(edit(1, "SendInvEdit")->text(), QString("250"));
    QVERIFY(w<QCheckBox>("ch2IDAddChk")->isChecked());
    QVERIFY(!w<QCheckBox>("ch2DataAddChk")->isChecked());
    QVERIFY(!w<QCheckBox>("ch1IDAddChk")->isChecked());
}

void tst_SendPanels::lengthTrimsPanel1Only()
{
    send.panels->restoreSendPanels();
    combo(0, "sendLenCombo")->setCurrentIndex(2); // by program
    QCOMPARE(edit(0, "SendDataEdit")->text(), QString("00 11 "));
    combo(1, "sendLenCombo")->setCurrentIndex(2);
    QCOMPARE(edit(1, "SendDataEdit")->text(), QString("00 11 22 33 44 55 66 77"));
    // Panel 2 trims when the user picks the item.
    QMetaObject::invokeMethod(combo(1, "sendLenCombo"), "activated", Q_ARG(int, 2));
    QCOMPARE(edit(1, "SendDataEdit")->text(), QString("00 11 "));
}

void tst_SendPanels::protocolBackToCan()
{
    send.panels->restoreSendPanels();
    const QString bytes64 = QString("AB ").repeated(63) + "AB";
    for (int ch = 0; ch < 2; ++ch) {
        combo(ch, "ProtocolCombo")->setCurrentIndex(1);
        combo(ch, "sendLenCombo")->setCurrentIndex(15);
        edit(ch, "SendDataEdit")->setText(bytes64);
        combo(ch, "ProtocolCombo")->setCurrentIndex(0);
        QCOMPARE(combo(ch, "sendLenCombo")->currentText(), QString("8"));
    }
    QCOMPARE(edit(0, "SendDataEdit")->text(), QString("AB ").repeated(8));
    QCOMPARE(edit(1, "SendDataEdit")->text(), bytes64);
}

void tst_SendPanels::remoteFrameKeepsCan()
{
    openChannels();
    send.panels->restoreSendPanels();
    combo(0, "ProtocolCombo")->setCurrentIndex(2);
    combo(0, "FrameDataCombo")->setCurrentIndex(1);
    QCOMPARE(combo(0, "ProtocolCombo")->currentIndex(), 0);
    QVERIFY(!combo(0, "ProtocolCombo")->isEnabled());
    button(0, "SendBtn")->click();
    QVERIFY(waitForEnd(0));
    QVERIFY(!combo(0, "ProtocolCombo")->isEnabled());
    QVERIFY(combo(0, "FrameDataCombo")->isEnabled());
    combo(0, "FrameDataCombo")->setCurrentIndex(0);
    QVERIFY(combo(0, "ProtocolCombo")->isEnabled());
}

void tst_SendPanels::closedChannelRefused()
{
    send.panels->restoreSendPanels();
    edit(1, "SendIDEdit")->setText("123");
    setLanguageIndex(2);
    QMetaObject::invokeMethod(send.panels.get(), "on_ch2SendBtn_clicked");
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings.at(0).title, QString("tip"));
    QCOMPARE(warnings.at(0).text, QString("Channel 2 is not open!"));
    QCOMPARE(logLines, QStringList{"Channel 2 is not open!"});
    QVERIFY(!send.threads[1]->isRunning());
    QVERIFY(!button(1, "StopSendBtn")->isEnabled());
    // The state is stored even when the job is refused, and saved.
    QCOMPARE(readSetting("ch2SendIDEdit", ""), QString("123"));
    QVERIFY(QFile::exists(appFilePath("/config/setdb.txt")));
}

void tst_SendPanels::identifierRefused_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("message");
    QTest::newRow("standard 800") << 0 << 0 << "800"
                                  << "发送失败，标准帧ID范围为0~0x7FF！";
    QTest::newRow("standard FFFFFFFF") << 1 << 0 << "FFFFFFFF"
                                       << "发送失败，标准帧ID范围为0~0x7FF！";
    QTest::newRow("extended 20000000") << 0 << 1 << "20000000"
                                       << "发送失败，扩展帧ID范围为0~0x1FFFFFFF！";
    QTest::newRow("extended too many digits") << 1 << 1 << "123456789"
                                              << "发送失败，扩展帧ID范围为0~0x1FFFFFFF！";
}

void tst_SendPanels::identifierRefused()
{
    QFETCH(int, channel);
    QFETCH(int, format);
    QFETCH(QString, id);
    QFETCH(QString, message);
    openChannels();
    send.panels->restoreSendPanels();
    combo(channel, "FrameTypeCombo")->setCurrentIndex(format);
    edit(channel, "SendIDEdit")->setText(id);
    button(channel, "SendBtn")->click();
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings.at(0).title, QString("警告"));
    QCOMPARE(warnings.at(0).text, message);
    QVERIFY(logLines.isEmpty());
    QVERIFY(!send.threads[channel]->isRunning());
    QVERIFY(button(channel, "SendBtn")->isEnabled());
}

void tst_SendPanels::countedJobWithIncrements()
{
    openChannels();
    send.panels->restoreSendPanels();
    combo(0, "sendLenCombo")->setCurrentIndex(3);
    setTemplate(0, "7FE", "0 11 FF", "3", "0");
    w<QCheckBox>("ch1IDAddChk")->setChecked(true);
    w<QCheckBox>("ch1DataAddChk")->setChecked(true);
    button(0, "SendBtn")->click();
    QVERIFY(warnings.isEmpty());
    QCOMPARE(edit(0, "SendDataEdit")->text(), QString("00 11 FF"));
    QVERIFY(!button(0, "SendBtn")->isEnabled());
    QVERIFY(!edit(0, "SendDataEdit")->isEnabled());
    QVERIFY(button(0, "StopSendBtn")->isEnabled());
    QVERIFY(button(1, "SendBtn")->isEnabled()); // the other panel stays free

    QList<ModelItem> sent;
    for (int i = 0; i < 3000 && send.ends[0].isEmpty(); ++i) {
        sent += drain();
        QTest::qWait(10);
    }
    sent += drain();
    QCOMPARE(send.ends[0], QList<uint>{0});
    QCOMPARE(sent.size(), 3);
    QStringList data;
    for (const ModelItem &item : qAsConst(sent)) {
        QCOMPARE(item.channel, 0u);
        QCOMPARE(item.direction, QString("Tx"));
        data << item.data.trimmed();
    }
    QCOMPARE(data, QStringList({"x| 00 11 FF", "x| 01 11 FF", "x| 02 11 FF"}));

    CanRxRecord rx[8] = {};
    QCOMPARE(receiveCan(1, rx, 8, 0), 3u);
    QCOMPARE(rx[0].id & 0x1FFFFFFF, 0x7FEu);
    QCOMPARE(rx[1].id & 0x1FFFFFFF, 0x7FFu);
    QCOMPARE(rx[2].id & 0x1FFFFFFF, 0x000u);
    QCOMPARE(int(rx[2].length), 3);

    QVERIFY(button(0, "SendBtn")->isEnabled());
    QVERIFY(!button(0, "StopSendBtn")->isEnabled());
    QVERIFY(edit(0, "SendDataEdit")->isEnabled());
    QVERIFY(w<QCheckBox>("ch1IDAddChk")->isEnabled());
    QCOMPARE(send.logs[0].last(), QString("通道1数据发送完成！"));
    // The panel edits keep the template; the thread advanced its own copy.
    QCOMPARE(edit(0, "SendIDEdit")->text(), QString("7FE"));
    QCOMPARE(readSetting("ch1SendDataEdit", ""), QString("0 11 FF"));
}

void tst_SendPanels::endlessJobStops()
{
    openChannels();
    send.panels->restoreSendPanels();
    setTemplate(1, "100", "01", "-1", "0");
    button(1, "SendBtn")->click();
    QVERIFY(send.threads[1]->isRunning());
    // Let frames flow, with the window's event loop running meanwhile.
    int frames = 0;
    for (int i = 0; i < 3000 && frames < 50; ++i) {
        frames += drain().size();
        QTest::qWait(1);
    }
    QVERIFY(frames >= 50);
    QVERIFY(send.ends[1].isEmpty());
    button(1, "StopSendBtn")->click();
    QVERIFY(button(1, "StopSendBtn")->isEnabled()); // locked until endSend
    QVERIFY(waitForEnd(1));
    QCOMPARE(send.ends[1], QList<uint>{1});
    QCOMPARE(send.logs[1].first(), QString("通道: 2开始发送数据：一直发送，发送间隔:0ms..."));
    QCOMPARE(send.logs[1].last(), QString("通道2数据中止发送！"));
    QVERIFY(button(1, "SendBtn")->isEnabled());
    QVERIFY(!button(1, "StopSendBtn")->isEnabled());
}

// A count or interval that is not a number reads as 0: the job ends at once.
void tst_SendPanels::textThatIsNoNumberIsNotEndless()
{
    openChannels();
    send.panels->restoreSendPanels();
    setTemplate(0, "1", "00", "many", "soon");
    button(0, "SendBtn")->click();
    QVERIFY(waitForEnd(0));
    QCOMPARE(send.logs[0].first(), QString("通道: 1开始发送数据：数据总帧数:0，发送间隔:0ms..."));
    QCOMPARE(send.logs[0].last(), QString("通道1数据发送完成！"));
    QVERIFY(drain().isEmpty());
}

void tst_SendPanels::setSendEnabledWhileSending()
{
    openChannels();
    send.panels->restoreSendPanels();
    setTemplate(0, "1", "00", "-1", "5");
    button(0, "SendBtn")->click();
    QVERIFY(send.panels->isSending(0));
    send.panels->setSendEnabled(0, true); // channel (re)opened meanwhile
    QVERIFY(!send.panels->isSendEnabled(0));
    closeDevice(); // the job ends by itself once the channel is gone
    QVERIFY(waitForEnd(0));
    QVERIFY(!send.panels->isSending(0));
    QVERIFY(!send.panels->isSendEnabled(0));
    QVERIFY(!button(0, "StopSendBtn")->isEnabled());
}

void tst_SendPanels::dataEditor()
{
    send.panels->restoreSendPanels();
    edit(0, "SendDataEdit")->setText("1 2");
    combo(0, "sendLenCombo")->setCurrentIndex(4);
    bool seen = false;
    QTimer::singleShot(0, this, [&seen] {
        auto *dlg = qobject_cast<DataDlg *>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        auto *table = dlg->findChild<QTableWidget *>("tableWidget");
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(table->item(1, 0)->text(), QString("2"));
        QCOMPARE(table->item(3, 0)->text(), QString("0"));
        table->item(2, 0)->setText("ab");
        table->item(3, 1)->setText("5");
        seen = true;
        dlg->findChild<QPushButton *>("pushButton")->click();
    });
    w<QPushButton>("pushButton_3")->click();
    QVERIFY(seen);
    QCOMPARE(edit(0, "SendDataEdit")->text(), QString("01 02 AB 05"));

    // Cancelling leaves the text unchanged.
    QTimer::singleShot(0, this, [] {
        auto *dlg = qobject_cast<DataDlg *>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        dlg->findChild<QTableWidget *>("tableWidget")->item(0, 0)->setText("FF");
        dlg->findChild<QPushButton *>("pushButton_2")->click();
    });
    w<QPushButton>("pushButton_3")->click();
    QCOMPARE(edit(0, "SendDataEdit")->text(), QString("01 02 AB 05"));
}

QTEST_MAIN(tst_SendPanels)
#include "tst_sendpanels.moc"
