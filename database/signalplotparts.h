#pragma once

// What the live signal plot and the log file's signal plot share: the look of the plot
// (white canvas, legend below, dotted grid), one curve per signal in a fixed colour order,
// middle-button pan and wheel zoom, and a zoomer whose tracker shows a text for the time
// under the cursor.

#include <qwt_plot_zoomer.h>

#include <QString>

#include <functional>

class QwtPlot;
class QwtPlotCurve;

// The plot's look, pan and wheel zoom.
void setUpSignalPlot(QwtPlot *plot);
// A stepped curve for the signal in slot (not yet attached).
QwtPlotCurve *newSignalCurve(const QString &title, size_t slot);

// Drag a rectangle to zoom, right click to zoom back out; the tracker text comes from
// describe(t).
class SignalPlotCursor : public QwtPlotZoomer
{
public:
    using Describe = std::function<QString(double t)>;
    SignalPlotCursor(QWidget *canvas, Describe describe);

protected:
    QwtText trackerTextF(const QPointF &pos) const override;

private:
    Describe describe;
};
