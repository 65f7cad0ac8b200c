#include "logview/logviewer.h"

#include "app/screenscale.h"
#include "database/signaldatabases.h"
#include "database/signalpicker.h"
#include "logview/logreplaydialog.h"
#include "logview/logsignalplot.h"
#include "logview/logtablemodel.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int MaxCopiedRows = 100000;

QString spanText(int64_t us)
{
    return QString::number(double(us) / 1e6, 'f', 6);
}

struct ExportFormat
{
    LogFormat format;
    const char *filter;
};
const ExportFormat ExportFormats[] = {{LogFormat::Blf, "Vector BLF (*.blf)"},
                                      {LogFormat::Asc, "Vector ASC (*.asc)"},
                                      {LogFormat::Candump, "candump log (*.log)"},
                                      {LogFormat::Trc, "PEAK TRC (*.trc)"},
                                      {LogFormat::Csv, "CSV (*.csv)"}};

} // namespace

LogViewer::LogViewer(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("logViewer"));
    buildWidgets();
    retranslate();
    updateControls();
    resize(1100, 700);
    followScreenScale(this);
}

LogViewer::~LogViewer()
{
    if (replaying && replayStop)
        replayStop();
    cancelWork();
}

void LogViewer::buildWidgets()
{
    rows = new LogTableModel(this);
    auto *layout = new QVBoxLayout(this);
    auto *controls = new QHBoxLayout;
    openButton = new QPushButton(this);
    channelLabel = new QLabel(this);
    channelChoice = new QComboBox(this);
    channelChoice->setObjectName(QStringLiteral("channelChoice"));
    idLabel = new QLabel(this);
    idEdit = new QLineEdit(this);
    idEdit->setObjectName(QStringLiteral("idEdit"));
    idEdit->setMinimumWidth(160);
    filterButton = new QPushButton(this);
    clearFilterButton = new QPushButton(this);
    timeLabel = new QLabel(this);
    timeEdit = new QLineEdit(this);
    timeEdit->setObjectName(QStringLiteral("timeEdit"));
    timeEdit->setMinimumWidth(150);
    goButton = new QPushButton(this);
    copyButton = new QPushButton(this);
    exportButton = new QPushButton(this);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    replayButton = new QPushButton(this);
    replayButton->setObjectName(QStringLiteral("replayButton"));
    plotButton = new QPushButton(this);
    plotButton->setObjectName(QStringLiteral("plotButton"));
    for (QWidget *w : std::initializer_list<QWidget *>{
             openButton, channelLabel, channelChoice, idLabel, idEdit, filterButton,
             clearFilterButton, timeLabel, timeEdit, goButton, copyButton, exportButton,
             replayButton, plotButton})
        controls->addWidget(w);
    controls->addStretch();
    layout->addLayout(controls);

    view = new QTableView(this);
    view->setObjectName(QStringLiteral("logTable"));
    view->setModel(rows);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {80, 100, 100, 60, 50, 100, 130, 90, 45, 150, 250};
    for (int column = 0; column < LogTableModel::SignalsColumn; ++column)
        view->setColumnWidth(column, widths[column]);
    view->setColumnHidden(LogTableModel::SignalsColumn, true);
    layout->addWidget(view, 1);

    auto *progressRow = new QHBoxLayout;
    progressLabel = new QLabel(this);
    progress = new QProgressBar(this);
    progress->setRange(0, 100);
    cancelButton = new QPushButton(this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    progressRow->addWidget(progressLabel);
    progressRow->addWidget(progress, 1);
    progressRow->addWidget(cancelButton);
    layout->addLayout(progressRow);
    status = new QLabel(this);
    status->setObjectName(QStringLiteral("statusLine"));
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message = new QLabel(this);
    message->setObjectName(QStringLiteral("messageLine"));
    message->setWordWrap(true);
    layout->addWidget(status);
    layout->addWidget(message);

    connect(openButton, &QPushButton::clicked, this, &LogViewer::chooseFile);
    connect(filterButton, &QPushButton::clicked, this, &LogViewer::filterFromControls);
    connect(idEdit, &QLineEdit::returnPressed, this, &LogViewer::filterFromControls);
    connect(clearFilterButton, &QPushButton::clicked, this, [this] {
        idEdit->clear();
        channelChoice->setCurrentIndex(0);
        applyFilter(-1, QString());
    });
    const auto go = [this] { goToTime(timeEdit->text()); };
    connect(goButton, &QPushButton::clicked, this, go);
    connect(timeEdit, &QLineEdit::returnPressed, this, go);
    connect(copyButton, &QPushButton::clicked, this, &LogViewer::copySelection);
    auto *copyShortcut = new QShortcut(QKeySequence::Copy, view);
    copyShortcut->setContext(Qt::WidgetShortcut);
    connect(copyShortcut, &QShortcut::activated, this, &LogViewer::copySelection);
    connect(exportButton, &QPushButton::clicked, this, &LogViewer::chooseExport);
    connect(replayButton, &QPushButton::clicked, this, &LogViewer::chooseReplay);
    connect(plotButton, &QPushButton::clicked, this, &LogViewer::choosePlotSignals);
    connect(cancelButton, &QPushButton::clicked, this, &LogViewer::cancelWork);
}

void LogViewer::setReplayHandlers(ReplayStarter start, std::function<void()> stop)
{
    replayStart = std::move(start);
    replayStop = std::move(stop);
    updateControls();
}

bool LogViewer::openFile(const QString &file)
{
    cancelWork();
    indexer.reset();
    const LogFormat found = logFormatOfPath(file);
    path = file;
    format = found;
    indexed = false;
    summary = LogIndexSummary();
    maxChannel = -1;
    fillChannelChoices();
    QString error;
    if (found == LogFormat::None) {
        rows->open(QString(), LogFormat::None, nullptr);
        showMessage(byLanguage("不支持的文件类型：", "不支援的檔案類型：",
                               "Not a log format Larkspur reads: ") +
                        QFileInfo(file).fileName(),
                    true);
        updateStatus();
        updateControls();
        return false;
    }
    if (!rows->open(file, found, &error)) {
        showMessage(byLanguage("无法打开日志：", "無法開啟日誌：", "Cannot open the log: ") + error,
                    true);
        updateStatus();
        updateControls();
        return false;
    }
    rows->setFilter(LogFrameFilter());
    idEdit->clear();
    showMessage(QString(), false);
    indexer = std::make_unique<LogIndexer>(file, found);
    // Signals of an indexer already replaced by the next file's may still be queued; the
    // generation tells them apart (a new indexer may even have the old one's address).
    const int generation = ++indexGeneration;
    connect(indexer.get(), &LogIndexer::batchReady, this, [this, generation] {
        if (generation == indexGeneration)
            onBatch();
    });
    connect(indexer.get(), &LogIndexer::indexed, this, [this, generation] {
        if (generation == indexGeneration)
            onIndexed();
    });
    progress->setValue(0);
    indexer->start();
    retranslate();
    updateStatus();
    updateControls();
    return true;
}

void LogViewer::onBatch()
{
    if (!indexer)
        return;
    qint64 bytesRead = 0;
    qint64 fileSize = 0;
    const QVector<LogIndexEntry> entries = indexer->takeBatch(&bytesRead, &fileSize);
    if (entries.isEmpty())
        return;
    const bool first = rows->frameCount() == 0;
    for (const LogIndexEntry &entry : entries)
        maxChannel = std::max<int>(maxChannel, entry.channel);
    rows->appendEntries(entries);
    if (first) {
        LogFrame frame;
        if (rows->frameCount() > 0 && rows->frameOfRow(0, frame))
            rows->setTimeBase(frame.timeUs, rows->absoluteTime());
    }
    if (channelChoice->count() < maxChannel + 2)
        fillChannelChoices();
    progress->setValue(fileSize > 0 ? int(bytesRead * 100 / fileSize) : 0);
    updateStatus();
}

void LogViewer::onIndexed()
{
    if (!indexer)
        return;
    const LogIndexSummary result = indexer->result();
    summary = result;
    indexed = true;
    indexer.reset();
    rows->setTimeBase(result.firstUs, result.absolute);
    progress->setValue(100);
    if (!result.error.isEmpty())
        showMessage(byLanguage("读取中断：", "讀取中斷：", "Reading stopped: ") + result.error,
                    true);
    else if (result.cancelled)
        showMessage(byLanguage("索引已取消，只显示已读到的帧。", "索引已取消，只顯示已讀到的幀。",
                               "Indexing cancelled: only the frames read so far are shown."),
                    true);
    fillChannelChoices();
    updateStatus();
    updateControls();
    emit indexingFinished();
}

void LogViewer::fillChannelChoices()
{
    const int current = channelChoice->currentIndex();
    channelChoice->blockSignals(true);
    channelChoice->clear();
    channelChoice->addItem(byLanguage("全部", "全部", "all"), -1);
    for (int ch = 0; ch <= std::max(maxChannel, 1); ++ch)
        channelChoice->addItem(QString::number(ch + 1), ch);
    channelChoice->setCurrentIndex(std::max(0, std::min(current, channelChoice->count() - 1)));
    channelChoice->blockSignals(false);
}

bool LogViewer::applyFilter(int channel, const QString &identifiers)
{
    LogFrameFilter filter;
    if (!filter.setIdentifiers(identifiers)) {
        showMessage(byLanguage("ID 格式错误：请输入十六进制 ID 或范围，如 100-1FF, 7DF",
                               "ID 格式錯誤：請輸入十六進位 ID 或範圍，如 100-1FF, 7DF",
                               "Invalid identifiers: give hexadecimal IDs or ranges such as "
                               "100-1FF, 7DF"),
                    true);
        return false;
    }
    filter.setChannel(channel);
    rows->setFilter(filter);
    showMessage(QString(), false);
    updateStatus();
    return true;
}

void LogViewer::filterFromControls()
{
    applyFilter(channelChoice->currentData().toInt(), idEdit->text());
}

// "12.5" is seconds after the first frame; "hh:mm:ss[.zzz]" a time of day.
bool LogViewer::goToTime(const QString &text)
{
    LogFrame first;
    if (rows->rowCount() == 0 || !rows->frameOfRow(0, first))
        return false;
    const QString trimmed = text.trimmed();
    int64_t target = 0;
    bool ok = false;
    const double seconds = trimmed.toDouble(&ok);
    const int64_t base = indexed ? summary.firstUs : first.timeUs;
    if (ok) {
        target = base + int64_t(seconds * 1e6);
    } else {
        QTime clock = QTime::fromString(trimmed, QStringLiteral("h:mm:ss.zzz"));
        if (!clock.isValid())
            clock = QTime::fromString(trimmed, QStringLiteral("h:mm:ss"));
        if (!clock.isValid()) {
            showMessage(byLanguage("时间格式：秒数（如 12.5）或 hh:mm:ss.zzz",
                                   "時間格式：秒數（如 12.5）或 hh:mm:ss.zzz",
                                   "Time: seconds from the start (12.5) or hh:mm:ss.zzz"),
                        true);
            return false;
        }
        const bool absolute = rows->absoluteTime();
        if (absolute) {
            const QDateTime start = QDateTime::fromMSecsSinceEpoch(base / 1000, Qt::LocalTime);
            QDateTime moment(start.date(), clock, Qt::LocalTime);
            if (moment < start.addSecs(-1))
                moment = moment.addDays(1);
            target = moment.toMSecsSinceEpoch() * 1000;
        } else {
            target = int64_t(clock.msecsSinceStartOfDay()) * 1000;
        }
    }
    const int row = rows->rowAtTime(target);
    view->selectRow(row);
    view->scrollTo(rows->index(row, 0), QAbstractItemView::PositionAtTop);
    showMessage(QString(), false);
    return true;
}

QString LogViewer::copySelection()
{
    QModelIndexList selected = view->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return QString();
    if (selected.size() > MaxCopiedRows) {
        showMessage(byLanguage("一次最多复制 100000 行，请缩小选择或使用导出。",
                               "一次最多複製 100000 行，請縮小選擇或使用匯出。",
                               "At most 100000 rows can be copied at once: select fewer or "
                               "export them."),
                    true);
        return QString();
    }
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList lines;
    QStringList header;
    for (int column = 0; column < LogTableModel::FrameColumns; ++column)
        header << rows->headerData(column, Qt::Horizontal).toString();
    lines << header.join(QLatin1Char('\t'));
    for (const QModelIndex &index : selected)
        lines << rows->rowTexts(index.row()).join(QLatin1Char('\t'));
    const QString text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    QApplication::clipboard()->setText(text);
    showMessage(
        byLanguage("已复制 %1 行。", "已複製 %1 行。", "%1 rows copied.").arg(selected.size()),
        false);
    return text;
}

bool LogViewer::runExporter(const LogExporter::Job &job, bool forReplay)
{
    if (exporter || indexer || format == LogFormat::None)
        return false;
    exportForReplay = forReplay;
    exporter = std::make_unique<LogExporter>(job);
    connect(exporter.get(), &LogExporter::progressed, progress, &QProgressBar::setValue);
    const int generation = ++exportGeneration;
    connect(exporter.get(), &LogExporter::exported, this, [this, generation, forReplay] {
        if (generation != exportGeneration || !exporter)
            return;
        const LogExportResult result = exporter->result();
        forReplay ? onReplayFileReady(result) : onExported(result);
    });
    progress->setValue(0);
    exporter->start();
    retranslate();
    updateControls();
    return true;
}

bool LogViewer::startExport(const QString &target, LogFormat targetFormat, bool shownOnly)
{
    LogExporter::Job job;
    job.source = path;
    job.sourceFormat = format;
    job.target = target;
    job.targetFormat = targetFormat;
    if (shownOnly)
        job.filter = rows->filter();
    return runExporter(job, false);
}

void LogViewer::onExported(const LogExportResult &result)
{
    exporter.reset();
    if (result.cancelled) {
        showMessage(byLanguage("导出已取消，未写入文件。", "匯出已取消，未寫入檔案。",
                               "Export cancelled; no file written."),
                    true);
    } else if (!result.error.isEmpty()) {
        showMessage(byLanguage("导出失败：", "匯出失敗：", "Export failed: ") + result.error, true);
    } else {
        QString text = byLanguage("已导出 %1 帧。", "已匯出 %1 幀。", "%1 frames exported.")
                           .arg(result.written);
        if (result.leftOut > 0)
            text += QLatin1Char(' ') + byLanguage("%1 个错误帧无法写入该格式，已略去。",
                                                  "%1 個錯誤幀無法寫入該格式，已略去。",
                                                  "%1 error frames left out: the format "
                                                  "cannot hold them.")
                                           .arg(result.leftOut);
        showMessage(text, result.leftOut > 0);
    }
    updateControls();
    retranslate();
    emit exportFinished(result);
}

void LogViewer::chooseExport()
{
    QStringList filters;
    for (const ExportFormat &entry : ExportFormats)
        filters << QLatin1String(entry.filter);
    QString chosenFilter;
    QString target =
        QFileDialog::getSaveFileName(this, byLanguage("导出日志", "匯出日誌", "Export log"),
                                     QString(), filters.join(QLatin1String(";;")), &chosenFilter);
    if (target.isEmpty())
        return;
    LogFormat targetFormat = logFormatOfPath(target);
    if (targetFormat == LogFormat::None) {
        for (const ExportFormat &entry : ExportFormats) {
            if (chosenFilter == QLatin1String(entry.filter)) {
                targetFormat = entry.format;
                target += QLatin1Char('.') + logFormatExtension(entry.format);
            }
        }
    }
    bool shownOnly = false;
    if (rows->filtered()) {
        QMessageBox ask(QMessageBox::Question, byLanguage("导出日志", "匯出日誌", "Export log"),
                        byLanguage("导出哪些帧？", "匯出哪些幀？", "Which frames?"),
                        QMessageBox::NoButton, this);
        QPushButton *shown = ask.addButton(
            byLanguage("筛选后的帧", "篩選後的幀", "Filtered frames"), QMessageBox::AcceptRole);
        QPushButton *all =
            ask.addButton(byLanguage("全部帧", "全部幀", "All frames"), QMessageBox::AcceptRole);
        ask.addButton(QMessageBox::Cancel);
        ask.exec();
        if (ask.clickedButton() != shown && ask.clickedButton() != all)
            return;
        shownOnly = ask.clickedButton() == shown;
    }
    startExport(target, targetFormat, shownOnly);
}

bool LogViewer::startReplay(int channel, int interval)
{
    if (replaying || !replayStart || !replayDir.isValid())
        return false;
    replayChannel = channel;
    replayInterval = interval;
    LogExporter::Job job;
    job.source = path;
    job.sourceFormat = format;
    job.target = replayDir.filePath(QStringLiteral("replay.csv"));
    job.targetFormat = LogFormat::Csv;
    job.filter = rows->filter();
    return runExporter(job, true);
}

void LogViewer::onReplayFileReady(const LogExportResult &result)
{
    exporter.reset();
    if (!result.error.isEmpty() || result.cancelled) {
        showMessage(
            byLanguage("回放未开始：", "回放未開始：", "Replay not started: ") +
                (result.cancelled ? byLanguage("已取消", "已取消", "cancelled") : result.error),
            true);
    } else if (!replayStart(replayDir.filePath(QStringLiteral("replay.csv")), replayInterval,
                            replayChannel)) {
        showMessage(byLanguage("回放未开始：发送线程正忙。", "回放未開始：發送線程正忙。",
                               "Replay not started: the send thread is busy."),
                    true);
    } else {
        replaying = true;
        showMessage(byLanguage("正在回放 %1 帧…", "正在回放 %1 幀…", "Replaying %1 frames…")
                        .arg(result.written),
                    false);
    }
    updateControls();
    retranslate();
}

void LogViewer::chooseReplay()
{
    if (replaying) {
        if (replayStop)
            replayStop();
        return;
    }
    LogReplayDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        startReplay(dialog.channelChoice(), dialog.interval());
}

void LogViewer::replayEnded(uint channel)
{
    if (channel != 0 || !replaying)
        return;
    replaying = false;
    showMessage(byLanguage("回放结束。", "回放結束。", "Replay ended."), false);
    updateControls();
    retranslate();
}

void LogViewer::chooseFile()
{
    const QString file = QFileDialog::getOpenFileName(
        this, byLanguage("打开日志", "開啟日誌", "Open log"), QFileInfo(path).path(),
        byLanguage("日志文件", "日誌檔案", "Log files") +
            QStringLiteral(" (*.log *.asc *.blf *.trc *.csv);;") +
            byLanguage("所有文件", "所有檔案", "All files") + QStringLiteral(" (*)"));
    if (!file.isEmpty())
        openFile(file);
}

void LogViewer::cancelWork()
{
    if (indexer)
        indexer->cancel();
    if (exporter)
        exporter->cancel();
}

void LogViewer::closeEvent(QCloseEvent *event)
{
    if (replaying && replayStop)
        replayStop();
    cancelWork();
    QWidget::closeEvent(event);
}

void LogViewer::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        rows->retranslate();
        fillChannelChoices();
        updateStatus();
    }
    QWidget::changeEvent(event);
}

void LogViewer::showMessage(const QString &text, bool failure)
{
    lastMessage = text;
    lastFailed = failure;
    message->setText(text);
    message->setStyleSheet(failure ? QStringLiteral("color: rgb(192, 0, 0);") : QString());
}

QString LogViewer::messageText() const
{
    return lastMessage;
}

QString LogViewer::statusText() const
{
    return status->text();
}

void LogViewer::updateStatus()
{
    if (format == LogFormat::None) {
        status->setText(byLanguage("未打开日志", "未開啟日誌", "No log open"));
        return;
    }
    QStringList parts;
    parts << QFileInfo(path).fileName() + QStringLiteral(" (") + logFormatName(format).toUpper() +
                 QLatin1Char(')');
    const qint64 frames = rows->frameCount();
    if (!indexed)
        parts
            << byLanguage("正在索引… %1 帧", "正在索引… %1 幀", "indexing… %1 frames").arg(frames);
    else
        parts << byLanguage("帧数：%1", "幀數：%1", "frames: %1").arg(frames);
    if (rows->filtered())
        parts << byLanguage("显示：%1", "顯示：%1", "shown: %1").arg(rows->rowCount());
    if (indexed) {
        parts << byLanguage("时间跨度：%1 s", "時間跨度：%1 s", "time span: %1 s")
                     .arg(spanText(frames > 0 ? summary.lastUs - summary.firstUs : 0));
        if (summary.absolute && frames > 0)
            parts << byLanguage("开始：%1", "開始：%1", "start: %1")
                         .arg(QDateTime::fromMSecsSinceEpoch(summary.firstUs / 1000, Qt::LocalTime)
                                  .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")));
        parts << byLanguage("跳过的记录：%1 损坏，%2 非帧", "跳過的記錄：%1 損壞，%2 非幀",
                            "skipped records: %1 damaged, %2 not frames")
                     .arg(summary.damaged)
                     .arg(summary.skipped);
    }
    const QDate assumed = rows->assumedDate();
    if (assumed.isValid())
        parts << byLanguage("文件无日期，假定为 %1", "檔案無日期，假定為 %1",
                            "the file has no date; %1 assumed")
                     .arg(assumed.toString(Qt::ISODate));
    status->setText(parts.join(QStringLiteral("  |  ")));
}

void LogViewer::updateControls()
{
    const bool open = format != LogFormat::None;
    const bool busy = exporter != nullptr;
    const bool working = indexer || exporter;
    exportButton->setEnabled(open && indexed && !busy);
    replayButton->setEnabled(open && indexed && !busy && replayStart);
    plotButton->setEnabled(open && indexed && signalDatabases &&
                           (signalDatabases->database(0) || signalDatabases->database(1)));
    copyButton->setEnabled(open);
    progress->setVisible(working);
    progressLabel->setVisible(working);
    cancelButton->setVisible(working);
    openButton->setEnabled(!busy);
}

void LogViewer::retranslate()
{
    setWindowTitle(
        byLanguage("日志查看", "日誌檢視", "Log viewer") +
        (path.isEmpty() ? QString() : QStringLiteral(" - ") + QFileInfo(path).fileName()));
    openButton->setText(byLanguage("打开…", "開啟…", "Open…"));
    channelLabel->setText(byLanguage("通道：", "通道：", "Channel:"));
    idLabel->setText(byLanguage("ID：", "ID：", "ID:"));
    idEdit->setPlaceholderText(
        byLanguage("如 100-1FF, 7DF", "如 100-1FF, 7DF", "e.g. 100-1FF, 7DF"));
    filterButton->setText(byLanguage("筛选", "篩選", "Filter"));
    clearFilterButton->setText(byLanguage("清除筛选", "清除篩選", "Clear filter"));
    timeLabel->setText(byLanguage("时间：", "時間：", "Time:"));
    timeEdit->setPlaceholderText(
        byLanguage("秒 或 hh:mm:ss.zzz", "秒 或 hh:mm:ss.zzz", "s or hh:mm:ss.zzz"));
    goButton->setText(byLanguage("转到", "轉到", "Go to"));
    copyButton->setText(byLanguage("复制", "複製", "Copy"));
    exportButton->setText(byLanguage("导出…", "匯出…", "Export…"));
    replayButton->setText(replaying
                              ? byLanguage("停止回放", "停止回放", "Stop replay")
                              : byLanguage("回放到总线…", "回放到總線…", "Replay on the bus…"));
    plotButton->setText(byLanguage("信号曲线…", "訊號曲線…", "Plot signals…"));
    cancelButton->setText(byLanguage("取消", "取消", "Cancel"));
    progressLabel->setText(
        exporter ? (exportForReplay ? byLanguage("准备回放", "準備回放", "Preparing the replay")
                                    : byLanguage("正在导出", "正在匯出", "Exporting"))
                 : byLanguage("正在索引", "正在索引", "Indexing"));
}

// ---- signals ----

namespace {
constexpr int SignalsColumnWidth = 450;
}

void LogViewer::setSignalDatabases(const SignalDatabases *databases)
{
    signalDatabases = databases;
    connect(databases, &SignalDatabases::changed, this, &LogViewer::applyDatabases);
    applyDatabases();
}

void LogViewer::applyDatabases()
{
    auto channel1 = signalDatabases->database(0);
    auto channel2 = signalDatabases->database(1);
    const bool decoding = channel1 || channel2;
    if (decoding && view->isColumnHidden(LogTableModel::SignalsColumn)) {
        // The window grows by the new column, as far as the screen allows.
        view->setColumnHidden(LogTableModel::SignalsColumn, false);
        view->setColumnWidth(LogTableModel::SignalsColumn, SignalsColumnWidth);
        resize(fitToScreen(QSize(width() + SignalsColumnWidth, height())));
    } else if (!decoding) {
        view->setColumnHidden(LogTableModel::SignalsColumn, true);
    }
    rows->setDatabases(std::move(channel1), std::move(channel2));
    updateControls();
}

void LogViewer::choosePlotSignals()
{
    SignalPicker picker(signalDatabases, {}, this);
    if (picker.exec() == QDialog::Accepted && !picker.chosen().empty())
        plotSignals(picker.chosen());
}

LogSignalPlot *LogViewer::plotSignals(const std::vector<SignalRef> &refs)
{
    if (!indexed || !signalDatabases || refs.empty())
        return nullptr;
    LogSignalScan::Job job{path, format, summary.firstUs, SignalFeed(signalDatabases)};
    job.feed.setSelection(refs);
    QStringList labels;
    for (size_t slot = 0; slot < refs.size(); ++slot) {
        QString label = job.feed.label(int(slot));
        const DbcSignal *s = job.feed.signalOf(int(slot));
        if (s && !s->unit.isEmpty())
            label += QStringLiteral(" [%1]").arg(s->unit);
        labels << label;
    }
    auto *plot = new LogSignalPlot(std::move(job), labels, this);
    plot->show();
    return plot;
}
