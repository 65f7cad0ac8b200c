#include "plotseries.h"

#include <algorithm>

void PlotSeries::append(double t, double value)
{
    // A time stamp that goes back (a channel reopened) starts the series again.
    if (!points.empty() && t < points.back().x())
        points.clear();
    points.emplace_back(t, value);
    if (points.size() > maxPoints)
        points.pop_front();
}

void PlotSeries::trimBefore(double t)
{
    while (!points.empty() && points.front().x() < t)
        points.pop_front();
}

bool PlotSeries::valueAt(double t, double &value) const
{
    const auto it = std::upper_bound(points.begin(), points.end(), t,
                                     [](double x, const QPointF &p) { return x < p.x(); });
    if (it == points.begin())
        return false;
    value = std::prev(it)->y();
    return true;
}

QRectF PlotSeries::boundingRect() const
{
    if (points.empty())
        return QRectF(0, 0, -1, -1);
    double low = points.front().y(), high = low;
    for (const QPointF &p : points) {
        low = std::min(low, p.y());
        high = std::max(high, p.y());
    }
    return QRectF(points.front().x(), low, points.back().x() - points.front().x(), high - low);
}
