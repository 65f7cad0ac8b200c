#pragma once

// The samples of one plotted signal, kept to a time window and a point limit so memory
// stays bounded however long the plot runs. Qwt reads them through QwtSeriesData.

#include <qwt_series_data.h>

#include <deque>

class PlotSeries : public QwtSeriesData<QPointF>
{
public:
    explicit PlotSeries(size_t maxPoints) : maxPoints(maxPoints) {}

    void append(double t, double value);
    // Drops the samples before t.
    void trimBefore(double t);
    void clear() { points.clear(); }
    bool isEmpty() const { return points.empty(); }
    double lastTime() const { return points.empty() ? 0 : points.back().x(); }
    // The value of the last sample at or before t; false when there is none.
    bool valueAt(double t, double &value) const;

    size_t size() const override { return points.size(); }
    QPointF sample(size_t i) const override { return points[i]; }
    QRectF boundingRect() const override;

private:
    size_t maxPoints;
    std::deque<QPointF> points;
};
