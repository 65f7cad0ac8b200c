#pragma once

// Reads a whole log file on a thread of its own and decodes the chosen signals of every
// frame into one series of (seconds, physical value) points per signal, for a plot of the
// file. Cancellable. A series stops at MaxPointsPerSignal points (about 32 MB); the result
// says when one did.

#include "database/signalfeed.h"
#include "record/logformats.h"

#include <QPointF>
#include <QThread>
#include <QVector>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

struct LogSignalScanResult
{
    std::vector<QVector<QPointF>> series; // by slot of the feed's selection
    qint64 frames = 0;                    // frames read
    bool truncated = false;               // a series reached MaxPointsPerSignal
    bool cancelled = false;
    QString error; // empty on success
};

class LogSignalScan : public QThread
{
    Q_OBJECT
public:
    static constexpr size_t MaxPointsPerSignal = 2000000;

    struct Job
    {
        QString path;
        LogFormat format = LogFormat::None;
        int64_t originUs = 0; // the time of 0 s on the plot
        SignalFeed feed;      // bound to its databases on the GUI thread
    };

    explicit LogSignalScan(Job job, QObject *parent = nullptr);
    ~LogSignalScan() override;

    void cancel() { cancelRequested = true; }
    LogSignalScanResult takeResult();
    // Runs the job on the calling thread.
    static LogSignalScanResult runJob(Job &job, const std::atomic<bool> &cancel,
                                      const std::function<void(int percent)> &progress);

signals:
    void progressed(int percent);
    // The scan has ended; takeResult() gives what it found.
    void scanned();

protected:
    void run() override;

private:
    std::mutex runMutex; // held by run()
    Job job;
    std::atomic<bool> cancelRequested{false};
    std::mutex resultMutex;
    LogSignalScanResult finalResult; // under resultMutex
};
