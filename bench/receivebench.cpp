#include "bench/receivebench.h"

#include "app/mainwindow.h"
#include "bench/benchreport.h"
#include "bench/benchrig.h"
#include "receive/mytablemodel.h"
#include "settings/resourcepaths.h"
#include "tests/shared/windowparts.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr int ProbeIntervalMs = 10;
constexpr int TimeStampColumn = 2;
constexpr int DirectionColumn = 4;
constexpr int LatencySamplesPerRefresh = 32;
constexpr int DrainTimeoutMs = 20000;
constexpr int SliceMs = 250;
constexpr double MaxBacklogSeconds = 5;

} // namespace

double ReceiveFigures::aggregateRate() const
{
    return cpu.wall > 0 ? double(generated[0] + generated[1]) / cpu.wall : 0;
}

ReceiveBench::ReceiveBench(const ReceiveOptions &receiveOptions) : options(receiveOptions)
{
    probe.setSingleShot(true);
    probe.setTimerType(Qt::PreciseTimer);
    connect(&probe, &QTimer::timeout, this, &ReceiveBench::onProbe);
}

ReceiveFigures ReceiveBench::run()
{
    RigOptions rigOptions;
    rigOptions.simulator.trafficRate = options.ratePerChannel;
    rigOptions.simulator.trafficMix = options.mix;
    rigOptions.listLimit = options.listLimit;
    rigOptions.refreshMs = options.refreshMs;
    rigOptions.merge = options.merge;
    BenchRig bench(rigOptions);
    rig = &bench;
    if (!bench.open())
        qFatal("The simulated adapter did not open");
    model = frameModelOf(&bench.window());
    const QString path = options.recordPath.isEmpty()
                             ? appFilePath(QStringLiteral("/bench-recording.csv"))
                             : options.recordPath;
    if (options.record && !bench.window().startRecording(path, 0))
        qFatal("Real-time recording did not start");
    connect(model, &MyTableModel::rowsInserted, this, &ReceiveBench::onRowsInserted);
    measure(bench);
    finish(bench, path);
    rig = nullptr;
    return figures;
}

// Generation window: traffic on, memory taken at a quarter and at the end.
void ReceiveBench::measure(BenchRig &bench)
{
    prepareSamples();
    clock.start();
    armProbe();
    const qint64 totalMs = qint64(options.seconds * 1000);
    const CpuSample start = sampleCpu();
    bench.startTraffic();
    runSlices(bench, totalMs / 4);
    figures.memoryQuarter = sampleMemory();
    figures.heapQuarter = heapInUse();
    if (!figures.abandoned)
        runSlices(bench, totalMs - totalMs / 4);
    bench.stopTraffic();
    figures.cpu = sampleCpu() - start;
    figures.memoryEnd = sampleMemory();
    probe.stop();
    figures.generated[0] = bench.adapter().generatedFrames(0);
    figures.generated[1] = bench.adapter().generatedFrames(1);
    figures.backlogAtEnd = bench.generated() - countersOf(&bench.window()).framesTaken;
}

// Room for every sample of the run, taken before memory is measured (a 10-minute soak
// collects a few megabytes of them). Late probes and refreshes only make fewer samples.
void ReceiveBench::prepareSamples()
{
    const double seconds = options.seconds + DrainTimeoutMs / 1000.0;
    const int refreshes = int(seconds * 1000 / std::max<uint32_t>(options.refreshMs, 1)) + 1;
    figures.loopLatencyMs.prepare(int(seconds * 1000 / ProbeIntervalMs) + 1);
    figures.refreshPeriodMs.prepare(refreshes);
    figures.endToEndMs.prepare(refreshes * 2 * LatencySamplesPerRefresh);
}

// Runs the event loop for ms; gives up early when the program has fallen so far behind
// that the backlog would only eat the machine's memory.
void ReceiveBench::runSlices(BenchRig &bench, qint64 ms)
{
    const uint64_t limit = uint64_t(MaxBacklogSeconds * 2.0 * options.ratePerChannel);
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < ms) {
        BenchRig::runEventLoop(int(std::min<qint64>(SliceMs, ms - slice.elapsed())));
        if (bench.generated() - countersOf(&bench.window()).framesTaken > limit) {
            figures.abandoned = true;
            return;
        }
    }
}

void ReceiveBench::finish(BenchRig &bench, const QString &path)
{
    const uint64_t total = bench.generated();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < DrainTimeoutMs &&
           countersOf(&bench.window()).framesTaken + bench.adapterDropped() < total)
        BenchRig::runEventLoop(int(options.refreshMs));
    disconnect(model, nullptr, this, nullptr);
    figures.heapDrained = heapInUse();
    const DisplayCounters &counters = countersOf(&bench.window());
    figures.drained = counters.framesTaken + bench.adapterDropped() >= total;
    figures.received = total - bench.adapterDropped() - bench.adapterQueued();
    figures.taken = counters.framesTaken;
    figures.shown = counters.framesShown;
    figures.recorded = counters.framesRecorded;
    figures.dropped = bench.adapterDropped() + (figures.received - figures.taken);
    if (options.record)
        figures.dropped += figures.taken - figures.recorded;
    figures.recordBytes = options.record ? QFileInfo(path).size() : 0;
    if (options.record) // read back: complete and in order
        figures.readBack = checkRecording(path);
    if (options.record && options.recordPath.isEmpty())
        QFile::remove(path);
}

void ReceiveBench::armProbe()
{
    probeArmedNs = clock.nsecsElapsed();
    probe.start(ProbeIntervalMs);
}

void ReceiveBench::onProbe()
{
    const qint64 lateNs = clock.nsecsElapsed() - probeArmedNs - qint64(ProbeIntervalMs) * 1000000;
    figures.loopLatencyMs.add(double(std::max<qint64>(lateNs, 0)) / 1e6);
    armProbe();
}

// Every insertion is one refresh: its spacing is the refresh period, and the time
// stamps of the rows it brings (generation time on the device clock) give their age.
void ReceiveBench::onRowsInserted(const QModelIndex &, int first, int last)
{
    const qint64 now = clock.nsecsElapsed();
    if (lastInsertNs >= 0)
        figures.refreshPeriodMs.add(double(now - lastInsertNs) / 1e6);
    lastInsertNs = now;
    const uint64_t deviceNow = rig->adapter().deviceTimeUs();
    const int step = std::max(1, (last - first + 1) / LatencySamplesPerRefresh);
    for (int row = first; row <= last; row += step) {
        if (model->cellText(row, DirectionColumn) != QLatin1String("Rx"))
            continue;
        bool ok = false;
        const uint64_t stamp = model->cellText(row, TimeStampColumn).mid(2).toULongLong(&ok, 16);
        if (ok && stamp <= deviceNow)
            figures.endToEndMs.add(double(deviceNow - stamp) / 1000.0);
    }
}

void ReceiveBench::report(const ReceiveFigures &f, BenchReport &out)
{
    const double wall = std::max(f.cpu.wall, 1e-9);
    out.figure(QStringLiteral("rx_seconds"), wall);
    out.figure(QStringLiteral("rx_generated_ch1"), qint64(f.generated[0]));
    out.figure(QStringLiteral("rx_generated_ch2"), qint64(f.generated[1]));
    out.figure(QStringLiteral("rx_generated_rate_total"), f.aggregateRate(), 0);
    out.figure(QStringLiteral("rx_received"), qint64(f.received));
    out.figure(QStringLiteral("rx_taken"), qint64(f.taken));
    out.figure(QStringLiteral("rx_shown"), qint64(f.shown));
    out.figure(QStringLiteral("rx_recorded"), qint64(f.recorded));
    out.figure(QStringLiteral("rx_record_bytes"), f.recordBytes);
    if (f.readBack) {
        out.figure(QStringLiteral("rx_record_rows_read_back"), qint64(f.readBack->rows));
        out.text(QStringLiteral("rx_record_in_order"),
                 f.readBack->inOrder() ? QStringLiteral("yes") : f.readBack->firstProblem);
    }
    out.figure(QStringLiteral("rx_dropped"), qint64(f.dropped));
    out.figure(QStringLiteral("rx_backlog_at_end"), qint64(f.backlogAtEnd));
    out.text(QStringLiteral("rx_drained"),
             f.drained ? QStringLiteral("yes") : QStringLiteral("no"));
    out.text(QStringLiteral("rx_abandoned_behind"),
             f.abandoned ? QStringLiteral("yes") : QStringLiteral("no"));
    out.figure(QStringLiteral("cpu_cores_total"), f.cpu.process / wall, 3);
    out.figure(QStringLiteral("cpu_cores_program"), f.cpu.program() / wall, 3);
    out.figure(QStringLiteral("cpu_cores_gui_thread"), f.cpu.gui / wall, 3);
    out.figure(QStringLiteral("cpu_cores_receive_threads"), f.cpu.receive / wall, 3);
    out.figure(QStringLiteral("cpu_cores_simulated_bus"), f.cpu.bus / wall, 3);
    const double frames = double(std::max<uint64_t>(f.generated[0] + f.generated[1], 1));
    out.figure(QStringLiteral("cpu_us_per_frame_total"), f.cpu.process * 1e6 / frames, 3);
    out.figure(QStringLiteral("cpu_us_per_frame_program"), f.cpu.program() * 1e6 / frames, 3);
    out.figure(QStringLiteral("rss_peak_kb"), qint64(f.memoryEnd.peakKb));
    out.figure(QStringLiteral("rss_growth_kb"), qint64(f.memoryEnd.rssKb - f.memoryQuarter.rssKb));
    out.figure(QStringLiteral("heap_growth_kb_drained"),
               qint64((f.heapDrained - f.heapQuarter) / 1024));
    out.figure(QStringLiteral("loop_latency_ms_p50"), f.loopLatencyMs.percentile(0.5));
    out.figure(QStringLiteral("loop_latency_ms_p99"), f.loopLatencyMs.percentile(0.99));
    out.figure(QStringLiteral("loop_latency_ms_max"), f.loopLatencyMs.max());
    out.figure(QStringLiteral("refresh_period_ms_mean"), f.refreshPeriodMs.mean());
    out.figure(QStringLiteral("refresh_period_ms_p99"), f.refreshPeriodMs.percentile(0.99));
    out.figure(QStringLiteral("e2e_latency_ms_p50"), f.endToEndMs.percentile(0.5));
    out.figure(QStringLiteral("e2e_latency_ms_p99"), f.endToEndMs.percentile(0.99));
}
