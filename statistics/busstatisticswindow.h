#pragma once

// "总线统计": per channel, frames and payload bytes per second, totals by kind, the bus
// load (current, peak, average and a plot of the last ten minutes) and every loss count.
// Shows what BusAnalysis hands it once a second; repaints nothing while hidden.

#include <QWidget>

class BusStatistics;
class LossWatch;
class QLabel;
class QPushButton;
class QTableWidget;
class QwtPlot;
class QwtPlotCurve;

class BusStatisticsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit BusStatisticsWindow(QWidget *parent = nullptr);

    void showStatistics(const BusStatistics &statistics, const LossWatch &losses);
    void applyLanguage();

    // The text shown for a row and channel (tests).
    QString cellText(int row, int ch) const;
    int rowCount() const;

    enum Row {
        FramesPerSecond,
        BytesPerSecond,
        LoadCurrent,
        LoadPeak,
        LoadAverage,
        Frames,
        Classic,
        Fd,
        FdBitRateSwitch,
        Standard,
        Extended,
        DataFrames,
        RemoteFrames,
        ErrorFrames,
        FifoOverflow,
        SerialBusDropped,
        QueueDepth,
        RowCount
    };

signals:
    // "复位统计": the counts, peaks and averages start again.
    void resetRequested();

private:
    void showPlot(const BusStatistics &statistics);
    void setCell(int row, int ch, const QString &text);

    QTableWidget *table;
    QwtPlot *plot;
    QwtPlotCurve *curves[2];
    QLabel *hint;
    QPushButton *resetButton;
};
