#pragma once

// A plot of chosen signals over a whole log file, opened from the log viewer. The file is
// read on a worker thread (progress shown; closing the window cancels it); then every
// signal is drawn on one time axis, 0 s at the file's first frame. Drag a rectangle to
// zoom (right click zooms back out), drag with the middle button to pan, turn the wheel to
// zoom; the cursor reads every signal's value at its time.

#include "database/logsignalscan.h"

#include <QWidget>

#include <memory>

class QLabel;
class QwtPlot;

class LogSignalPlot : public QWidget
{
    Q_OBJECT
public:
    // Starts reading at once; labels name the signals of the job's selection.
    LogSignalPlot(LogSignalScan::Job job, const QStringList &labels, QWidget *parent);
    ~LogSignalPlot() override;

    bool isScanning() const { return scan != nullptr; }
    // Points drawn per signal (empty while reading).
    QVector<int> pointCounts() const;
    QString statusText() const;
    // The value of a signal at t (the last point at or before it); false when none.
    bool valueAt(int slot, double t, double &value) const;

signals:
    void finished();

private:
    void onScanned();
    void showCurves();

    QStringList labels;
    std::unique_ptr<LogSignalScan> scan;
    LogSignalScanResult result;
    QwtPlot *plot;
    QLabel *status;
};
