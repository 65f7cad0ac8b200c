#include "signalplotwindow.h"

#include "database/plotseries.h"
#include "database/signaldatabases.h"
#include "database/signalpicker.h"
#include "database/signalplotparts.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

namespace {

// At most this many samples per signal, whatever the time window (about 3 MB each).
constexpr size_t kMaxPointsPerSignal = 200000;

} // namespace

SignalPlotWindow::SignalPlotWindow(const SignalDatabases *databases, QWidget *parent)
    : QWidget(parent, Qt::Window), databases(databases), feed(databases), plot(new QwtPlot(this)),
      chooseButton(new QPushButton(this)), followButton(new QPushButton(this)),
      pauseBox(new QCheckBox(this)), windowLabel(new QLabel(this)),
      windowSeconds(new QDoubleSpinBox(this))
{
    setObjectName(QStringLiteral("signalPlotWindow"));
    windowSeconds->setRange(1, 3600);
    windowSeconds->setValue(30);
    windowSeconds->setDecimals(0);
    auto *bar = new QHBoxLayout;
    bar->addWidget(chooseButton);
    bar->addWidget(pauseBox);
    bar->addWidget(windowLabel);
    bar->addWidget(windowSeconds);
    bar->addWidget(followButton);
    bar->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(plot, 1);

    setUpSignalPlot(plot);
    // The cursor reads the value of every curve at its time.
    cursor = new SignalPlotCursor(plot->canvas(), [this](double t) {
        QString text = QStringLiteral("t = %1 s").arg(t, 0, 'f', 4);
        for (size_t i = 0; i < series.size(); ++i) {
            double value = 0;
            if (series[i]->valueAt(t, value))
                text += QStringLiteral("\n%1 = %2").arg(feed.label(int(i))).arg(value, 0, 'g', 8);
        }
        return text;
    });

    connect(chooseButton, &QPushButton::clicked, this, &SignalPlotWindow::chooseSignals);
    connect(followButton, &QPushButton::clicked, this, &SignalPlotWindow::follow);
    connect(windowSeconds, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            [this] { redraw(); });
    connect(&redrawTimer, &QTimer::timeout, this, &SignalPlotWindow::redraw);
    redrawTimer.start(100);
    resize(1000, 600);
    applyLanguage();
}

SignalPlotWindow::~SignalPlotWindow() = default;

void SignalPlotWindow::applyLanguage()
{
    setWindowTitle(byLanguage("信号曲线", "訊號曲線", "Plot"));
    chooseButton->setText(byLanguage("选择信号…", "選擇訊號…", "Choose signals…"));
    pauseBox->setText(byLanguage("暂停", "暫停", "Pause"));
    windowLabel->setText(byLanguage("时间窗口（秒）：", "時間視窗（秒）：", "Time window (s):"));
    followButton->setText(byLanguage("跟随最新", "跟隨最新", "Follow latest"));
    followButton->setToolTip(byLanguage("取消缩放并显示最新的数据", "取消縮放並顯示最新的資料",
                                        "Undo zoom and pan and show the newest samples"));
    plot->setAxisTitle(QwtPlot::xBottom, byLanguage("时间（秒）", "時間（秒）", "Time (s)"));
}

void SignalPlotWindow::chooseSignals()
{
    SignalPicker picker(databases, feed.selection(), this);
    if (picker.exec() == QDialog::Accepted)
        setSelection(picker.chosen());
}

void SignalPlotWindow::setSelection(const std::vector<SignalRef> &refs)
{
    feed.setSelection(refs);
    rebuildCurves();
}

void SignalPlotWindow::setTimeWindow(double seconds)
{
    windowSeconds->setValue(seconds);
}

void SignalPlotWindow::databasesChanged()
{
    feed.rebind();
    rebuildCurves();
}

void SignalPlotWindow::rebuildCurves()
{
    for (QwtPlotCurve *curve : curves) {
        curve->detach();
        delete curve;
    }
    curves.clear();
    series.clear();
    for (size_t i = 0; i < feed.selection().size(); ++i) {
        const DbcSignal *s = feed.signalOf(int(i));
        QString title = feed.label(int(i));
        if (s && !s->unit.isEmpty())
            title += QStringLiteral(" [%1]").arg(s->unit);
        QwtPlotCurve *curve = newSignalCurve(title, i);
        auto *data = new PlotSeries(kMaxPointsPerSignal);
        curve->setData(data);
        curve->attach(plot);
        curves.push_back(curve);
        series.push_back(data);
    }
    plot->replot();
}

void SignalPlotWindow::takeRecords(const QList<ModelItem> &records)
{
    samples.clear();
    feed.feed(records, samples);
    for (const SignalSample &sample : samples) {
        series[size_t(sample.slot)]->append(sample.seconds, sample.physical);
        latest = std::max(latest, sample.seconds);
    }
    // Memory stays within the time window even while paused or zoomed.
    if (!samples.empty()) {
        const double start = latest - windowSeconds->value();
        for (PlotSeries *s : series)
            s->trimBefore(start);
    }
}

size_t SignalPlotWindow::pointCount() const
{
    size_t count = 0;
    for (const PlotSeries *s : series)
        count += s->size();
    return count;
}

void SignalPlotWindow::follow()
{
    cursor->zoom(0);
    plot->setAxisAutoScale(QwtPlot::yLeft, true);
    redraw();
}

void SignalPlotWindow::redraw()
{
    if (pauseBox->isChecked() || !isVisible())
        return;
    // While zoomed in or panned the view stays where the user put it.
    if (cursor->zoomRectIndex() == 0) {
        plot->setAxisScale(QwtPlot::xBottom, latest - windowSeconds->value(), latest);
        plot->setAxisAutoScale(QwtPlot::yLeft, true);
        plot->updateAxes();
        cursor->setZoomBase(false);
    }
    plot->replot();
}
