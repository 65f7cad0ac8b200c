#include "record/logindexer.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {

constexpr int FirstBatch = 512;
constexpr int FullBatch = 65536;
constexpr qint64 BatchIntervalMs = 100;

uint8_t flagsOf(const LogFrame &frame)
{
    return uint8_t((frame.extended ? LogIndexEntry::Extended : 0) |
                   (frame.remote ? LogIndexEntry::Remote : 0) |
                   (frame.error ? LogIndexEntry::Error : 0) | (frame.fd ? LogIndexEntry::Fd : 0) |
                   (frame.tx ? LogIndexEntry::Tx : 0));
}

} // namespace

LogIndexer::LogIndexer(const QString &path, LogFormat format, QObject *parent)
    : QThread(parent), path(path), format(format)
{
}

LogIndexer::~LogIndexer()
{
    cancel();
    wait();
    // Orders the end of run() (as the thread sanitizer sees it) before the members go.
    std::lock_guard<std::mutex> ended(runMutex);
}

void LogIndexer::queueBatch(QVector<LogIndexEntry> &batch, qint64 bytesRead, qint64 fileSize)
{
    {
        std::lock_guard<std::mutex> lock(pendingMutex);
        if (pending.isEmpty())
            pending.swap(batch);
        else
            pending += batch;
        pendingBytesRead = bytesRead;
        pendingFileSize = fileSize;
    }
    batch = QVector<LogIndexEntry>();
    emit batchReady();
}

QVector<LogIndexEntry> LogIndexer::takeBatch(qint64 *bytesRead, qint64 *fileSize)
{
    QVector<LogIndexEntry> taken;
    std::lock_guard<std::mutex> lock(pendingMutex);
    taken.swap(pending);
    *bytesRead = pendingBytesRead;
    *fileSize = pendingFileSize;
    return taken;
}

LogIndexSummary LogIndexer::result()
{
    std::lock_guard<std::mutex> lock(pendingMutex);
    return finalSummary;
}

void LogIndexer::finish(const LogIndexSummary &summary)
{
    {
        std::lock_guard<std::mutex> lock(pendingMutex);
        finalSummary = summary;
    }
    emit indexed();
}

void LogIndexer::run()
{
    std::lock_guard<std::mutex> running(runMutex);
    LogIndexSummary summary;
    std::unique_ptr<LogReader> reader = createLogReader(format);
    if (!reader) {
        summary.error = QStringLiteral("unknown format");
        finish(summary);
        return;
    }
    if (!reader->open(path)) {
        summary.error = reader->errorString();
        finish(summary);
        return;
    }
    summary.format = QLatin1String(reader->formatName());
    summary.absolute = reader->absoluteTime();
    summary.assumedDate = reader->assumedDate();
    QVector<LogIndexEntry> batch;
    batch.reserve(FirstBatch);
    int batchLimit = FirstBatch;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    const qint64 size = reader->fileSize();
    const auto handOver = [&] {
        queueBatch(batch, reader->bytesRead(), size);
        batch.reserve(FullBatch);
        batchLimit = FullBatch;
        sinceBatch.restart();
    };
    LogFrame frame;
    int64_t first = 0, last = 0;
    while (!cancelRequested.load(std::memory_order_relaxed) && reader->next(frame)) {
        LogIndexEntry entry;
        entry.position = reader->position();
        entry.id = frame.id;
        entry.channel = frame.channel;
        entry.flags = flagsOf(frame);
        batch.append(entry);
        if (summary.frames++ == 0)
            first = last = frame.timeUs;
        first = std::min(first, frame.timeUs);
        last = std::max(last, frame.timeUs);
        if (batch.size() >= batchLimit ||
            ((summary.frames & 1023) == 0 && sinceBatch.elapsed() >= BatchIntervalMs))
            handOver();
    }
    if (!batch.isEmpty())
        handOver();
    summary.cancelled = cancelRequested.load();
    summary.firstUs = first;
    summary.lastUs = last;
    summary.damaged = reader->damagedRecords();
    summary.skipped = reader->skippedRecords();
    summary.error = reader->errorString();
    finish(summary);
}
