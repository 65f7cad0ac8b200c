#include "app/mainwindow.h"

#include "app/aboutbox.h"
#include "app/displayrefresh.h"
#include "app/mainmenus.h"
#include "app/screenscale.h"
#include "database/signalanalysis.h"
#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "device/infdialog.h"
#include "device/opendlg.h"
#include "device/valuedialog.h"
#include "logview/logviewerlauncher.h"
#include "receive/displayfilter.h"
#include "receive/mytablemodel.h"
#include "receive/recvthread.h"
#include "record/csvformat.h"
#include "record/savefiledlg.h"
#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"
#include "statistics/busanalysis.h"
#include "transmit/listsenddlg.h"
#include "transmit/sendpanels.h"
#include "transmit/sendthread.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QHeaderView>
#include <QMenu>
#include <QTextEdit>
#include <QUrl>

static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

const QString ProgramTitle = QStringLiteral("Larkspur-V1.17");

// The display refresh period, read again at every re-arm ("refreshInterval", ms).
int refreshIntervalMs()
{
    const uint32_t ms = readSettingUInt(QStringLiteral("refreshInterval"), QStringLiteral("100"));
    return int(std::min<uint32_t>(ms, 24u * 3600u * 1000u));
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    initResources();
    ui->setupUi(this);
    loadSettings(appFilePath(QStringLiteral("/config/setdb.txt")));
    // The file-send dialog restores its fields from the settings just loaded.
    ui->sendPanels->createFileDialog();
    language.installAtStartup(readSetting(QStringLiteral("Language"), QStringLiteral("CN.qm")));
    // Apply the form translation now rather than when the event loop first runs.
    QCoreApplication::sendPostedEvents(this, QEvent::LanguageChange);
    resetTitle();
    ui->checkBox_2->hide();
    ui->tableView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    createLogDock();
    logUnloadedTranslations();
    createMenus();
    model = new MyTableModel(this);
    model->setObjectName(QStringLiteral("frameModel"));
    createDisplay();
    display->setListLimit(readSettingUInt(QStringLiteral("listCount"), QStringLiteral("1000")));
    setLa();
    registerModelItemTypes();
    createThreads();
    resetDeviceState();
    setWindowIcon(QIcon(QStringLiteral(":/Image/logo.png")));
    connectMenus();
    restoreOptions();
    displayFilter = new DisplayFilter(ui->tableView, model, this);
    connect(ui->pushButton_2, &QPushButton::clicked, displayFilter,
            &DisplayFilter::clearAllFilters);
    valueDlg = new valueDialog(this);
    connect(valueDlg, &valueDialog::getValue, this, &MainWindow::applyValue);
    listSend = new listSendDlg(this);
    listSendAction = new QAction(tr("列表发送(&L)"), this);
    mainMenus->multiSendMenu->addAction(listSendAction);
    listSend->setOpenAction(listSendAction);
    connect(listSend, &listSendDlg::log, this, &MainWindow::appendLog);
    auto *logViewerLauncher = new LogViewerLauncher(this, mainMenus, ui->sendPanels, send[0]);
    setUpTable();
    signalWindows = new SignalAnalysis(this, mainMenus, display, ui->tableView);
    connect(signalWindows, &SignalAnalysis::log, this, &MainWindow::appendLog);
    signalWindows->loadRemembered();
    logViewerLauncher->setSignalDatabases(signalWindows->databases());
    listSend->setSignalDatabases(signalWindows->databases());
    busWindows = new BusAnalysis(this, mainMenus, display, signalWindows->databases());
    connect(busWindows, &BusAnalysis::log, this, &MainWindow::appendLog);
    followScreenScale(this, [this](double factor) { scaleColumns(factor); });
    armTimers();
}

MainWindow::~MainWindow()
{
    // Hiding the dock while the widgets go away must not reach this half-destroyed window.
    disconnect(logDock, nullptr, this, nullptr);
    refreshTimer.stop();
    rateTimer.stop();
    stopWorkers();
    deviceClosed();
    // The workers have stopped: what they queued since the last refresh still belongs in
    // the recording.
    display->recordRemaining();
    display->stopRecording();
    delete ui;
}

// Closing the main window ends the program: the file-send dialog, a window of its own,
// must not keep it running.
void MainWindow::closeEvent(QCloseEvent *event)
{
    ui->sendPanels->closeFileDialog();
    QMainWindow::closeEvent(event);
}

// Every worker thread ends before the device is closed, so none touches the device
// layer or the pending-frame queue while they are torn down.
void MainWindow::stopWorkers()
{
    listSend->stopSending();
    for (int ch = 0; ch < 2; ++ch) {
        recv[ch]->stop();
        send[ch]->stop();
    }
    for (int ch = 0; ch < 2; ++ch) {
        recv[ch]->wait();
        send[ch]->wait();
    }
}

void MainWindow::createLogDock()
{
    logDock = new QDockWidget(tr("操作记录"), this);
    logDock->setObjectName(QStringLiteral("logDock"));
    logDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    logDock->setAllowedAreas(Qt::BottomDockWidgetArea);
    logView = new QTextEdit(logDock);
    logView->setObjectName(QStringLiteral("logView"));
    logView->setReadOnly(true);
    logDock->setWidget(logView);
    addDockWidget(Qt::BottomDockWidgetArea, logDock);
    logDock->hide();
}

void MainWindow::createMenus()
{
    mainMenus = new MainMenus(this, logDock);
}

void MainWindow::createDisplay()
{
    DisplayWidgets widgets;
    widgets.table = ui->tableView;
    widgets.pause = ui->checkBox_7;
    widgets.merge = mainMenus->mergeAction;
    QLabel *totals[4] = {ui->labelCh1RxCnt, ui->labelCh2RxCnt, ui->labelCh1TxCnt,
                         ui->labelCh2TxCnt};
    QLabel *rates[4] = {ui->labelch1RxSpeed, ui->labelch2RxSpeed, ui->labelch1TxSpeed,
                        ui->labelch2TxSpeed};
    std::copy(totals, totals + 4, widgets.totals);
    std::copy(rates, rates + 4, widgets.rates);
    display = new DisplayRefresh(model, widgets, this);
    connect(display, &DisplayRefresh::recordingFailed, this, &MainWindow::onRecordingFailed);
}

void MainWindow::createThreads()
{
    for (uint32_t ch = 0; ch < 2; ++ch) {
        recv[ch] = new recvThread(ch);
        recv[ch]->setParent(this);
        recv[ch]->setReceiveParams(int(receiveScanTime), int(receiveFrameCount));
        connect(recv[ch], &recvThread::log, this, &MainWindow::canLog);
        connect(recv[ch], &recvThread::errorID, this,
                [this, ch](uint lastID, uint ID) { onRecvIdError(ch, lastID, ID); });
        send[ch] = new sendThread(ch);
        send[ch]->setParent(this);
        connect(send[ch], &sendThread::log, this, &MainWindow::canLog);
        connect(send[ch], &sendThread::endSend, ui->sendPanels, &SendPanels::endSend);
    }
    ui->sendPanels->setSendThreads(send[0], send[1]);
    connect(ui->sendPanels, &SendPanels::logLine, this, &MainWindow::appendLog);
}

void MainWindow::connectMenus()
{
    MainMenus *m = mainMenus;
    connect(m->deviceOperationsAction, &QAction::triggered, this, &MainWindow::runDeviceOperations);
    connect(m->fileSendAction, &QAction::triggered, ui->sendPanels, &SendPanels::showFileDialog);
    connect(m->listBufferAction, &QAction::triggered, this, &MainWindow::showListBufferDialog);
    connect(m->deviceInfoAction, &QAction::triggered, this,
            [this] { showDeviceInformation(this, InfoEntry::MainWindow); });
    connect(m->logViewAction, &QAction::triggered, this, &MainWindow::toggleLogDock);
    connect(logDock, &QDockWidget::visibilityChanged, this, &MainWindow::toggleLogDock);
    connect(m->clearLogAction, &QAction::triggered, logView, &QTextEdit::clear);
    connect(m->aboutAction, &QAction::triggered, this, [this] { showAboutBox(this); });
    connect(m->helpFolderAction, &QAction::triggered, this, [] {
        const QString folder = MainMenus::helpFolder(languageIndex());
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    });
    for (uint32_t i = 0; i < 3; ++i) {
        connect(m->languageActions[i], &QAction::triggered, this, [this, i](bool checked) {
            if (checked)
                switchLanguage(i);
        });
    }
    connectOptionActions();
}

void MainWindow::connectOptionActions()
{
    auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    connect(mainMenus->timeHexAction, &QAction::triggered, this,
            [flag](bool on) { writeSetting(QStringLiteral("timeHex"), flag(on), true); });
    connect(mainMenus->recvIdCheckAction, &QAction::triggered, this, [this, flag](bool on) {
        if (on) {
            recv[0]->resetLastIds();
            recv[1]->resetLastIds();
        }
        writeSetting(QStringLiteral("recvIDAdd"), flag(on), true);
    });
    connect(mainMenus->mergeAction, &QAction::triggered, this, [this, flag](bool on) {
        if (on) {
            on_cleanListBtn_clicked();
            displayFilter->clearAllFilters();
        }
        writeSetting(QStringLiteral("merge"), flag(on), true);
    });
}

void MainWindow::restoreOptions()
{
    auto isOn = [](const char *key, const char *fallback) {
        return readSettingUInt(QLatin1String(key), QLatin1String(fallback)) == 1;
    };
    mainMenus->timeHexAction->setChecked(isOn("timeHex", "1"));
    mainMenus->recvIdCheckAction->setChecked(isOn("recvIDAdd", "0"));
    mainMenus->mergeAction->setChecked(isOn("merge", "0"));
    if (mainMenus->recvIdCheckAction->isChecked()) {
        recv[0]->resetLastIds();
        recv[1]->resetLastIds();
    }
    mainMenus->logViewAction->setChecked(false);
    const uint32_t current = languageIndex();
    if (current < 3)
        mainMenus->languageActions[current]->setChecked(true);
    mainMenus->rebuildHelpMenu(MainMenus::helpFolder(current));
}

void MainWindow::setUpTable()
{
    QTableView *table = ui->tableView;
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
}

void MainWindow::scaleColumns(double factor)
{
    // The whole window stays reachable: the minimum never exceeds the screen.
    setMinimumWidth(fitToScreen(QSize(int(1310 * factor), 0)).width());
    if (model->headerLabels().isEmpty())
        return;
    const int widths[] = {60, 120, 120, 60, 60, 100, 90, 90, 80, 90, 1600};
    for (int column = 0; column < 11; ++column)
        ui->tableView->setColumnWidth(column, int(widths[column] * factor));
}

void MainWindow::armTimers()
{
    refreshTimer.setSingleShot(true);
    rateTimer.setSingleShot(true);
    connect(&refreshTimer, &QTimer::timeout, this, &MainWindow::refreshDisplay);
    connect(&rateTimer, &QTimer::timeout, this, &MainWindow::updateRates);
    rateTimer.start(1000);
    refreshTimer.start(refreshIntervalMs());
    QTimer::singleShot(20, ui->sendPanels, &SendPanels::restoreSendPanels);
}

void MainWindow::resetTitle()
{
    setWindowTitle(ProgramTitle);
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QMainWindow::changeEvent(event);
}

void MainWindow::refreshDisplay()
{
    display->refresh();
    refreshTimer.start(refreshIntervalMs());
}

void MainWindow::updateRates()
{
    if (!send[0]->isRunning() && !send[1]->isRunning()) {
        const QString text = deviceInfoText();
        if (!text.isEmpty()) {
            deviceWasOpen = true;
            setWindowTitle(ProgramTitle + QStringLiteral(" - ") + text);
        } else {
            if (deviceWasOpen)
                deviceClosed();
            deviceWasOpen = false;
            resetTitle();
        }
    }
    display->publishRates();
    rateTimer.start(1000);
}

void MainWindow::deviceClosed()
{
    ui->sendPanels->setSendEnabled(0, false);
    ui->sendPanels->setSendEnabled(1, false);
    for (recvThread *thread : recv) {
        if (thread->isRunning())
            thread->stop();
    }
    // The receive threads poll every millisecond; let them leave before the handles go.
    for (recvThread *thread : recv)
        thread->wait();
    closeDevice();
    appendLog(tr("设备已关闭！"));
}

void MainWindow::runDeviceOperations()
{
    OpenDlg dlg(deviceIndex, this);
    connect(&dlg, &OpenDlg::logLine, this, &MainWindow::appendLog);
    dlg.exec();
    deviceIndex = dlg.deviceIndex;
    applyOpenedChannels(dlg.started);
}

void MainWindow::applyOpenedChannels(const bool started[2])
{
    // The presence check is skipped while sending, so a job started at once after the
    // dialog would otherwise leave an adapter that vanishes meanwhile open for good.
    if (isDeviceOpen() && (started[0] || started[1]))
        deviceWasOpen = true;
    for (uint32_t ch = 0; ch < 2; ++ch) {
        // A channel started and stopped again in the same dialog is not running.
        if (!started[ch] || !isChannelOpen(ch)) {
            ui->sendPanels->setSendEnabled(ch, isChannelOpen(ch));
            continue;
        }
        // A receive thread still running for an earlier handle is replaced by a fresh run.
        if (recv[ch]->isRunning()) {
            recv[ch]->stop();
            recv[ch]->wait();
        }
        recv[ch]->start(QThread::InheritPriority);
        ui->sendPanels->setSendEnabled(ch, true);
        appendLog(ch == 0 ? tr("通道1打开成功！") : tr("通道2打开成功！"));
    }
}

void MainWindow::setLa()
{
    const uint32_t current = languageIndex();
    if (current > 2)
        return;
    model->setHeaderLabels(frameColumnLabels(current));
    mainMenus->applyTexts(current, display->listLimit());
    if (listSend)
        listSend->applyLanguage();
    if (signalWindows)
        signalWindows->applyLanguage();
    if (busWindows)
        busWindows->applyLanguage();
}

void MainWindow::switchLanguage(uint32_t target)
{
    if (language.switchTo(target))
        setLa();
    logUnloadedTranslations();
    ui->retranslateUi(this);
    mainMenus->rebuildHelpMenu(MainMenus::helpFolder(target));
}

// A missing translation leaves a mixed interface; the log says which file is missing.
void MainWindow::logUnloadedTranslations()
{
    for (const QString &path : language.unloadedFiles())
        appendLog(byLanguage("无法加载翻译文件：%1", "無法載入翻譯檔案：%1",
                             "Could not load translation file: %1")
                      .arg(QDir::toNativeSeparators(path)));
}

void MainWindow::appendLog(const QString &msg)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("MM-dd hh:mm:ss"));
    appendLogParagraph(stamp + tr("：") + msg);
}

void MainWindow::canLog(const QString &msg)
{
    const QString stamp = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"));
    appendLogParagraph(stamp + msg);
}

// Messages are shown literally: markup characters and runs of spaces stay as they are.
void MainWindow::appendLogParagraph(const QString &text)
{
    logView->append(QStringLiteral("<span style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
                    QStringLiteral("</span>"));
}

void MainWindow::toggleLogDock(bool visible)
{
    const bool appearing = visible && logDock->isHidden();
    logDock->setVisible(visible);
    if (appearing)
        resizeDocks({logDock}, {height() / 5}, Qt::Vertical);
    mainMenus->logViewAction->setChecked(visible);
}

void MainWindow::on_cleanListBtn_clicked()
{
    display->clearList();
}

void MainWindow::on_pushButton_clicked()
{
    display->resetTotals();
}

void MainWindow::showListBufferDialog()
{
    valueDlg->move(QCursor::pos());
    valueDlg->setValue(QString::number(display->listLimit()), 2);
    valueDlg->show();
}

void MainWindow::applyValue(const QString &str, int index)
{
    if (index != 2)
        return;
    const uint32_t rows = str.trimmed().toUInt();
    display->setListLimit(rows);
    writeSetting(QStringLiteral("listCount"), QString::number(rows), true);
    mainMenus->setListBufferText(languageIndex(), rows);
}

void MainWindow::on_checkBox_clicked()
{
    display->stopRecording();
    if (!ui->checkBox->isChecked())
        return;
    savefileDlg dlg(this);
    dlg.exec();
    if (dlg.savePath().isEmpty()) {
        ui->checkBox->setChecked(false);
        return;
    }
    startRecording(dlg.savePath(), dlg.saveScope());
}

bool MainWindow::startRecording(const QString &path, int scope)
{
    ui->checkBox->setChecked(true);
    if (display->startRecording(path, scope == 1))
        return true;
    const QString text = byLanguage("无法打开文件：", "無法打開文件：", "Cannot open file: ") +
                         path + " (" + display->recordingError() + ")";
    appendLog(text);
    ui->checkBox->setChecked(false);
    warn(text);
    return false;
}

void MainWindow::onRecordingFailed(const QString &error)
{
    ui->checkBox->setChecked(false);
    appendLog(byLanguage("实时保存已停止，写入失败：", "實時保存已停止，寫入失敗：",
                         "Real-time save stopped, write failed: ") +
              error);
}

void MainWindow::onRecvIdError(uint channel, uint lastID, uint ID)
{
    mainMenus->recvIdCheckAction->setChecked(false);
    // The receive thread switched the check off in memory; the file is written here, on
    // the GUI thread, so a slow disk never holds up a receive thread.
    Q_UNUSED(channel)
    writeSetting(QStringLiteral("recvIDAdd"), QStringLiteral("0"), true);
    const uint32_t current = languageIndex();
    const char *title = current == 2 ? "warning" : "提示";
    const QString text = current == 1   ? QStringLiteral("ID 不連續:上一幀ID:%1,當前ID:%2")
                         : current == 2 ? QStringLiteral("ID error:last ID:%1,current ID:%2")
                                        : QStringLiteral("ID 不连续:上一帧ID:%1,当前ID:%2");
    showDialogMessage(this, MessageKind::Warning, tr(title),
                      text.arg(lastID, 0, 16).arg(ID, 0, 16));
}

void MainWindow::warn(const QString &text)
{
    showDialogMessage(this, MessageKind::Warning, warningTitle(), text);
}
