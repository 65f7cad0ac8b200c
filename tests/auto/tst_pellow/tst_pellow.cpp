#include "caboutdlg.h"
#include "cpellowdlg.h"
#include "deviceinfo.h"
#include "messageboxnotifier.h"
#include "notifier.h"
#include "pellowconfig.h"
#include "pellowfolder.h"
#include "simwexlib.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

class RecordingNotifier : public Notifier
{
public:
    void notify(QWidget *, const QString &text) override { messages.append(text); }
    QStringList messages;
};

enum Failure { AdapterAbsent, CloseFails, InfoFails, UpgradeFails };

QPushButton *button(const QWidget &dialog, int id)
{
    const auto buttons = dialog.findChildren<QPushButton *>();
    for (QPushButton *b : buttons) {
        if (b->property("controlId").toInt() == id)
            return b;
    }
    return nullptr;
}

// Enabled flags of open, close, information and upgrade, for example "1000".
QString states(const QWidget &dialog)
{
    QString s;
    for (int id : {1012, 1002, 1048, 1028})
        s += button(dialog, id)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

QByteArray rawRecord(quint16 hardware, const QByteArray &serialBytes, char fill)
{
    QByteArray record(Wexlib::InfoRecordSize, '\0');
    record[0] = char(hardware & 0xff);
    record[1] = char(hardware >> 8);
    record.replace(11, serialBytes.size(), serialBytes);
    for (int i = 11 + serialBytes.size(); i < record.size(); ++i)
        record[i] = fill;
    return record;
}

// Runs action and closes every about box it opens; returns the texts seen in them.
QStringList aboutBoxesDuring(const std::function<void()> &action)
{
    QStringList seen;
    QTimer::singleShot(0, [&seen] {
        auto *about = qobject_cast<CAboutDlg *>(QApplication::activeModalWidget());
        if (!about)
            return;
        QStringList texts{about->windowTitle()};
        const auto labels = about->findChildren<QLabel *>();
        for (QLabel *label : labels) {
            if (!label->text().isEmpty())
                texts.append(label->text());
        }
        QPushButton *ok = button(*about, 1);
        texts.append(ok ? ok->text() : QString());
        seen.append(texts.join(QLatin1Char('|')));
        about->accept();
    });
    action();
    QCoreApplication::processEvents();
    return seen;
}

} // namespace

class tst_Pellow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void infoRecordLines_data();
    void infoRecordLines();
    void startsWithOnlyOpenEnabled();
    void openCloseAndUpgradeMoveBetweenStates();
    void informationShowsSevenLines();
    void failureKeepsButtonState_data();
    void failureKeepsButtonState();
    void closingDialogLeavesDeviceOpen();
    void messageBoxHasOnlyOkAndDefaultCaption();
    void aboutEntryOpensAboutBox();
    void configFileWrittenOnceWithDefaults();
    void environmentOverridesConfigFile_data();
    void environmentOverridesConfigFile();
    void configFolderFollowsLayout_data();
    void configFolderFollowsLayout();

private:
    SimWexlib m_sim;
    RecordingNotifier m_notifier;
};

void tst_Pellow::init()
{
    m_sim = SimWexlib();
    m_notifier.messages.clear();
}

void tst_Pellow::infoRecordLines_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("lastLine");

    QTest::newRow("hardware 0x0102, serial ABC")
        << rawRecord(0x0102, QByteArray("ABC", 4), 'Z') << "硬件版本:1.02"
        << "序列号  :ABC";
    QTest::newRow("20-character serial without terminator")
        << rawRecord(0x0102, "ABCDEFGHIJKLMNOPQRST", 'X') << "硬件版本:1.02"
        << "序列号  :ABCDEFGHIJKLMNOPQRST";
    QTest::newRow("hexadecimal digits")
        << rawRecord(0x1A0B, QByteArray(1, '\0'), '\0') << "硬件版本:1a.0b"
        << "序列号  :";
}

void tst_Pellow::infoRecordLines()
{
    QFETCH(QByteArray, record);
    QFETCH(QString, firstLine);
    QFETCH(QString, lastLine);
    const QStringList lines =
        DeviceInfo::fromRecord(reinterpret_cast<const quint8 *>(record.constData()))
            .text()
            .split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines.first(), firstLine);
    QCOMPARE(lines.last(), lastLine);
}

void tst_Pellow::startsWithOnlyOpenEnabled()
{
    CPellowDlg dialog(m_sim, m_notifier);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Ferrule 固件升级工具V1.1"));
    QVERIFY(!dialog.windowIcon().isNull());
    QCOMPARE(button(dialog, 1012)->text(), QStringLiteral("打开设备"));
    QCOMPARE(button(dialog, 1002)->text(), QStringLiteral("关闭设备"));
    QCOMPARE(button(dialog, 1048)->text(), QStringLiteral("设备信息"));
    QCOMPARE(button(dialog, 1028)->text(), QStringLiteral("固件升级"));
    QVERIFY(button(dialog, 1012)->isDefault());
    QCOMPARE(states(dialog), QStringLiteral("1000"));

    QPushButton *setSn = button(dialog, 1004);
    QCOMPARE(setSn->text(), QStringLiteral("设置SN"));
    QVERIFY(setSn->isHidden() && !setSn->isEnabled());
    auto *edit = dialog.findChild<QLineEdit *>();
    QCOMPARE(edit->property("controlId").toInt(), 1001);
    QVERIFY(edit->isHidden() && !edit->isEnabled() && edit->text().isEmpty());
}

void tst_Pellow::openCloseAndUpgradeMoveBetweenStates()
{
    CPellowDlg dialog(m_sim, m_notifier);
    button(dialog, 1012)->click();
    QCOMPARE(states(dialog), QStringLiteral("0111"));
    const WexHandle first = dialog.deviceHandle();
    QVERIFY(first != 0);

    button(dialog, 1002)->click();
    QCOMPARE(states(dialog), QStringLiteral("1000"));
    QCOMPARE(dialog.deviceHandle(), first); // kept after close
    QCOMPARE(m_sim.openHandle(), WexHandle(0));

    button(dialog, 1012)->click();
    QVERIFY(dialog.deviceHandle() != 0);
    button(dialog, 1028)->click();
    QCOMPARE(m_notifier.messages,
             QStringList{QStringLiteral("升级步骤\r\n\r\n1.等待设备被识别为U盘设备!\r\n"
                                        "2.将U盘中的firmware.bin删除【此步不可断开连接】\r\n"
                                        "3.将新的firmware.bin存入U盘,确保成功后再重启！")});
    QCOMPARE(dialog.deviceHandle(), WexHandle(0));
    QCOMPARE(states(dialog), QStringLiteral("1000"));

    button(dialog, 1012)->click(); // the restarted adapter can be opened again
    QCOMPARE(states(dialog), QStringLiteral("0111"));
    QCOMPARE(m_notifier.messages.size(), 1);
}

void tst_Pellow::informationShowsSevenLines()
{
    DeviceInfo info;
    info.hardwareVersion = 0x0102;
    info.firmwareVersion = 0x0210;
    info.driverVersion = 0x0a00;
    info.interfaceVersion = 0x0001;
    info.interruptNumber = 300;
    info.canChannels = 2;
    info.serialNumber = "ABC";
    m_sim.setInfo(info);
    CPellowDlg dialog(m_sim, m_notifier);
    button(dialog, 1012)->click();
    button(dialog, 1048)->click();
    QCOMPARE(m_notifier.messages,
             QStringList{QStringLiteral("硬件版本:1.02\r\n固件版本:2.10\r\n驱动版本:a.00\r\n"
                                        "接口版本:0.01\r\n中断号    :300\r\nCAN通道 :2\r\n"
                                        "序列号  :ABC")});
    QCOMPARE(states(dialog), QStringLiteral("0111"));
}

void tst_Pellow::failureKeepsButtonState_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("buttonId");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("statesAfter");

    QTest::newRow("no adapter") << int(AdapterAbsent) << 1012 << "打开失败!!"
                                << "1000";
    QTest::newRow("close fails") << int(CloseFails) << 1002 << "关闭失败!"
                                 << "0111";
    QTest::newRow("information fails") << int(InfoFails) << 1048 << "获取失败!"
                                       << "0111";
    QTest::newRow("upgrade fails") << int(UpgradeFails) << 1028 << "升级失败!\r\n"
                                   << "0111";
}

void tst_Pellow::failureKeepsButtonState()
{
    QFETCH(int, failure);
    QFETCH(int, buttonId);
    QFETCH(QString, message);
    QFETCH(QString, statesAfter);

    CPellowDlg dialog(m_sim, m_notifier);
    if (failure == AdapterAbsent)
        m_sim.setPresent(false);
    else
        button(dialog, 1012)->click();
    m_sim.setCloseSucceeds(failure != CloseFails);
    m_sim.setInfoSucceeds(failure != InfoFails);
    m_sim.setUpgradeSucceeds(failure != UpgradeFails);
    const WexHandle handle = dialog.deviceHandle();

    button(dialog, buttonId)->click();
    QCOMPARE(m_notifier.messages, QStringList{message});
    QCOMPARE(states(dialog), statesAfter);
    QCOMPARE(dialog.deviceHandle(), handle);
}

void tst_Pellow::closingDialogLeavesDeviceOpen()
{
    {
        CPellowDlg dialog(m_sim, m_notifier);
        dialog.show();
        button(dialog, 1012)->click();
        QVERIFY(dialog.close());
    }
    QCOMPARE(m_sim.closeCalls(), 0);
    QVERIFY(m_sim.openHandle() != 0);
}

void tst_Pellow::messageBoxHasOnlyOkAndDefaultCaption()
{
    CPellowDlg dialog(m_sim, m_notifier);
    QString title = QStringLiteral("unset");
    QString text;
    QStringList buttons;
    QWidget *parent = nullptr;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        parent = box->parentWidget();
        const auto boxButtons = box->buttons();
        for (QAbstractButton *b : boxButtons)
            buttons.append(b->text());
        box->accept();
    });
    MessageBoxNotifier().notify(&dialog, QStringLiteral("升级失败!\r\n"));
    QVERIFY(title.isEmpty());
    QCOMPARE(text.trimmed(), QStringLiteral("升级失败!"));
    QCOMPARE(buttons, QStringList{QStringLiteral("确定")});
    QCOMPARE(parent, &dialog);
}

void tst_Pellow::aboutEntryOpensAboutBox()
{
    CPellowDlg dialog(m_sim, m_notifier);
    auto *menu = dialog.findChild<QMenu *>(QStringLiteral("systemMenu"));
    QVERIFY(menu);
    const QList<QAction *> actions = menu->actions();
    QCOMPARE(actions.size(), 2);
    QVERIFY(actions.at(0)->isSeparator());
    QCOMPARE(actions.at(1)->text(), QStringLiteral("关于 Pellow(&A)..."));

    const QString expected = QStringLiteral("关于 Pellow|Ferrule固件升级工具 V1.0 |确定");
    QCOMPARE(aboutBoxesDuring([&] { actions.at(1)->trigger(); }), QStringList{expected});
    QCOMPARE(aboutBoxesDuring([&] { dialog.onSysCommand(31); }), QStringList{expected});
    QCOMPARE(aboutBoxesDuring([&] { dialog.onSysCommand(32); }), QStringList{});
    QVERIFY(m_notifier.messages.isEmpty());
}

void tst_Pellow::configFileWrittenOnceWithDefaults()
{
    qunsetenv("PELLOW_ADAPTER");
    qunsetenv("PELLOW_SIM_UPGRADE");
    QTemporaryDir base;
    const QString path = PellowConfig::iniPath(base.path());
    PellowConfig config = PellowConfig::load(base.path());
    QVERIFY(QFile::exists(path));
    QVERIFY(config.adapterPresent && config.upgradeSucceeds);

    {
        QSettings ini(path, QSettings::IniFormat);
        ini.setValue(QStringLiteral("adapter/type"), QStringLiteral("absent"));
        ini.setValue(QStringLiteral("simulator/upgrade"), QStringLiteral("fail"));
    }
    config = PellowConfig::load(base.path());
    QVERIFY(!config.adapterPresent && !config.upgradeSucceeds);
    QCOMPARE(QSettings(path, QSettings::IniFormat).value("adapter/type").toString(),
             QStringLiteral("absent"));
}

void tst_Pellow::environmentOverridesConfigFile_data()
{
    QTest::addColumn<QByteArray>("adapterEnv");
    QTest::addColumn<QByteArray>("upgradeEnv");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("upgrades");

    QTest::newRow("file defaults") << QByteArray() << QByteArray() << true << true;
    QTest::newRow("adapter absent") << QByteArray("absent") << QByteArray() << false << true;
    QTest::newRow("upgrade fails")
        << QByteArray("simulated") << QByteArray("fail") << true << false;
}

void tst_Pellow::environmentOverridesConfigFile()
{
    QFETCH(QByteArray, adapterEnv);
    QFETCH(QByteArray, upgradeEnv);
    QFETCH(bool, opens);
    QFETCH(bool, upgrades);

    QTemporaryDir base;
    PellowConfig::load(base.path()); // writes the defaults
    qputenv("PELLOW_ADAPTER", adapterEnv);
    qputenv("PELLOW_SIM_UPGRADE", upgradeEnv);
    const std::unique_ptr<Wexlib> library = PellowConfig::load(base.path()).createLibrary();
    qunsetenv("PELLOW_ADAPTER");
    qunsetenv("PELLOW_SIM_UPGRADE");

    const WexHandle handle = library->openDevice(Wexlib::DeviceType, 0, 0);
    QCOMPARE(handle != 0, opens);
    if (opens)
        QCOMPARE(library->startFirmwareUpgrade(handle) == 1, upgrades);
}

void tst_Pellow::configFolderFollowsLayout_data()
{
    QTest::addColumn<QString>("desktopEntry");
    QTest::addColumn<bool>("inUserData");
    QTest::newRow("build tree") << QString() << false;
    QTest::newRow("installed") << "share/applications/pellow.desktop" << true;
    QTest::newRow("another program's entry") << "share/applications/other.desktop" << false;
}

void tst_Pellow::configFolderFollowsLayout()
{
    QFETCH(QString, desktopEntry);
    QFETCH(bool, inUserData);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("bin"));
    if (!desktopEntry.isEmpty()) {
        QVERIFY(QDir(root.path()).mkpath(QFileInfo(desktopEntry).path()));
        QFile entry(root.filePath(desktopEntry));
        QVERIFY(entry.open(QIODevice::WriteOnly));
    }
    const QString bin = root.filePath("bin");
    const QString userData = root.filePath("home/.local/share/pellow");
    const QString chosen = PellowFolder::choose(bin, userData);
    QCOMPARE(chosen, inUserData ? userData : bin);
    // The first start writes the defaults into the chosen folder only.
    PellowConfig::load(chosen);
    QVERIFY(QFileInfo::exists(PellowConfig::iniPath(chosen)));
    QCOMPARE(QFileInfo::exists(bin + "/config"), !inUserData);
}

QTEST_MAIN(tst_Pellow)
#include "tst_pellow.moc"
