#include "logview/logsignalplot.h"

#include "database/signalplotparts.h"
#include "settings/settingsstore.h"

#include <QLabel>
#include <QVBoxLayout>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <algorithm>
#include <iterator>

LogSignalPlot::LogSignalPlot(LogSignalScan::Job job, const QStringList &labels, QWidget *parent)
    : QWidget(parent, Qt::Window), labels(labels),
      scan(std::make_unique<LogSignalScan>(std::move(job))), plot(new QwtPlot(this)),
      status(new QLabel(this))
{
    setObjectName(QStringLiteral("logSignalPlot"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(byLanguage("日志信号曲线", "日誌訊號曲線", "Log signal plot"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(plot, 1);
    layout->addWidget(status);
    setUpSignalPlot(plot);
    plot->setAxisTitle(QwtPlot::xBottom, byLanguage("时间（秒）", "時間（秒）", "Time (s)"));
    status->setText(byLanguage("正在读取文件…", "正在讀取檔案…", "Reading the file…"));
    connect(scan.get(), &LogSignalScan::progressed, this, [this](int percent) {
        status->setText(
            byLanguage("正在读取文件… %1%", "正在讀取檔案… %1%", "Reading the file… %1%")
                .arg(percent));
    });
    connect(scan.get(), &LogSignalScan::scanned, this, &LogSignalPlot::onScanned);
    resize(1000, 600);
    scan->start();
}

LogSignalPlot::~LogSignalPlot() = default; // the scan's destructor cancels and waits

void LogSignalPlot::onScanned()
{
    result = scan->takeResult();
    scan.reset();
    if (!result.error.isEmpty()) {
        status->setText(
            byLanguage("无法读取文件：%1", "無法讀取檔案：%1", "The file could not be read: %1")
                .arg(result.error));
    } else {
        showCurves();
        int points = 0;
        for (const QVector<QPointF> &s : result.series)
            points += s.size();
        QString text =
            byLanguage("%1 帧，%2 个数据点。", "%1 幀，%2 個資料點。", "%1 frames, %2 points.")
                .arg(result.frames)
                .arg(points);
        if (result.truncated)
            text += QLatin1Char(' ') + byLanguage("部分信号只显示前 %1 个点。",
                                                  "部分訊號只顯示前 %1 個點。",
                                                  "Some signals show only their first %1 points.")
                                           .arg(LogSignalScan::MaxPointsPerSignal);
        status->setText(text);
    }
    emit finished();
}

void LogSignalPlot::showCurves()
{
    for (size_t slot = 0; slot < result.series.size(); ++slot) {
        QwtPlotCurve *curve = newSignalCurve(labels.value(int(slot)), slot);
        curve->setSamples(result.series[slot]);
        curve->attach(plot);
    }
    plot->setAxisAutoScale(QwtPlot::xBottom, true);
    plot->setAxisAutoScale(QwtPlot::yLeft, true);
    plot->replot();
    // The cursor reads every signal's value at its time.
    auto *cursor = new SignalPlotCursor(plot->canvas(), [this](double t) {
        QString text = QStringLiteral("t = %1 s").arg(t, 0, 'f', 6);
        for (int slot = 0; slot < labels.size(); ++slot) {
            double value = 0;
            if (valueAt(slot, t, value))
                text += QStringLiteral("\n%1 = %2").arg(labels[slot]).arg(value, 0, 'g', 10);
        }
        return text;
    });
    cursor->setZoomBase(true);
}

QVector<int> LogSignalPlot::pointCounts() const
{
    QVector<int> counts;
    for (const QVector<QPointF> &s : result.series)
        counts << s.size();
    return counts;
}

QString LogSignalPlot::statusText() const
{
    return status->text();
}

bool LogSignalPlot::valueAt(int slot, double t, double &value) const
{
    if (slot < 0 || size_t(slot) >= result.series.size())
        return false;
    const QVector<QPointF> &points = result.series[size_t(slot)];
    // Points are in file order, which is time order for every format this reads.
    const auto after = std::upper_bound(points.begin(), points.end(), t,
                                        [](double x, const QPointF &p) { return x < p.x(); });
    if (after == points.begin())
        return false;
    value = std::prev(after)->y();
    return true;
}
