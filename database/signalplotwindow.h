#pragma once

// "Plot": the chosen signals over time on one time axis, live, kept to a chosen time
// window. Drag a rectangle to zoom (right click zooms back out), drag with the middle
// button to pan, turn the wheel to zoom; the cursor reads every signal's value at its
// time. Pause freezes the picture while samples keep being collected.

#include "database/signalfeed.h"

#include <QTimer>
#include <QWidget>

class PlotSeries;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QwtPlot;
class QwtPlotCurve;
class SignalPlotCursor;
class SignalDatabases;

class SignalPlotWindow : public QWidget
{
    Q_OBJECT
public:
    SignalPlotWindow(const SignalDatabases *databases, QWidget *parent);
    ~SignalPlotWindow() override;
    void applyLanguage();
    void setSelection(const std::vector<SignalRef> &refs);
    void setTimeWindow(double seconds);
    size_t pointCount() const;

public slots:
    void takeRecords(const QList<ModelItem> &records);
    void databasesChanged();

private:
    void chooseSignals();
    void rebuildCurves();
    void redraw();
    void follow();

    const SignalDatabases *databases;
    SignalFeed feed;
    std::vector<SignalSample> samples;
    std::vector<QwtPlotCurve *> curves;
    std::vector<PlotSeries *> series; // owned by the curves
    QwtPlot *plot;
    SignalPlotCursor *cursor;
    QPushButton *chooseButton;
    QPushButton *followButton;
    QCheckBox *pauseBox;
    QLabel *windowLabel;
    QDoubleSpinBox *windowSeconds;
    QTimer redrawTimer;
    double latest = 0;
};
