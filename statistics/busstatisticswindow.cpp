#include "statistics/busstatisticswindow.h"

#include "database/signalplotparts.h"
#include "settings/settingsstore.h"
#include "statistics/busstatistics.h"
#include "statistics/losswatch.h"

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString loadText(const ChannelLoad &load, double value)
{
    return load.known() ? QString::number(value * 100.0, 'f', 2) + QLatin1String(" %")
                        : QStringLiteral("—");
}

QString lossText(int64_t count)
{
    return count < 0 ? QStringLiteral("—") : QString::number(count);
}

} // namespace

BusStatisticsWindow::BusStatisticsWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), table(new QTableWidget(RowCount, 2, this)),
      plot(new QwtPlot(this)), hint(new QLabel(this)), resetButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("busStatisticsWindow"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int row = 0; row < RowCount; ++row) {
        for (int ch = 0; ch < 2; ++ch) {
            auto *item = new QTableWidgetItem(QStringLiteral("0"));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(row, ch, item);
        }
    }
    table->setSpan(QueueDepth, 0, 1, 2);
    setUpSignalPlot(plot);
    plot->setAxisScale(QwtPlot::xBottom, -ChannelLoad::HistorySeconds, 0);
    plot->setAxisAutoScale(QwtPlot::yLeft, true);
    for (int ch = 0; ch < 2; ++ch) {
        curves[ch] = newSignalCurve(QString(), size_t(ch));
        curves[ch]->setStyle(QwtPlotCurve::Lines);
        curves[ch]->attach(plot);
    }
    hint->setWordWrap(true);
    connect(resetButton, &QPushButton::clicked, this, &BusStatisticsWindow::resetRequested);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(hint, 1);
    buttons->addWidget(resetButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table, 3);
    layout->addWidget(plot, 2);
    layout->addLayout(buttons);
    resize(620, 820);
    applyLanguage();
}

void BusStatisticsWindow::applyLanguage()
{
    setWindowTitle(byLanguage("总线统计", "匯流排統計", "Bus statistics"));
    resetButton->setText(byLanguage("复位统计", "重設統計", "Reset statistics"));
    hint->setText(byLanguage("负载按每帧在总线上的实际位数与通道波特率计算；错误帧不计入负载。",
                             "負載按每幀在匯流排上的實際位元數與通道鮑率計算；錯誤幀不計入負載。",
                             "The load counts each frame's exact bits on the wire at the "
                             "channel's bit rates; error frames are not in it."));
    table->setHorizontalHeaderLabels(
        {byLanguage("通道1", "通道1", "Channel 1"), byLanguage("通道2", "通道2", "Channel 2")});
    table->setVerticalHeaderLabels({
        byLanguage("帧/秒", "幀/秒", "Frames/s"),
        byLanguage("数据字节/秒", "資料位元組/秒", "Payload bytes/s"),
        byLanguage("总线负载（当前）", "匯流排負載（目前）", "Bus load (current)"),
        byLanguage("总线负载（峰值）", "匯流排負載（峰值）", "Bus load (peak)"),
        byLanguage("总线负载（平均）", "匯流排負載（平均）", "Bus load (average)"),
        byLanguage("帧总数", "幀總數", "Frames"),
        byLanguage("CAN 帧", "CAN 幀", "CAN frames"),
        byLanguage("CAN FD 帧", "CAN FD 幀", "CAN FD frames"),
        byLanguage("CAN FD 加速帧", "CAN FD 加速幀", "CAN FD with bit-rate switch"),
        byLanguage("标准帧", "標準幀", "Standard frames"),
        byLanguage("扩展帧", "擴展幀", "Extended frames"),
        byLanguage("数据帧", "數據幀", "Data frames"),
        byLanguage("远程帧", "遠程幀", "Remote frames"),
        byLanguage("错误帧", "錯誤幀", "Error frames"),
        byLanguage("丢失：适配器接收 FIFO 溢出", "遺失：轉接器接收 FIFO 溢位",
                   "Lost: adapter receive FIFO overflow"),
        byLanguage("丢失：QtSerialBus 队列已满", "遺失：QtSerialBus 佇列已滿",
                   "Lost: QtSerialBus queue full"),
        byLanguage("待显示队列（当前 / 峰值，不丢帧）", "待顯示佇列（目前 / 峰值，不丟幀）",
                   "Pending-frame queue (now / peak, never drops)"),
    });
    plot->setAxisTitle(QwtPlot::xBottom, byLanguage("秒（距现在）", "秒（距現在）", "Seconds ago"));
    plot->setAxisTitle(QwtPlot::yLeft, byLanguage("负载 %", "負載 %", "Load %"));
    curves[0]->setTitle(byLanguage("通道1", "通道1", "Channel 1"));
    curves[1]->setTitle(byLanguage("通道2", "通道2", "Channel 2"));
}

void BusStatisticsWindow::setCell(int row, int ch, const QString &text)
{
    QTableWidgetItem *item = table->item(row, ch);
    if (item->text() != text)
        item->setText(text);
}

void BusStatisticsWindow::showStatistics(const BusStatistics &statistics, const LossWatch &losses)
{
    for (int ch = 0; ch < 2; ++ch) {
        const ChannelStatistics &c = statistics.channel(ch);
        const FrameKindCounts &t = c.totals;
        setCell(FramesPerSecond, ch, QString::number(c.framesPerSecond, 'f', 0));
        setCell(BytesPerSecond, ch, QString::number(c.bytesPerSecond, 'f', 0));
        setCell(LoadCurrent, ch, loadText(c.load, c.load.current()));
        setCell(LoadPeak, ch, loadText(c.load, c.load.peak()));
        setCell(LoadAverage, ch, loadText(c.load, c.load.average()));
        const uint64_t counts[] = {t.frames,   t.classic,  t.fd,   t.fdBitRateSwitch,
                                   t.standard, t.extended, t.data, t.remote,
                                   t.error};
        for (int i = 0; i < int(std::size(counts)); ++i)
            setCell(Frames + i, ch, QString::number(counts[i]));
        setCell(FifoOverflow, ch, lossText(losses.fifoOverflow(ch)));
        setCell(SerialBusDropped, ch, lossText(losses.backendDropped(ch)));
    }
    setCell(QueueDepth, 0,
            QStringLiteral("%1 / %2").arg(losses.lastQueueDepth()).arg(losses.peakQueueDepth()));
    if (isVisible())
        showPlot(statistics);
}

void BusStatisticsWindow::showPlot(const BusStatistics &statistics)
{
    for (int ch = 0; ch < 2; ++ch) {
        const QVector<float> &history = statistics.channel(ch).load.history();
        QVector<QPointF> points;
        points.reserve(history.size());
        for (int i = 0; i < history.size(); ++i) {
            if (history[i] >= 0)
                points.append(QPointF(i - history.size() + 1, double(history[i]) * 100.0));
        }
        curves[ch]->setSamples(points);
    }
    plot->replot();
}

QString BusStatisticsWindow::cellText(int row, int ch) const
{
    return table->item(row, ch)->text();
}

int BusStatisticsWindow::rowCount() const
{
    return table->rowCount();
}
