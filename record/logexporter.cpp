#include "record/logexporter.h"

LogExporter::LogExporter(const Job &job, QObject *parent) : QThread(parent), job(job) {}

LogExportResult LogExporter::result()
{
    std::lock_guard<std::mutex> lock(resultMutex);
    return finalResult;
}

LogExporter::~LogExporter()
{
    cancel();
    wait();
    // Orders the end of run() (as the thread sanitizer sees it) before the members go.
    std::lock_guard<std::mutex> ended(runMutex);
}

void LogExporter::run()
{
    std::lock_guard<std::mutex> running(runMutex);
    const LogExportResult result =
        runJob(job, cancelRequested, [this](int percent) { emit progressed(percent); });
    {
        std::lock_guard<std::mutex> lock(resultMutex);
        finalResult = result;
    }
    emit exported();
}

LogExportResult LogExporter::runJob(const Job &job, const std::atomic<bool> &cancel,
                                    const std::function<void(int)> &progress)
{
    LogExportResult result;
    std::unique_ptr<LogReader> reader = createLogReader(job.sourceFormat);
    std::unique_ptr<LogWriter> writer = createLogWriter(job.targetFormat);
    if (!reader || !writer) {
        result.error = QStringLiteral("unknown format");
        return result;
    }
    if (!reader->open(job.source)) {
        result.error = reader->errorString();
        return result;
    }
    if (!writer->open(job.target, reader->absoluteTime())) {
        result.error = writer->errorString();
        return result;
    }
    const qint64 size = std::max<qint64>(1, reader->fileSize());
    int percent = -1;
    LogFrame frame;
    qint64 count = 0;
    while (reader->next(frame)) {
        if ((++count & 4095) == 0) {
            if (cancel.load(std::memory_order_relaxed)) {
                writer->cancel();
                result.cancelled = true;
                return result;
            }
            const int now = int(reader->bytesRead() * 100 / size);
            if (now != percent && progress)
                progress(percent = now);
        }
        if (job.filter.matches(frame) && !writer->write(frame)) {
            result.error = writer->errorString();
            writer->cancel();
            return result;
        }
    }
    result.damaged = reader->damagedRecords();
    if (!reader->errorString().isEmpty()) {
        result.error = reader->errorString();
        writer->cancel();
        return result;
    }
    if (!writer->close()) {
        result.error = writer->errorString();
        return result;
    }
    result.written = writer->framesWritten();
    result.leftOut = writer->framesLeftOut();
    return result;
}
