#include "transmit/listsenddlg.h"

#include "app/screenscale.h"
#include "database/signaldatabases.h"
#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"
#include "transmit/listsendfile.h"
#include "transmit/listsendmodel.h"
#include "transmit/listsendthread.h"
#include "transmit/listsignaldialog.h"

#include "ui_listsenddlg.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int SentRefreshMs = 200;

} // namespace

listSendDlg::listSendDlg(QWidget *parent)
    : QDialog(parent), ui(new Ui::listSendDlg), model(new ListSendModel(this)),
      sender(std::make_unique<ListSendThread>())
{
    ui->setupUi(this);
    setModal(false);
    ui->tableView->setModel(model);
    ui->tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->tableView->horizontalHeader()->setStretchLastSection(true);
    addEditButtons();
    followScreenScale(this);

    connect(sender.get(), &ListSendThread::rowEnded, this, &listSendDlg::rowEnded,
            Qt::QueuedConnection);
    connect(sender.get(), &ListSendThread::log, this, &listSendDlg::log, Qt::QueuedConnection);
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &listSendDlg::updateSentCounts);
    timer->start(SentRefreshMs);

    connect(model, &ListSendModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to) {
                if (to.column() >= ListSendModel::Sent && from.column() >= ListSendModel::Sent)
                    return; // live columns only
                rowEdited(from.row());
            });
    connect(model, &ListSendModel::rowsInserted, this, &listSendDlg::saveList);
    connect(model, &ListSendModel::rowsRemoved, this, &listSendDlg::saveList);
    connect(model, &ListSendModel::rowsMoved, this, &listSendDlg::saveList);
    connect(model, &ListSendModel::modelReset, this, &listSendDlg::saveList);
    restoreList();
    applyLanguage();
}

listSendDlg::~listSendDlg()
{
    sender.reset();
    delete ui;
}

QString listSendDlg::storePath()
{
    return appFilePath(QStringLiteral("/config/listsend.json"));
}

void listSendDlg::setOpenAction(QAction *action)
{
    openAction = action;
    connect(action, &QAction::triggered, this, [this] {
        show();
        raise();
        activateWindow();
    });
    applyLanguage();
}

void listSendDlg::addEditButtons()
{
    auto make = [this](int at) {
        auto *b = new QPushButton(this);
        ui->horizontalLayout->insertWidget(at, b);
        return b;
    };
    addButton = make(0);
    removeButton = make(1);
    upButton = make(2);
    downButton = make(3);
    onceButton = make(4);
    startButton = make(5);
    signalsButton = make(6);
    signalsButton->setObjectName(QStringLiteral("signalsButton"));
    connect(signalsButton, &QPushButton::clicked, this, [this] {
        if (currentRow() >= 0)
            editSignals(currentRow());
    });
    connect(addButton, &QPushButton::clicked, this, [this] {
        stopRunning();
        const int r = currentRow();
        ListSendRow row = r >= 0 ? model->row(r) : ListSendRow{};
        model->addRow(r + 1, row);
        ui->tableView->selectRow(r + 1);
    });
    connect(removeButton, &QPushButton::clicked, this, [this] {
        stopRunning();
        model->removeRow(currentRow());
    });
    auto move = [this](int step) {
        const int r = currentRow();
        if (r < 0 || r + step < 0 || r + step >= model->rowCount())
            return;
        stopRunning();
        model->moveRow(r, r + step);
        ui->tableView->selectRow(r + step);
    };
    connect(upButton, &QPushButton::clicked, this, [move] { move(-1); });
    connect(downButton, &QPushButton::clicked, this, [move] { move(1); });
    connect(onceButton, &QPushButton::clicked, this, [this] {
        if (currentRow() >= 0)
            startRow(currentRow(), true);
    });
    connect(startButton, &QPushButton::clicked, this, [this] {
        if (currentRow() >= 0)
            startRow(currentRow(), false);
    });
}

void listSendDlg::applyLanguage()
{
    setWindowTitle(byLanguage("列表发送", "列表發送", "List send"));
    ui->pbnImport->setText(byLanguage("导入", "導入", "Import"));
    ui->pbnDerive->setText(byLanguage("导出", "導出", "Export"));
    ui->pbnSend->setText(byLanguage("发送", "發送", "Send"));
    ui->pbnStopSend->setText(byLanguage("停止发送", "停止發送", "Stop sending"));
    ui->pbnClose->setText(byLanguage("关闭", "關閉", "Close"));
    addButton->setText(byLanguage("添加", "添加", "Add"));
    removeButton->setText(byLanguage("删除", "刪除", "Remove"));
    upButton->setText(byLanguage("上移", "上移", "Up"));
    downButton->setText(byLanguage("下移", "下移", "Down"));
    onceButton->setText(byLanguage("发送一次", "發送一次", "Send once"));
    startButton->setText(byLanguage("启动本行", "啟動本行", "Start row"));
    signalsButton->setText(byLanguage("信号值…", "訊號值…", "Signal values…"));
    if (openAction)
        openAction->setText(byLanguage("列表发送(&L)", "列表發送(&L)", "List Send(&L)"));
    model->retranslate();
}

int listSendDlg::currentRow() const
{
    const QModelIndex index = ui->tableView->currentIndex();
    return index.isValid() ? index.row() : -1;
}

bool listSendDlg::startRow(int row, bool once)
{
    const ListSendRow &r = model->row(row);
    QString problem = r.problem();
    if (problem.isEmpty() && !isChannelOpen(uint32_t(r.channel)))
        problem = byLanguage("通道未打开", "通道未打開", "channel not open");
    std::shared_ptr<const ListSignalStepper> stepper;
    if (problem.isEmpty() && !r.boundMessage.isEmpty()) {
        const auto db = signalDatabases ? signalDatabases->database(r.channel) : nullptr;
        const DbcMessage *message = db ? messageNamed(*db, r.boundMessage) : nullptr;
        if (!message)
            problem = byLanguage("信号数据库中没有报文 %1", "訊號資料庫中沒有報文 %1",
                                 "no message %1 in the signal database")
                          .arg(r.boundMessage);
        else
            stepper = std::make_shared<const ListSignalStepper>(*message, r.signalValues);
    }
    model->setLastError(row, problem);
    if (!problem.isEmpty())
        return false;
    if (stepper && stepper->isEmpty())
        stepper.reset();
    sender->startRow(row, r.frame(), once ? 0 : r.periodMs, once ? 1 : r.count, stepper);
    return true;
}

void listSendDlg::editSignals(int row)
{
    const int channel = model->row(row).channel;
    ListSignalDialog editor(signalDatabases ? signalDatabases->database(channel) : nullptr,
                            model->row(row), this);
    if (editor.exec() != QDialog::Accepted)
        return;
    stopRunning();
    model->replaceRow(row, editor.editedRow());
}

void listSendDlg::on_pbnSend_clicked()
{
    int started = 0, refused = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (!model->row(row).enabled)
            continue;
        (startRow(row, false) ? started : refused) += 1;
    }
    emit log(byLanguage("列表发送: 已启动 %1 行, %2 行未启动",
                        "列表發送: 已啟動 %1 行, %2 行未啟動",
                        "list send: %1 rows started, %2 not started")
                 .arg(started)
                 .arg(refused));
}

void listSendDlg::on_pbnStopSend_clicked()
{
    stopRunning();
}

void listSendDlg::stopSending()
{
    stopRunning();
}

void listSendDlg::stopRunning()
{
    sender->stopAll();
    updateSentCounts();
}

void listSendDlg::rowEnded(int row, bool failed)
{
    if (failed)
        model->setLastError(row, byLanguage("发送失败", "發送失敗", "transmit failed"));
    updateSentCounts();
}

void listSendDlg::updateSentCounts()
{
    for (int row = 0; row < model->rowCount(); ++row)
        model->setSent(row, sender->sentCount(row));
}

void listSendDlg::rowEdited(int row)
{
    // A running row goes on with its new content, on a new schedule.
    if (sender->isRunning(row)) {
        sender->stopRow(row);
        startRow(row, false);
    }
    saveList();
}

void listSendDlg::saveList()
{
    if (restoring)
        return;
    QString error;
    if (!ListSendFile::write(storePath(), model->rows(), &error))
        emit log(byLanguage("列表发送: 无法保存列表: %1", "列表發送: 無法保存列表: %1",
                            "list send: cannot save the list: %1")
                     .arg(error));
}

void listSendDlg::restoreList()
{
    if (!QFile::exists(storePath()))
        return;
    const auto read = ListSendFile::read(storePath());
    if (!read.error.isEmpty()) {
        emit log(byLanguage("列表发送: 上次的列表未恢复: %1", "列表發送: 上次的列表未恢復: %1",
                            "list send: the last list was not restored: %1")
                     .arg(read.error));
        return;
    }
    restoring = true;
    model->setRows(read.rows);
    restoring = false;
}

void listSendDlg::on_pbnImport_clicked()
{
    const QString path =
        QFileDialog::getOpenFileName(this, byLanguage("导入列表", "導入列表", "Import list"),
                                     QString(), QStringLiteral("JSON (*.json)"));
    if (path.isEmpty())
        return;
    const auto read = ListSendFile::read(path);
    if (!read.error.isEmpty()) {
        showDialogMessage(this, MessageKind::Warning,
                          byLanguage("导入失败", "導入失敗", "Import failed"), read.error);
        return;
    }
    stopRunning();
    model->setRows(read.rows);
}

void listSendDlg::on_pbnDerive_clicked()
{
    QString path =
        QFileDialog::getSaveFileName(this, byLanguage("导出列表", "導出列表", "Export list"),
                                     QStringLiteral("list.json"), QStringLiteral("JSON (*.json)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
        path += QLatin1String(".json");
    QString error;
    if (!ListSendFile::write(path, model->rows(), &error))
        showDialogMessage(this, MessageKind::Warning,
                          byLanguage("导出失败", "導出失敗", "Export failed"), error);
}

void listSendDlg::on_pbnClose_clicked()
{
    hide();
}

void listSendDlg::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applyLanguage();
    }
    QDialog::changeEvent(event);
}
