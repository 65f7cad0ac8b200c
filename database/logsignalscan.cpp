#include "database/logsignalscan.h"

#include "database/itemframe.h"

#include <algorithm>
#include <cstring>

LogSignalScan::LogSignalScan(Job job, QObject *parent) : QThread(parent), job(std::move(job)) {}

LogSignalScan::~LogSignalScan()
{
    cancel();
    wait();
    // Orders the end of run() (as the thread sanitizer sees it) before the members go.
    std::lock_guard<std::mutex> ended(runMutex);
}

LogSignalScanResult LogSignalScan::takeResult()
{
    std::lock_guard<std::mutex> lock(resultMutex);
    return std::move(finalResult);
}

void LogSignalScan::run()
{
    std::lock_guard<std::mutex> running(runMutex);
    LogSignalScanResult result =
        runJob(job, cancelRequested, [this](int percent) { emit progressed(percent); });
    {
        std::lock_guard<std::mutex> lock(resultMutex);
        finalResult = std::move(result);
    }
    emit scanned();
}

LogSignalScanResult LogSignalScan::runJob(Job &job, const std::atomic<bool> &cancel,
                                          const std::function<void(int)> &progress)
{
    LogSignalScanResult result;
    result.series.resize(job.feed.selection().size());
    std::unique_ptr<LogReader> reader = createLogReader(job.format);
    if (!reader) {
        result.error = QStringLiteral("unknown format");
        return result;
    }
    if (!reader->open(job.path)) {
        result.error = reader->errorString();
        return result;
    }
    const qint64 size = std::max<qint64>(1, reader->fileSize());
    int percent = -1;
    LogFrame frame;
    ItemFrame item;
    std::vector<SignalSample> samples;
    while (reader->next(frame)) {
        if ((++result.frames & 4095) == 0) {
            if (cancel.load(std::memory_order_relaxed)) {
                result.cancelled = true;
                return result;
            }
            const int now = int(reader->bytesRead() * 100 / size);
            if (now != percent && progress)
                progress(percent = now);
        }
        if (frame.error || frame.remote)
            continue;
        item.channel = frame.channel;
        item.received = !frame.tx;
        item.id = frame.id;
        item.extended = frame.extended;
        item.length = frame.length;
        std::memcpy(item.data, frame.data, sizeof(item.data));
        item.hasTime = true;
        item.seconds = double(frame.timeUs - job.originUs) * 1e-6;
        samples.clear();
        job.feed.feedFrame(item, samples);
        for (const SignalSample &sample : samples) {
            QVector<QPointF> &points = result.series[size_t(sample.slot)];
            if (size_t(points.size()) < MaxPointsPerSignal)
                points.append(QPointF(sample.seconds, sample.physical));
            else
                result.truncated = true;
        }
    }
    result.error = reader->errorString();
    return result;
}
