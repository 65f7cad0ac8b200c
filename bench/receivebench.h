#pragma once

// The saturated-bus run: traffic on both channels at a set rate and mix for a set time,
// through the receive threads, the display refresh, the table and the real-time
// recording, measuring loss, CPU, memory, event-loop latency and frame latency.

#include "bench/benchmetrics.h"
#include "bench/recordingcheck.h"
#include "device/sim/simtrafficsource.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class BenchReport;
class BenchRig;
class MyTableModel;

struct ReceiveOptions
{
    double seconds = 10;
    uint32_t ratePerChannel = 0; // 0: the bus maximum of the mix (busmaximum.h)
    SimTrafficMix mix = SimTrafficMix::Mixed;
    bool record = true;
    bool merge = false; // the option that merges frames of the same channel, direction and ID
    uint32_t listLimit = 1000;
    uint32_t refreshMs = 100;
    QString recordPath; // empty: a file in the benchmark's home folder, removed afterwards
};

struct ReceiveFigures
{
    uint64_t generated[2] = {};
    uint64_t received = 0;
    uint64_t taken = 0;
    uint64_t shown = 0;
    uint64_t recorded = 0;
    uint64_t dropped = 0;
    uint64_t backlogAtEnd = 0; // frames not yet taken when generation stopped
    bool drained = false;
    bool abandoned = false; // stopped early: more than 5 s of traffic waiting
    CpuSample cpu;          // over the generation window
    MemorySample memoryQuarter;
    MemorySample memoryEnd;
    int64_t heapQuarter = 0; // allocator bytes in use at a quarter of the run
    int64_t heapDrained = 0; // the same once everything has been taken and recorded
    Distribution loopLatencyMs;
    Distribution refreshPeriodMs;
    Distribution endToEndMs;
    qint64 recordBytes = 0;
    std::optional<RecordingCheck> readBack; // when the recording was read back

    double aggregateRate() const;
    bool lossless() const
    {
        return drained && !abandoned && dropped == 0 &&
               (!readBack || (readBack->inOrder() && readBack->rows == recorded));
    }
};

class ReceiveBench : public QObject
{
    Q_OBJECT
public:
    explicit ReceiveBench(const ReceiveOptions &options);

    ReceiveFigures run();
    // Prints the figures under the given name prefix ("rx_" and the like).
    static void report(const ReceiveFigures &figures, BenchReport &out);

private slots:
    void onRowsInserted(const QModelIndex &parent, int first, int last);
    void onProbe();

private:
    void measure(BenchRig &rig);
    void prepareSamples();
    void runSlices(BenchRig &rig, qint64 ms);
    void finish(BenchRig &rig, const QString &path);
    void armProbe();

    ReceiveOptions options;
    ReceiveFigures figures;
    BenchRig *rig = nullptr;
    MyTableModel *model = nullptr;
    QTimer probe;
    QElapsedTimer clock;
    qint64 probeArmedNs = 0;
    qint64 lastInsertNs = -1;
};
