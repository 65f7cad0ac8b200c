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
    registerTypes();
}

LogIndexer::~LogIndexer()
{
    cancel();
    wait();
}

void LogIndexer::registerTypes()
{
    qRegisterMetaType<LogIndexSummary>();
    qRegisterMetaType<QVector<LogIndexEntry>>();
}

void LogIndexer::run()
{
    LogIndexSummary summary;
    std::unique_ptr<LogReader> reader = createLogReader(format);
    if (!reader) {
        summary.error = QStringLiteral("unknown format");
        emit indexed(summary);
        return;
    }
    if (!reader->open(path)) {
        summary.error = reader->errorString();
        emit indexed(summary);
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
        emit batchReady(batch, reader->bytesRead(), size);
        batch = QVector<LogIndexEntry>();
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
    emit indexed(summary);
}
