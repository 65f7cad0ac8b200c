#pragma once

// Transmit figures through the real send threads and the simulated bus: an endless job
// at interval 0 (frames per second), endless cyclic jobs at 1, 10 and 100 ms, and the
// replay of recordings with their recorded timing (one row per millisecond, and a bus at
// its maximum: 60 rows per millisecond). Periods and spans are read from the time stamps
// of the frames the other channel receives.

#include "bench/benchmetrics.h"
#include "bench/busmaximum.h"

#include <QObject>
#include <QVector>

#include <cstdint>

class BenchReport;
class BenchRig;
class MyTableModel;

struct CyclicFigures
{
    uint32_t intervalMs = 0;
    int frames = 0;
    double meanPeriodMs = 0;
    double meanErrorPercent = 0;
    double p99ErrorMs = 0; // |period - interval|
    double driftMs = 0;    // (last - first) - (frames - 1) * interval
};

class TransmitBench : public QObject
{
    Q_OBJECT
public:
    TransmitBench(double secondsPerJob, int minPeriods, const BusMaximum &bus);

    void run(BenchReport &out);

private slots:
    void onRowsInserted(const QModelIndex &parent, int first, int last);

private:
    void periodicFigures(BenchReport &out);
    void endlessRate(BenchRig &rig, BenchReport &out);
    void replayFigures(BenchReport &out);
    QVector<uint64_t> replay(BenchRig &rig, const QString &path);
    QString writeRecording(const QString &name, int rows, int rowsPerMs) const;
    static void reportCyclic(const CyclicFigures &figures, BenchReport &out);
    void runCyclic(BenchRig &rig, uint32_t ch, uint32_t intervalMs, double seconds);
    CyclicFigures cyclicFigures(uint32_t intervalMs, const QVector<uint64_t> &stamps) const;
    static void startJob(BenchRig &rig, uint32_t ch, uint32_t intervalMs);
    static void stopJob(BenchRig &rig, uint32_t ch);

    double secondsPerJob;
    int minPeriods;
    BusMaximum bus;
    MyTableModel *model = nullptr;
    QVector<uint64_t> stamps[2]; // receive time stamps per receiving channel index
};
