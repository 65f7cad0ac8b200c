#include "signalwatchwindow.h"

#include "database/signaldatabases.h"
#include "database/signalpicker.h"
#include "settings/settingsstore.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
enum Column { Name, Value, Unit, Text, Minimum, Maximum, Rate, Count, Columns };
}

SignalWatchWindow::SignalWatchWindow(const SignalDatabases *databases, QWidget *parent)
    : QWidget(parent, Qt::Window), databases(databases), feed(databases),
      table(new QTableWidget(0, Columns, this)), chooseButton(new QPushButton(this)),
      resetButton(new QPushButton(this)), hint(new QLabel(this))
{
    setObjectName(QStringLiteral("signalWatchWindow"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(chooseButton);
    buttons->addWidget(resetButton);
    buttons->addWidget(hint, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(table);
    connect(chooseButton, &QPushButton::clicked, this, &SignalWatchWindow::chooseSignals);
    connect(resetButton, &QPushButton::clicked, this, &SignalWatchWindow::resetStats);
    connect(&cellTimer, &QTimer::timeout, this, &SignalWatchWindow::updateCells);
    cellTimer.start(250);
    rateClock.start();
    resize(900, 400);
    applyLanguage();
}

void SignalWatchWindow::applyLanguage()
{
    setWindowTitle(byLanguage("信号监视", "訊號監視", "Signal watch"));
    chooseButton->setText(byLanguage("选择信号…", "選擇訊號…", "Choose signals…"));
    resetButton->setText(byLanguage("复位统计", "重設統計", "Reset statistics"));
    hint->setText(databases->database(0) || databases->database(1)
                      ? QString()
                      : byLanguage("请先在“分析”菜单中加载信号数据库",
                                   "請先在「分析」選單中載入訊號資料庫",
                                   "Load a signal database from the Analysis menu first"));
    table->setHorizontalHeaderLabels(
        {byLanguage("信号", "訊號", "Signal"), byLanguage("值", "值", "Value"),
         byLanguage("单位", "單位", "Unit"), byLanguage("描述", "描述", "Text"),
         byLanguage("最小值", "最小值", "Minimum"), byLanguage("最大值", "最大值", "Maximum"),
         byLanguage("更新率 (/秒)", "更新率 (/秒)", "Rate (/s)"),
         byLanguage("次数", "次數", "Count")});
}

void SignalWatchWindow::chooseSignals()
{
    SignalPicker picker(databases, feed.selection(), this);
    if (picker.exec() == QDialog::Accepted)
        setSelection(picker.chosen());
}

void SignalWatchWindow::setSelection(const std::vector<SignalRef> &refs)
{
    feed.setSelection(refs);
    resetStats();
}

void SignalWatchWindow::databasesChanged()
{
    feed.rebind();
    applyLanguage();
    rebuildRows();
}

void SignalWatchWindow::resetStats()
{
    stats.assign(feed.selection().size(), Stats());
    rateClock.restart();
    rebuildRows();
}

void SignalWatchWindow::rebuildRows()
{
    table->setRowCount(int(feed.selection().size()));
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int c = 0; c < Columns; ++c) {
            if (!table->item(row, c))
                table->setItem(row, c, new QTableWidgetItem);
        }
        table->item(row, Name)->setText(feed.label(row));
        const DbcSignal *s = feed.signalOf(row);
        table->item(row, Unit)->setText(s ? s->unit : QString());
    }
    updateCells();
    table->resizeColumnToContents(Name);
}

void SignalWatchWindow::takeRecords(const QList<ModelItem> &records)
{
    samples.clear();
    feed.feed(records, samples);
    for (const SignalSample &sample : samples) {
        Stats &s = stats[size_t(sample.slot)];
        s.latest = sample.physical;
        s.raw = sample.raw;
        s.minimum = s.seen ? std::min(s.minimum, sample.physical) : sample.physical;
        s.maximum = s.seen ? std::max(s.maximum, sample.physical) : sample.physical;
        s.seen = true;
        ++s.count;
    }
}

void SignalWatchWindow::updateCells()
{
    // Rates over the time since the last update of at least one second.
    const qint64 ms = rateClock.elapsed();
    const bool newRate = ms >= 1000;
    for (int row = 0; row < table->rowCount() && size_t(row) < stats.size(); ++row) {
        Stats &s = stats[size_t(row)];
        if (newRate) {
            s.rate = double(s.count - s.countAtLastRate) * 1000.0 / double(ms);
            s.countAtLastRate = s.count;
        }
        if (!table->item(row, Value))
            continue;
        const DbcSignal *signal = feed.signalOf(row);
        if (!signal) {
            table->item(row, Value)
                ->setText(
                    byLanguage("数据库中没有此信号", "資料庫中沒有此訊號", "not in the database"));
            continue;
        }
        if (!s.seen)
            continue;
        table->item(row, Value)->setText(QString::number(s.latest, 'g', 10));
        table->item(row, Text)->setText(signal->valueText(s.raw));
        table->item(row, Minimum)->setText(QString::number(s.minimum, 'g', 10));
        table->item(row, Maximum)->setText(QString::number(s.maximum, 'g', 10));
        table->item(row, Rate)->setText(QString::number(s.rate, 'f', 1));
        table->item(row, Count)->setText(QString::number(s.count));
    }
    if (newRate)
        rateClock.restart();
}
