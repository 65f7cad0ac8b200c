#include "signalplotwindow.h"

#include "database/plotseries.h"
#include "database/signaldatabases.h"
#include "database/signalpicker.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_magnifier.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_zoomer.h>

namespace {

// At most this many samples per signal, whatever the time window (about 3 MB each).
constexpr size_t kMaxPointsPerSignal = 200000;

const QColor kColors[] = {
    Qt::blue,     Qt::red,   QColor(0, 140, 0),    Qt::magenta,    QColor(230, 130, 0),
    Qt::darkCyan, Qt::black, QColor(120, 60, 200), Qt::darkYellow, Qt::darkRed};

} // namespace

// The zoomer, whose tracker reads the value of every curve at the cursor's time.
class PlotCursor : public QwtPlotZoomer
{
public:
    PlotCursor(QWidget *canvas, const std::vector<PlotSeries *> &series, const SignalFeed &feed)
        : QwtPlotZoomer(canvas), series(series), feed(feed)
    {
        setTrackerMode(QwtPicker::AlwaysOn);
    }

protected:
    QwtText trackerTextF(const QPointF &pos) const override
    {
        QString text = QStringLiteral("t = %1 s").arg(pos.x(), 0, 'f', 4);
        for (size_t i = 0; i < series.size(); ++i) {
            double value = 0;
            if (series[i]->valueAt(pos.x(), value))
                text += QStringLiteral("\n%1 = %2").arg(feed.label(int(i))).arg(value, 0, 'g', 8);
        }
        QwtText tracker(text);
        tracker.setBackgroundBrush(QColor(255, 255, 230, 220));
        return tracker;
    }

private:
    const std::vector<PlotSeries *> &series;
    const SignalFeed &feed;
};

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

    plot->setCanvasBackground(Qt::white);
    plot->insertLegend(new QwtLegend(plot), QwtPlot::BottomLegend);
    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(220, 220, 220), 0, Qt::DotLine);
    grid->attach(plot);
    cursor = new PlotCursor(plot->canvas(), series, feed);
    auto *panner = new QwtPlotPanner(plot->canvas());
    panner->setMouseButton(Qt::MiddleButton);
    new QwtPlotMagnifier(plot->canvas());

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
        auto *curve = new QwtPlotCurve(title);
        curve->setPen(kColors[i % std::size(kColors)], 1.0);
        curve->setStyle(QwtPlotCurve::Steps);
        curve->setPaintAttribute(QwtPlotCurve::ClipPolygons, true);
        curve->setPaintAttribute(QwtPlotCurve::FilterPoints, true);
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
