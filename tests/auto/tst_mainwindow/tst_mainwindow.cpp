// Main window start-up, option actions, log lines, the device-vanishing path, the
// opened-channel handling, identifier warnings, screen scaling and shut-down.

#include "tests/shared/windowfixture.h"

#include "app/mainmenus.h"
#include "app/screenscale.h"
#include "device/valuedialog.h"
#include "receive/mytablemodel.h"
#include "receive/recvthread.h"
#include "record/savefiledlg.h"
#include "tests/shared/windowparts.h"
#include "transmit/filedlg.h"
#include "transmit/sendpanels.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QTextEdit>
#include <QtTest>

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsWithDefaults();
    void restoresOptionsFromSettings();
    void firstSavingChangeWritesReadDefaults();
    void optionActionsStoreSettings();
    void logDockFollowsItsAction();
    void logLineFormats();
    void listBufferEntryUsesValueDialog();
    void deviceTitleAndVanishingDevice();
    void openedChannelsStartReceiving();
    void channelStoppedInDialogIsNotReported();
    void fileSendStateSurvivesRestart();
    void closingWindowClosesFileDialog();
    void sendEditsRejectTypos_data();
    void sendEditsRejectTypos();
    void idWarningUnchecksCheck_data();
    void idWarningUnchecksCheck();
    void saveDialogChecksChosenPath();
    void screenScaleMultipliesGeometry();
    void screenScaleFollowsMainWindow();
    void screenScaleFollowsDpiChanges();
    void shutDownClosesDeviceAndJoinsThreads();

private:
    std::unique_ptr<WindowFixture> fixture;
};

void tst_MainWindow::init()
{
    fixture = std::make_unique<WindowFixture>();
}

void tst_MainWindow::cleanup()
{
    fixture.reset();
}

void tst_MainWindow::startsWithDefaults()
{
    MainWindow *w = fixture->open();
    QCOMPARE(w->windowTitle(), QString("Larkspur-V1.17"));
    QCOMPARE(listLimitOf(w), 1000u);
    QVERIFY(menusOf(w)->timeHexAction->isChecked());
    QVERIFY(!menusOf(w)->recvIdCheckAction->isChecked());
    QVERIFY(!menusOf(w)->mergeAction->isChecked());
    QVERIFY(!menusOf(w)->logViewAction->isChecked());
    QVERIFY(menusOf(w)->languageActions[0]->isChecked());
    QVERIFY(w->findChild<QCheckBox *>("checkBox_2")->isHidden());
    QVERIFY(w->findChild<QObject *>("groupBox_2"));
    QVERIFY(w->findChild<QObject *>("groupBox_3"));
    QCOMPARE(frameModelOf(w)->headerLabels().size(), 11);
    QCOMPARE(menusOf(w)->deviceMenu->title(), QString("设备管理(&O)"));
    QCOMPARE(menusOf(w)->listBufferAction->text(), QString("列表缓存帧数(1000)(&D)"));
    QVERIFY(!w->windowIcon().isNull());
}

void tst_MainWindow::restoresOptionsFromSettings()
{
    fixture->writeFile("/config/setdb.txt", "listCount,500;merge,1;recvIDAdd,1;timeHex,0");
    MainWindow *w = fixture->open();
    QCOMPARE(listLimitOf(w), 500u);
    QVERIFY(menusOf(w)->mergeAction->isChecked());
    QVERIFY(menusOf(w)->recvIdCheckAction->isChecked());
    QVERIFY(!menusOf(w)->timeHexAction->isChecked());
    QVERIFY(menusOf(w)->listBufferAction->text().contains("(500)"));
}

void tst_MainWindow::firstSavingChangeWritesReadDefaults()
{
    MainWindow *w = fixture->open();
    menusOf(w)->timeHexAction->trigger();
    QFile file(fixture->path("/config/setdb.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(file.readAll());
    for (const char *key : {"Language,CN.qm", "listCount,1000", "timeHex,0", "recvIDAdd,0",
                            "merge,0", "refreshInterval,100"})
        QVERIFY2(line.contains(QLatin1String(key)), key);
}

void tst_MainWindow::optionActionsStoreSettings()
{
    MainWindow *w = fixture->open();
    menusOf(w)->recvIdCheckAction->trigger();
    QCOMPARE(readSetting("recvIDAdd", ""), QString("1"));
    menusOf(w)->recvIdCheckAction->trigger();
    QCOMPARE(readSetting("recvIDAdd", ""), QString("0"));
    menusOf(w)->timeHexAction->trigger();
    QCOMPARE(readSetting("timeHex", ""), QString("0"));
}

void tst_MainWindow::logDockFollowsItsAction()
{
    MainWindow *w = fixture->open();
    w->show();
    auto *dock = w->findChild<QDockWidget *>("logDock");
    QVERIFY(dock->isHidden());
    menusOf(w)->logViewAction->trigger();
    QVERIFY(dock->isVisible());
    QCOMPARE(w->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    QVERIFY(!(dock->features() & QDockWidget::DockWidgetFloatable));
    dock->close();
    QVERIFY(!menusOf(w)->logViewAction->isChecked());
    menusOf(w)->logViewAction->trigger();
    QVERIFY(dock->isVisible());
    w->appendLog("x");
    menusOf(w)->clearLogAction->trigger();
    QVERIFY(logTextOf(w)->toPlainText().isEmpty());
}

void tst_MainWindow::logLineFormats()
{
    MainWindow *w = fixture->open();
    logTextOf(w)->clear();
    w->appendLog("<b>hello</b> & A  B");
    w->canLog("thread line");
    const QStringList lines = logTextOf(w)->toPlainText().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY(QRegularExpression("^\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d：<b>hello</b> & A  B$")
                .match(lines.at(0))
                .hasMatch());
    QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\dthread line$")
                .match(lines.at(1))
                .hasMatch());
}

void tst_MainWindow::listBufferEntryUsesValueDialog()
{
    MainWindow *w = fixture->open();
    menusOf(w)->listBufferAction->trigger();
    valueDialog *dialog = listBufferDialogOf(w);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->findChild<QLineEdit *>("editValue")->text(), QString("1000"));
    QCOMPARE(dialog->valueIndex(), 2);
    dialog->findChild<QLineEdit *>("editValue")->setText("250");
    dialog->findChild<QPushButton *>("btnValueOK")->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(listLimitOf(w), 250u);
    QCOMPARE(menusOf(w)->listBufferAction->text(), QString("列表缓存帧数(250)(&D)"));
    // Other indexes are not the main window's.
    w->applyValue("7", 0);
    QCOMPARE(listLimitOf(w), 250u);
}

void tst_MainWindow::deviceTitleAndVanishingDevice()
{
    MainWindow *w = fixture->open();
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    QVERIFY(queryDeviceInfo() != 0 || !deviceInfoText().isEmpty());
    w->updateRates();
    QVERIFY(w->windowTitle().startsWith("Larkspur-V1.17 - "));
    logTextOf(w)->clear();
    fixture->faults->unplug();
    w->updateRates();
    QCOMPARE(w->windowTitle(), QString("Larkspur-V1.17"));
    QVERIFY(!isDeviceOpen());
    QVERIFY(logTextOf(w)->toPlainText().contains("设备已关闭！"));
    QVERIFY(!sendPanelsOf(w)->isSendEnabled(0));
    QVERIFY(!sendPanelsOf(w)->isSendEnabled(1));
    // Only once: the next update finds nothing to close.
    logTextOf(w)->clear();
    w->updateRates();
    QVERIFY(logTextOf(w)->toPlainText().isEmpty());
}

void tst_MainWindow::openedChannelsStartReceiving()
{
    MainWindow *w = fixture->open();
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    QVERIFY(initCan(0, 0));
    QVERIFY(startCan(0));
    const bool started[2] = {true, false};
    w->applyOpenedChannels(started);
    QVERIFY(receiveThreadOf(w, 0)->isRunning());
    QVERIFY(!receiveThreadOf(w, 1)->isRunning());
    QVERIFY(sendPanelsOf(w)->isSendEnabled(0));
    QVERIFY(!sendPanelsOf(w)->isSendEnabled(1));
    QVERIFY(logTextOf(w)->toPlainText().contains("通道1打开成功！"));
    // Running the dialog again restarts the thread rather than stopping it.
    w->applyOpenedChannels(started);
    QVERIFY(receiveThreadOf(w, 0)->isRunning());
    w->deviceClosed();
    QVERIFY(!receiveThreadOf(w, 0)->isRunning());
}

// Started and stopped again in the same dialog: no success line, no sending, no thread.
void tst_MainWindow::channelStoppedInDialogIsNotReported()
{
    MainWindow *w = fixture->open();
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    QVERIFY(initCan(0, 0));
    QVERIFY(startCan(0));
    QVERIFY(resetCan(0));
    const bool started[2] = {true, false};
    w->applyOpenedChannels(started);
    QVERIFY(!receiveThreadOf(w, 0)->isRunning());
    QVERIFY(!sendPanelsOf(w)->isSendEnabled(0));
    QVERIFY(!logTextOf(w)->toPlainText().contains("通道1打开成功！"));
}

void tst_MainWindow::fileSendStateSurvivesRestart()
{
    fixture->writeFile("/config/setdb.txt",
                       "sendFile,/tmp/a.csv;sendFileCnt,7;sendFileJGT,25;sendFileCH,1");
    MainWindow *w = fixture->open();
    fileDlg *dlg = sendPanelsOf(w)->fileDialog();
    QCOMPARE(dlg->findChild<QLineEdit *>("lineEdit")->text(), QString("/tmp/a.csv"));
    QCOMPARE(dlg->findChild<QSpinBox *>("spinBox_2")->value(), 7);
    QCOMPARE(dlg->findChild<QSpinBox *>("spinBox")->value(), 25);
    QCOMPARE(dlg->findChild<QComboBox *>("comboBox")->currentIndex(), 1);
}

void tst_MainWindow::closingWindowClosesFileDialog()
{
    MainWindow *w = fixture->open();
    w->show();
    sendPanelsOf(w)->showFileDialog();
    QVERIFY(sendPanelsOf(w)->fileDialog()->isVisible());
    w->close();
    // No window is left to keep the event loop running.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
}

void tst_MainWindow::sendEditsRejectTypos_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("identifier") << "ch1SendIDEdit"
                                << "12G"
                                << "12";
    QTest::newRow("interval") << "ch2SendInvEdit"
                              << "1O"
                              << "1";
    QTest::newRow("count") << "ch1SendCountEdit"
                           << "5x"
                           << "5";
    QTest::newRow("endless count") << "ch2SendCountEdit"
                                   << "-1"
                                   << "-1";
}

void tst_MainWindow::sendEditsRejectTypos()
{
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    MainWindow *w = fixture->open();
    QLineEdit *line = w->findChild<QLineEdit *>(edit);
    QVERIFY(line);
    line->clear();
    QTest::keyClicks(line, typed);
    QCOMPARE(line->text(), shown);
}

void tst_MainWindow::idWarningUnchecksCheck_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("simplified") << 0u << "提示"
                                << "ID 不连续:上一帧ID:1ff,当前ID:a0";
    QTest::newRow("traditional") << 1u << "提示"
                                 << "ID 不連續:上一幀ID:1ff,當前ID:a0";
    QTest::newRow("english") << 2u << "warning"
                             << "ID error:last ID:1ff,current ID:a0";
}

void tst_MainWindow::idWarningUnchecksCheck()
{
    QFETCH(uint, language);
    QFETCH(QString, title);
    QFETCH(QString, text);
    MainWindow *w = fixture->open();
    setLanguageIndex(language);
    menusOf(w)->recvIdCheckAction->trigger();
    QVERIFY(menusOf(w)->recvIdCheckAction->isChecked());
    // Either channel's report switches the check off in the file too: the receive thread
    // leaves the writing to the window.
    emit receiveThreadOf(w, language % 2)->errorID(0x1ff, 0xa0);
    QCoreApplication::processEvents();
    QVERIFY(!menusOf(w)->recvIdCheckAction->isChecked());
    QCOMPARE(readSetting("recvIDAdd", ""), QString("0"));
    QFile stored(fixture->path("/config/setdb.txt"));
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QVERIFY(stored.readAll().contains("recvIDAdd,0"));
    QCOMPARE(fixture->messages.size(), 1);
    QCOMPARE(fixture->messages.first().title, title);
    QCOMPARE(fixture->messages.first().text, text);
}

void tst_MainWindow::saveDialogChecksChosenPath()
{
    savefileDlg dialog;
    QVERIFY(!dialog.hintVisible());
    QVERIFY(!dialog.usePath(fixture->path("/no-such-folder/a.csv")));
    QVERIFY(dialog.hintVisible());
    const QString good = fixture->path("/a.csv");
    fixture->writeFile("/a.csv", "kept");
    QVERIFY(dialog.usePath(good));
    QVERIFY(!dialog.hintVisible());
    QFile kept(good);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("kept")); // checking a path does not empty it
    dialog.findChild<QComboBox *>("comboBox")->setCurrentIndex(1);
    dialog.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(dialog.savePath(), good);
    QCOMPARE(dialog.saveScope(), 1);
    dialog.findChild<QPushButton *>("pushButton_2")->click();
    QVERIFY(dialog.savePath().isEmpty());
    QCOMPARE(dialog.saveScope(), 0);
}

void tst_MainWindow::screenScaleMultipliesGeometry()
{
    QWidget window;
    window.resize(200, 100);
    QFont font = window.font();
    font.setPointSize(10);
    window.setFont(font);
    auto *child = new QWidget(&window);
    child->setGeometry(10, 20, 30, 41);
    auto *grandChild = new QWidget(child);
    grandChild->setGeometry(1, 3, 5, 7);
    applyScreenScale(&window, 1.5);
    // Qt converts the point size with the logical DPI already: the size itself stays.
    QCOMPARE(window.font().pointSize(), 10);
    QCOMPARE(child->geometry(), QRect(15, 30, 45, 61));
    QCOMPARE(grandChild->geometry(), QRect(1, 4, 7, 10));
    QCOMPARE(window.size(), QSize(300, 150));
    // A window never starts larger than the screen's available area; a child may.
    const QSize available = scalingScreen()->availableGeometry().size();
    window.resize(available);
    child->resize(available);
    applyScreenScale(&window, 1.5);
    QCOMPARE(window.size(), available);
    QCOMPARE(child->size(), available * 1.5);
}

void tst_MainWindow::screenScaleFollowsMainWindow()
{
    MainWindow *w = fixture->open();
    const double factor = screenScaleFactor(w);
    // A window larger than the screen starts at the screen's available size, and its
    // minimum width never hides the right edge (the offscreen screen is 800 x 600).
    const QSize available = scalingScreen()->availableGeometry().size();
    QCOMPARE(w->height(), qMin(int(686 * factor), available.height()));
    QCOMPARE(w->minimumWidth(), qMin(int(1310 * factor), available.width()));
    QCOMPARE(w->findChild<QWidget *>("tableView")->font().pointSize(),
             w->findChild<QTableView *>("tableView")->horizontalHeader()->font().pointSize());
    auto *table = w->findChild<QTableView *>("tableView");
    QCOMPARE(table->columnWidth(1), int(120 * factor));
    QCOMPARE(table->columnWidth(10), int(1600 * factor));
}

// A DPI change rescales by new / previously applied DPI, so changes never compound.
void tst_MainWindow::screenScaleFollowsDpiChanges()
{
    QScreen *screen = scalingScreen();
    QVERIFY(screen);
    const qreal dpi = screen->logicalDotsPerInch();
    QWidget window;
    window.resize(200, 100);
    auto *child = new QWidget(&window);
    child->setGeometry(10, 20, 100, 40);
    QList<double> totals;
    followScreenScale(&window, [&totals](double total) { totals << total; });
    const QSize start = window.size();
    emit screen->logicalDotsPerInchChanged(dpi * 2);
    QCOMPARE(window.size(), start * 2);
    emit screen->logicalDotsPerInchChanged(dpi * 3);
    QCOMPARE(window.size(), start * 3);
    emit screen->logicalDotsPerInchChanged(dpi);
    QCOMPARE(window.size(), start);
    QCOMPARE(totals.size(), 4);
    QCOMPARE(totals.at(2), 3 * dpi / 96.0);
}

void tst_MainWindow::shutDownClosesDeviceAndJoinsThreads()
{
    MainWindow *w = fixture->open();
    QVERIFY(openDevice(FerruleDeviceType, 0, 0));
    QVERIFY(initCan(1, 0));
    QVERIFY(startCan(1));
    const bool started[2] = {false, true};
    w->applyOpenedChannels(started);
    QPointer<recvThread> thread = receiveThreadOf(w, 1);
    QVERIFY(thread->isRunning());
    fixture->window.reset();
    QVERIFY(thread.isNull());
    QVERIFY(!isDeviceOpen());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
