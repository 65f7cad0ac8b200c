#pragma once

// Send thread, one per channel: runs one frame-mode or file-mode job at a time and puts
// every transmitted frame into the pending-frame queue.

#include "receive/modelitem.h"
#include "record/csvformat.h"
#include "transmit/sendpacer.h"
#include "transmit/sentframebatch.h"

#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class CsvFrameReader;

class sendThread : public QThread
{
    Q_OBJECT
public:
    explicit sendThread(uint32_t channel);
    ~sendThread() override;

    // Prepare a frame-mode or a file-mode job; both are refused (with a warning) while
    // another job is running.
    void setSendData(uint32_t id, bool idIncrement, uint32_t extended, uint32_t canFd, bool brs,
                     const uint8_t *data, uint32_t dataLength, bool dataIncrement, int64_t count,
                     uint32_t framesPerCall, uint32_t intervalMs, uint32_t remote,
                     uint32_t transmitType);
    void setSendFile(const QString &path, int32_t repeat, int32_t interval, int32_t channel);
    void stop();
    uint32_t channelIndex() const { return channel; }

    // Most records handed to the device layer per transmit call.
    static constexpr uint32_t MaxFramesPerCall = 256;

    // Timing of one replayed file row: the row's time of day (moved on by whole days
    // when the capture crossed midnight) and the pause before it, given the time of the
    // previous row (0 = none yet). A row whose time did not parse gets no pause and
    // resets the reference (rowTimeMs 0).
    struct RowTiming
    {
        int64_t rowTimeMs = 0;
        int64_t pauseMs = 0;
    };
    static RowTiming replayTiming(int64_t lastRowTimeMs, int64_t rowTimeMs, bool timeValid);

signals:
    void endSend(uint channel);
    void log(QString msg);
    void sendedData(QList<ModelItem> modelList, uint channel);

protected:
    void run() override;

private:
    void runFrameJob();
    bool transmitNextCall(SentFrameBatch &sent);
    // One transmit call of count frames of the job (CanTxRecord or CanFdTxRecord).
    template <typename Record> bool sendFrames(uint32_t count, SentFrameBatch &sent);
    void advanceFrame();
    void waitForQueueRoom();
    QString frameStartMessage() const;
    QString frameEndMessage() const;
    QString failureMessage() const;

    void runFileJob();
    bool runPasses(CsvFrameReader &reader);
    int runPass(CsvFrameReader &reader);
    bool replayRow(const QStringList &fields, SendPacer &pacer, SentFrameBatch &sent);
    bool pauseBeforeRow(const CsvFrame &frame, SendPacer &pacer);
    bool sendRow(const CsvFrame &frame, uint32_t ch, SentFrameBatch &sent);
    uint32_t rowChannel(const CsvFrame &frame) const;

    void emitLog(const QString &msg);
    QString channelPrefix() const;

    // One frame-mode or file-mode job, handed to the thread as a value.
    struct Job
    {
        bool fileMode = false;
        // frame mode
        uint32_t frameId = 0;
        bool idIncrement = false;
        int32_t extendedFrame = 0;
        int32_t fdFrame = 0;
        uint8_t fdFlags = 0;
        uint8_t data[64] = {};
        uint32_t dataLength = 0;
        bool dataIncrement = false;
        int64_t remaining = 0;
        uint32_t intervalMs = 1;
        uint32_t framesPerCall = 1;
        int32_t remoteFrame = 0;
        uint32_t transmitType = 0;
        bool keepSending = false;
        // file mode
        QString filePath;
        int32_t fileRepeat = 0;
        int32_t fileInterval = 0;
        int32_t fileChannel = 0;
    };
    // Hands the next job over; false while a job runs and does not end within a moment.
    bool prepareJob(const Job &next);

    const uint32_t channel;
    std::atomic<bool> stopRequested{false};
    std::mutex jobMutex;
    std::condition_variable jobEnded;
    Job preparedJob;         // under jobMutex
    bool jobRunning = false; // under jobMutex
    Job job;                 // the running job, touched by run() only
};
