#include "bench/transmitbench.h"

#include "app/mainwindow.h"
#include "bench/benchreport.h"
#include "bench/benchrig.h"
#include "receive/frameformat.h"
#include "receive/mytablemodel.h"
#include "receive/pendingframes.h"
#include "record/csvformat.h"
#include "settings/resourcepaths.h"
#include "tests/shared/windowparts.h"
#include "transmit/sendthread.h"

#include <QFile>

#include <cmath>

namespace {

constexpr uint32_t ReplayListLimit = 400000;
const uint8_t JobData[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
const uint8_t ReplayData[8] = {};
constexpr int ReplayStartMs = 10 * 3600 * 1000; // 10:00:00.000

constexpr int TimeStampColumn = 2;
constexpr int ChannelColumn = 3;
constexpr int DirectionColumn = 4;

} // namespace

TransmitBench::TransmitBench(double seconds, int periods, const BusMaximum &busMaximum)
    : secondsPerJob(seconds), minPeriods(periods), bus(busMaximum)
{
}

void TransmitBench::run(BenchReport &out)
{
    periodicFigures(out);
    replayFigures(out); // with a rig of its own: the pending-frame queue has one reader
}

void TransmitBench::periodicFigures(BenchReport &out)
{
    RigOptions options;
    BenchRig rig(options);
    if (!rig.open())
        qFatal("The simulated adapter did not open");
    model = frameModelOf(&rig.window());
    connect(model, &MyTableModel::rowsInserted, this, &TransmitBench::onRowsInserted);
    const uint32_t intervals[] = {1, 10, 100};
    for (uint32_t interval : intervals) {
        const double seconds = std::max(secondsPerJob, interval * minPeriods / 1000.0);
        runCyclic(rig, 0, interval, seconds);
        reportCyclic(cyclicFigures(interval, stamps[1]), out);
    }
    disconnect(model, nullptr, this, nullptr);
    endlessRate(rig, out);
}

// Recordings replayed with their recorded timing (file interval -1) from channel 1; the
// list buffer holds every replayed row so that the first and last stamps are seen.
void TransmitBench::replayFigures(BenchReport &out)
{
    takePending(); // what the endless job left behind belongs to the previous rig
    RigOptions options;
    options.listLimit = ReplayListLimit;
    BenchRig rig(options);
    if (!rig.open())
        qFatal("The simulated adapter did not open");
    model = frameModelOf(&rig.window());
    connect(model, &MyTableModel::rowsInserted, this, &TransmitBench::onRowsInserted);
    const int ms = int(secondsPerJob * 1000);
    const QVector<uint64_t> sparse =
        replay(rig, writeRecording(QStringLiteral("replay-1ms.csv"), ms, 1));
    CyclicFigures f = cyclicFigures(1, sparse);
    out.figure(QStringLiteral("tx_replay_1ms_rows"), qint64(f.frames));
    out.figure(QStringLiteral("tx_replay_1ms_mean_period_ms"), f.meanPeriodMs, 4);
    out.figure(QStringLiteral("tx_replay_1ms_mean_error_percent"), f.meanErrorPercent, 3);
    out.figure(QStringLiteral("tx_replay_1ms_drift_ms"), f.driftMs, 3);
    // The most rows in each millisecond that the wire carries with time to spare.
    const double perMs = bus.framesPerS(0x123, 8, ReplayData, false, false) / 1000;
    const int busMaxRowsPerMs = std::max(1, int(std::ceil(perMs)) - 1);
    out.figure(QStringLiteral("tx_replay_busmax_rows_per_ms"), qint64(busMaxRowsPerMs));
    const QVector<uint64_t> dense =
        replay(rig, writeRecording(QStringLiteral("replay-busmax.csv"), ms * busMaxRowsPerMs,
                                   busMaxRowsPerMs));
    const double span = dense.size() < 2 ? 0 : double(dense.last() - dense.first()) / 1000.0;
    const double recordedSpan = double(ms - 1); // first row of the first to the last ms
    out.figure(QStringLiteral("tx_replay_busmax_rows"), qint64(dense.size()));
    out.figure(QStringLiteral("tx_replay_busmax_recorded_span_ms"), recordedSpan, 3);
    out.figure(QStringLiteral("tx_replay_busmax_drift_ms"), span - recordedSpan, 3);
    disconnect(model, nullptr, this, nullptr);
}

// Replays the file once on channel 1 and returns the stamps channel 2 received.
QVector<uint64_t> TransmitBench::replay(BenchRig &rig, const QString &path)
{
    stamps[0].clear();
    stamps[1].clear();
    sendThread *thread = transmitThreadOf(&rig.window(), 0);
    thread->setSendFile(path, 1, -1, 0);
    thread->start(QThread::InheritPriority);
    while (!thread->wait(10))
        BenchRig::runEventLoop(5);
    rig.drain(5000);
    QFile::remove(path);
    return stamps[1];
}

// Classic frames on channel 1, rowsPerMs of them in each millisecond from 10:00:00.000.
QString TransmitBench::writeRecording(const QString &name, int rows, int rowsPerMs) const
{
    const QString path = appFilePath(QLatin1Char('/') + name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("The replay file could not be written");
    QString text = csvHeaderLine(model->headerLabels());
    CanRxRecord record{};
    record.id = 0x123;
    record.length = 8;
    for (int i = 0; i < rows; ++i) {
        ModelItem item = formatRxFrame(0, record, true);
        item.index = QString::number(i + 1);
        const int ms = ReplayStartMs + i / rowsPerMs;
        item.systemTime = QString::asprintf("%02d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60,
                                            ms / 1000 % 60, ms % 1000);
        appendCsvRow(text, item);
        if (text.size() > (1 << 20)) {
            file.write(text.toUtf8());
            text.clear();
        }
    }
    file.write(text.toUtf8());
    return path;
}

void TransmitBench::reportCyclic(const CyclicFigures &f, BenchReport &out)
{
    const QString prefix = QStringLiteral("tx_cyclic_%1ms_").arg(f.intervalMs);
    out.figure(prefix + QStringLiteral("frames"), qint64(f.frames));
    out.figure(prefix + QStringLiteral("mean_period_ms"), f.meanPeriodMs, 4);
    out.figure(prefix + QStringLiteral("mean_error_percent"), f.meanErrorPercent, 3);
    out.figure(prefix + QStringLiteral("p99_error_ms"), f.p99ErrorMs, 3);
    out.figure(prefix + QStringLiteral("drift_ms"), f.driftMs, 3);
}

// One frame per call, classic 8-byte standard frames, as the send panels hand them over.
void TransmitBench::startJob(BenchRig &rig, uint32_t ch, uint32_t intervalMs)
{
    sendThread *thread = transmitThreadOf(&rig.window(), int(ch));
    thread->setSendData(0x123, false, 0, 0, false, JobData, 8, true, -1, 1, intervalMs, 0, 0);
    thread->start(QThread::InheritPriority);
}

void TransmitBench::stopJob(BenchRig &rig, uint32_t ch)
{
    sendThread *thread = transmitThreadOf(&rig.window(), int(ch));
    thread->stop();
    while (!thread->wait(10))
        BenchRig::runEventLoop(5);
}

// The send thread's CPU time shows what the rate would be on an idle machine.
void TransmitBench::endlessRate(BenchRig &rig, BenchReport &out)
{
    const uint64_t before = rig.adapter().wireSentFrames(0);
    const CpuSample start = sampleCpu();
    startJob(rig, 0, 0);
    BenchRig::runEventLoop(int(secondsPerJob * 1000));
    const uint64_t sent = rig.adapter().wireSentFrames(0) - before; // gone out on the wire
    const CpuSample used = sampleCpu() - start;
    stopJob(rig, 0);
    const double wall = std::max(used.wall, 1e-9);
    out.figure(QStringLiteral("tx_endless_interval0_frames_per_s"), double(sent) / wall, 0);
    out.figure(QStringLiteral("tx_endless_bus_max_frames_per_s"),
               bus.framesPerS(0x123, 8, JobData, false, false), 0);
    out.figure(QStringLiteral("tx_endless_send_thread_cpu_cores"), used.send / wall, 3);
    out.figure(QStringLiteral("tx_endless_frames_per_send_cpu_s"),
               double(sent) / std::max(used.send, 1e-9), 0);
    out.figure(QStringLiteral("tx_endless_cpu_cores_program"), used.program() / wall, 3);
}

void TransmitBench::runCyclic(BenchRig &rig, uint32_t ch, uint32_t intervalMs, double seconds)
{
    stamps[0].clear();
    stamps[1].clear();
    startJob(rig, ch, intervalMs);
    BenchRig::runEventLoop(int(seconds * 1000));
    stopJob(rig, ch);
    rig.drain(5000);
}

void TransmitBench::onRowsInserted(const QModelIndex &, int first, int last)
{
    for (int row = first; row <= last; ++row) {
        if (model->cellText(row, DirectionColumn) != QLatin1String("Rx"))
            continue;
        const int receiver = model->cellText(row, ChannelColumn) == QLatin1String("2") ? 1 : 0;
        bool ok = false;
        const uint64_t stamp = model->cellText(row, TimeStampColumn).mid(2).toULongLong(&ok, 16);
        if (ok)
            stamps[receiver].append(stamp);
    }
}

CyclicFigures TransmitBench::cyclicFigures(uint32_t intervalMs, const QVector<uint64_t> &t) const
{
    CyclicFigures f;
    f.intervalMs = intervalMs;
    f.frames = t.size();
    if (t.size() < 2)
        return f;
    Distribution errors;
    for (int i = 1; i < t.size(); ++i)
        errors.add(std::fabs(double(t[i] - t[i - 1]) / 1000.0 - intervalMs));
    const double span = double(t.last() - t.first()) / 1000.0;
    f.meanPeriodMs = span / (t.size() - 1);
    f.meanErrorPercent = (f.meanPeriodMs - intervalMs) * 100.0 / intervalMs;
    f.p99ErrorMs = errors.percentile(0.99);
    f.driftMs = span - double(t.size() - 1) * intervalMs;
    return f;
}
