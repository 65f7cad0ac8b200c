#include "database/signalplotparts.h"

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_magnifier.h>
#include <qwt_plot_panner.h>

#include <iterator>

namespace {

const QColor kColors[] = {
    Qt::blue,     Qt::red,   QColor(0, 140, 0),    Qt::magenta,    QColor(230, 130, 0),
    Qt::darkCyan, Qt::black, QColor(120, 60, 200), Qt::darkYellow, Qt::darkRed};

} // namespace

void setUpSignalPlot(QwtPlot *plot)
{
    plot->setCanvasBackground(Qt::white);
    plot->insertLegend(new QwtLegend(plot), QwtPlot::BottomLegend);
    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(220, 220, 220), 0, Qt::DotLine);
    grid->attach(plot);
    auto *panner = new QwtPlotPanner(plot->canvas());
    panner->setMouseButton(Qt::MiddleButton);
    new QwtPlotMagnifier(plot->canvas());
}

QwtPlotCurve *newSignalCurve(const QString &title, size_t slot)
{
    auto *curve = new QwtPlotCurve(title);
    curve->setPen(kColors[slot % std::size(kColors)], 1.0);
    curve->setStyle(QwtPlotCurve::Steps);
    curve->setPaintAttribute(QwtPlotCurve::ClipPolygons, true);
    curve->setPaintAttribute(QwtPlotCurve::FilterPoints, true);
    return curve;
}

SignalPlotCursor::SignalPlotCursor(QWidget *canvas, Describe describe)
    : QwtPlotZoomer(canvas), describe(std::move(describe))
{
    setTrackerMode(QwtPicker::AlwaysOn);
}

QwtText SignalPlotCursor::trackerTextF(const QPointF &pos) const
{
    QwtText tracker(describe(pos.x()));
    tracker.setBackgroundBrush(QColor(255, 255, 230, 220));
    return tracker;
}
