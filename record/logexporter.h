#pragma once

// Copies the frames of a log file that pass a filter into a log file of any writable
// format, on a thread of its own, with its own reader. Cancellable; a cancelled or
// failed export leaves no file behind (the writers write through QSaveFile).

#include "record/logformats.h"
#include "record/logframefilter.h"

#include <QMetaType>
#include <QThread>

#include <atomic>
#include <functional>
#include <mutex>

struct LogExportResult
{
    qint64 written = 0;
    qint64 leftOut = 0; // frames the target format cannot hold
    qint64 damaged = 0; // records of the source that could not be read
    bool cancelled = false;
    QString error; // empty on success
};

class LogExporter : public QThread
{
    Q_OBJECT
public:
    struct Job
    {
        QString source;
        LogFormat sourceFormat = LogFormat::None;
        QString target;
        LogFormat targetFormat = LogFormat::None;
        LogFrameFilter filter;
    };

    explicit LogExporter(const Job &job, QObject *parent = nullptr);
    ~LogExporter() override;

    void cancel() { cancelRequested = true; }
    LogExportResult result();
    // Runs the job on the calling thread.
    static LogExportResult runJob(const Job &job, const std::atomic<bool> &cancel,
                                  const std::function<void(int percent)> &progress);

signals:
    void progressed(int percent);
    // The job has ended; result() says how.
    void exported();

protected:
    void run() override;

private:
    std::mutex runMutex; // held by run()
    const Job job;
    std::atomic<bool> cancelRequested{false};
    // The result goes over under a lock of its own rather than as a queued signal's
    // argument, so the hand-over is visible to the thread sanitizer.
    std::mutex resultMutex;
    LogExportResult finalResult; // under resultMutex
};

Q_DECLARE_METATYPE(LogExportResult)
