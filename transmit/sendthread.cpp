#include "transmit/sendthread.h"

#include "device/devicelayer.h"
#include "receive/frameformat.h"
#include "receive/pendingframes.h"
#include "record/csvframereader.h"
#include "settings/settingsstore.h"
#include "transmit/txrecords.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <mutex>
#include <type_traits>

namespace {

constexpr int64_t Endless = std::numeric_limits<int64_t>::max();
constexpr int64_t DayMs = 86400000;
constexpr uint32_t StandardIdEnd = 0x800;
constexpr uint32_t ExtendedIdEnd = 0x20000000;
// A sender holds back while the display has this many records still to take, so an
// unpaced job cannot flood the GUI thread or the memory.
constexpr int QueueHighWater = 100000;
// Pause between two passes over a file that sent nothing (both channels closed or no
// frame lines), so an endless replay does not spin.
constexpr int IdlePassPauseMs = 10;
// How long preparing a job waits for the previous job to finish winding down.
constexpr std::chrono::milliseconds JobHandOverWait{200};

// Time of day of the previously replayed file row in ms, 0 = none. Shared by both send
// threads; only the channel-index-0 thread replays files.
std::atomic<int64_t> lastRowTime{0};

bool anyChannelOpen()
{
    return isChannelOpen(0) || isChannelOpen(1);
}

// A replayed row as the record r (its kind's own fields already set), sent on its own.
template <typename Record>
bool sendRecord(const CsvFrame &frame, uint32_t ch, Record &r, SentFrameBatch &sent)
{
    r.id = makeCanId(frame.id & CanIdMask, frame.extended, frame.remote, false);
    r.length = std::min<uint8_t>(frame.length, sizeof(r.data));
    std::memcpy(r.data, frame.data, sizeof(r.data));
    return transmitAndQueue(ch, &r, 1, sent);
}

} // namespace

sendThread::sendThread(uint32_t channel) : QThread(nullptr), channel(channel) {}

sendThread::~sendThread()
{
    stop();
    wait();
    // Orders the end of run() (as the thread sanitizer sees it) before the members go.
    std::lock_guard<std::mutex> lock(jobMutex);
}

void sendThread::setSendData(uint32_t id, bool idIncrement, uint32_t extended, uint32_t canFd,
                             bool brs, const uint8_t *data, uint32_t dataLength, bool dataIncrement,
                             int64_t count, uint32_t framesPerCall, uint32_t intervalMs,
                             uint32_t remote, uint32_t transmitType)
{
    Job next;
    next.dataLength = data ? std::min<uint32_t>(dataLength, sizeof(next.data)) : 0;
    if (data)
        std::memcpy(next.data, data, next.dataLength);
    next.keepSending = count == -1;
    next.remaining = next.keepSending ? Endless : count;
    next.frameId = id & CanIdMask;
    next.idIncrement = idIncrement;
    next.extendedFrame = int32_t(extended);
    next.fdFrame = int32_t(canFd);
    next.fdFlags = brs ? 1 : 0;
    next.dataIncrement = dataIncrement;
    next.framesPerCall = std::clamp<uint32_t>(framesPerCall, 1, MaxFramesPerCall);
    next.intervalMs = intervalMs;
    next.remoteFrame = int32_t(remote);
    next.transmitType = transmitType;
    if (!prepareJob(next))
        qWarning("sendThread: a job is running; the new frame job is ignored");
}

void sendThread::setSendFile(const QString &path, int32_t repeat, int32_t interval, int32_t channel)
{
    Job next;
    next.fileMode = true;
    next.filePath = path;
    next.fileRepeat = repeat;
    next.fileInterval = interval;
    next.fileChannel = channel;
    if (!prepareJob(next))
        qWarning("sendThread: a job is running; the new file job is ignored");
}

void sendThread::stop()
{
    stopRequested = true;
}

// Waits a little for a job that is winding down (its endSend already sent).
bool sendThread::prepareJob(const Job &next)
{
    std::unique_lock<std::mutex> lock(jobMutex);
    if (!jobEnded.wait_for(lock, JobHandOverWait, [this] { return !jobRunning; }))
        return false;
    preparedJob = next;
    stopRequested = false;
    return true;
}

void sendThread::run()
{
    {
        std::lock_guard<std::mutex> lock(jobMutex);
        jobRunning = true;
        job = preparedJob;
    }
    if (job.fileMode)
        runFileJob();
    else
        runFrameJob();
    if (job.fileMode) {
        emit endSend(0);
        emit endSend(1);
    } else {
        emit endSend(channel);
    }
    // Notified under the lock, so the destructor cannot destroy the condition under it.
    std::lock_guard<std::mutex> lock(jobMutex);
    jobRunning = false;
    stopRequested = false;
    jobEnded.notify_all();
}

// ---- messages ----

void sendThread::emitLog(const QString &msg)
{
    if (languageIndex() <= 2 && !msg.isEmpty())
        emit log(msg);
}

QString sendThread::channelPrefix() const
{
    const QString prefix = byLanguage("通道", "通道", "channel", "sendThread");
    return prefix + QString::number(uint64_t(channel) + 1);
}

QString sendThread::frameStartMessage() const
{
    if (languageIndex() > 2)
        return QString();
    if (job.keepSending)
        return byLanguage("通道: %1开始发送数据：一直发送，发送间隔:%2ms...",
                          "通道: %1開始發送數據：一直發送，發送間隔:%2ms...",
                          "Channel:%1 Start sending data: Keep sending, sending interval:%2ms...")
            .arg(uint64_t(channel) + 1)
            .arg(job.intervalMs);
    return byLanguage("通道: %1开始发送数据：数据总帧数:%2，发送间隔:%3ms...",
                      "通道: %1開始發送數據：數據縂幀數:%2，發送間隔:%3ms...",
                      "Channel:%1 Start sending data: Total frames of data:%2, sending "
                      "interval:%3ms...")
        .arg(uint64_t(channel) + 1)
        .arg(qint64(job.remaining))
        .arg(job.intervalMs);
}

QString sendThread::failureMessage() const
{
    const QString text = job.fdFrame ? byLanguage("CANFD数据发送失败！", "CANFD數據發送失敗！",
                                                  "CANFD Data sending failed！")
                                     : byLanguage("CAN数据发送失败！", "CAN數據發送失敗！",
                                                  "CAN Data sending failed！");
    return channelPrefix() + text;
}

QString sendThread::frameEndMessage() const
{
    if (stopRequested)
        return channelPrefix() +
               byLanguage("数据中止发送！", "數據中止發送！", "Data Aborted Sending!");
    if (job.remaining == 0)
        return channelPrefix() +
               byLanguage("数据发送完成！", "數據發送完成！", "Data transmission completed!");
    return QString();
}

// ---- frame mode ----

void sendThread::runFrameJob()
{
    emitLog(frameStartMessage());
    SendPacer pacer;
    SentFrameBatch sent;
    while (!stopRequested && isChannelOpen(channel) && job.remaining >= 1) {
        if (!transmitNextCall(sent)) {
            emitLog(failureMessage());
            break;
        }
        waitForQueueRoom();
        pacer.advance(job.intervalMs);
        if (!pacer.waitForDeadline(stopRequested))
            break;
    }
    sent.flush(); // every sent frame is queued before the job reports its end
    emitLog(frameEndMessage());
    job.remaining = 0;
}

template <typename Record> bool sendThread::sendFrames(uint32_t count, SentFrameBatch &sent)
{
    Record records[MaxFramesPerCall];
    for (uint32_t i = 0; i < count; ++i) {
        Record &r = records[i];
        r = Record{};
        r.id = makeCanId(job.frameId, job.extendedFrame != 0, job.remoteFrame != 0, false);
        r.transmitType = job.transmitType;
        r.length = uint8_t(std::min<uint32_t>(job.dataLength, sizeof(r.data)));
        if constexpr (std::is_same_v<Record, CanFdTxRecord>)
            r.flags = job.fdFlags;
        std::memcpy(r.data, job.data, r.length);
        advanceFrame();
    }
    return transmitAndQueue(channel, records, count, sent);
}

bool sendThread::transmitNextCall(SentFrameBatch &sent)
{
    uint32_t n = job.framesPerCall;
    if (job.remaining < int64_t(n)) {
        job.framesPerCall = uint32_t(job.remaining);
        n = job.framesPerCall;
    }
    const bool ok =
        job.fdFrame ? sendFrames<CanFdTxRecord>(n, sent) : sendFrames<CanTxRecord>(n, sent);
    job.remaining -= n;
    if (job.remaining == 0 && job.keepSending)
        job.remaining = Endless;
    return ok;
}

// Identifier and data increments for the next frame.
void sendThread::advanceFrame()
{
    if (job.idIncrement) {
        ++job.frameId;
        if (job.extendedFrame == 0 && job.frameId == StandardIdEnd)
            job.frameId = 0;
        else if (job.extendedFrame == 1 && job.frameId == ExtendedIdEnd)
            job.frameId = 0;
    }
    if (job.dataIncrement) {
        // Little-endian counter over the first dataLength bytes, byte 0 least significant.
        for (uint32_t i = 0; i < job.dataLength; ++i) {
            if (job.data[i] != 0xFF) {
                ++job.data[i];
                break;
            }
            job.data[i] = 0x00;
        }
    }
}

void sendThread::waitForQueueRoom()
{
    while (!stopRequested && pendingCount() > QueueHighWater)
        msleep(1);
}

// ---- file mode ----

void sendThread::runFileJob()
{
    const QString start =
        byLanguage("开始发送文件: %1...", "開始發送文件: %1...", "send file: %1...");
    if (!start.isEmpty())
        emitLog(start.arg(job.filePath));
    CsvFrameReader reader;
    if (!reader.open(job.filePath)) {
        emitLog(byLanguage("文件发送错误！", "文件發送錯誤！", "File transmission Error!",
                           "sendThread"));
        return;
    }
    const bool accepted = runPasses(reader);
    const int unreadable = reader.unreadableRows();
    reader.close();
    if (unreadable > 0)
        emitLog(byLanguage("文件中有%1行无法读取，未发送！", "文件中有%1行無法讀取，未發送！",
                           "%1 rows of the file could not be read and were not sent!")
                    .arg(unreadable));
    if (!accepted)
        emitLog(byLanguage("文件发送错误！", "文件發送錯誤！", "File transmission Error!",
                           "sendThread"));
    else if (!stopRequested)
        emitLog(byLanguage("文件发送完成！", "文件發送完成！", "File transmission completed!",
                           "sendThread"));
    else
        emitLog(
            byLanguage("文件中止发送！", "文件中止發送！", "File Aborted Sending!", "sendThread"));
}

// False when a pass ended with every row refused by the adapter (gone, or its channel
// only listening): another pass would fare no better.
bool sendThread::runPasses(CsvFrameReader &reader)
{
    if (job.fileRepeat == -1) {
        while (!stopRequested) {
            const int rows = runPass(reader);
            if (rows < 0)
                return false;
            if (rows == 0)
                msleep(IdlePassPauseMs);
        }
        return true;
    }
    for (int32_t pass = 0; pass < job.fileRepeat && !stopRequested; ++pass) {
        if (runPass(reader) < 0)
            return false;
    }
    return true;
}

// One pass over the file; returns the number of rows sent, or -1 when the adapter
// refused every frame row of a pass that ran to its end on an open channel.
int sendThread::runPass(CsvFrameReader &reader)
{
    if (!reader.rewind())
        return 0;
    lastRowTime = 0;
    SendPacer pacer;
    SentFrameBatch sent;
    QStringList fields;
    int rows = 0;
    int frameRows = 0;
    while (!stopRequested && anyChannelOpen() && reader.readRow(fields)) {
        if (!fields.isEmpty())
            ++frameRows;
        if (replayRow(fields, pacer, sent))
            ++rows;
        sent.flush();
    }
    sent.flush();
    if (rows == 0 && frameRows > 0 && !stopRequested && anyChannelOpen() && reader.atEnd())
        return -1;
    return rows;
}

bool sendThread::replayRow(const QStringList &fields, SendPacer &pacer, SentFrameBatch &sent)
{
    if (fields.isEmpty()) {
        lastRowTime = 0;
        return false;
    }
    const CsvFrame frame = parseCsvFrame(fields);
    if (!pauseBeforeRow(frame, pacer))
        return false; // stopped during the pause
    if (frame.errorFrame)
        return true; // what the bus reported, not something to send
    return sendRow(frame, rowChannel(frame), sent);
}

bool sendThread::pauseBeforeRow(const CsvFrame &frame, SendPacer &pacer)
{
    const RowTiming timing = replayTiming(lastRowTime, frame.timeOfDayMs, frame.timeValid);
    lastRowTime = timing.rowTimeMs;
    const int64_t pause =
        job.fileInterval != -1 ? int64_t(std::max(job.fileInterval, 0)) : timing.pauseMs;
    if (pause == 0)
        return !stopRequested;
    pacer.advance(pause);
    return pacer.waitForDeadline(stopRequested);
}

sendThread::RowTiming sendThread::replayTiming(int64_t lastRowTimeMs, int64_t rowTimeMs,
                                               bool timeValid)
{
    RowTiming timing;
    if (!timeValid)
        return timing;
    timing.rowTimeMs = rowTimeMs;
    if (lastRowTimeMs > rowTimeMs) {
        // Only a step back of more than half a day is a capture crossing midnight; a
        // smaller one (a clock adjustment, reordered rows) is sent without a pause.
        const int64_t days = (lastRowTimeMs - rowTimeMs + DayMs / 2) / DayMs;
        timing.rowTimeMs += days * DayMs;
    }
    if (lastRowTimeMs != 0 && timing.rowTimeMs > lastRowTimeMs)
        timing.pauseMs = timing.rowTimeMs - lastRowTimeMs;
    return timing;
}

uint32_t sendThread::rowChannel(const CsvFrame &frame) const
{
    if (job.fileChannel == 0 || job.fileChannel == 1)
        return uint32_t(job.fileChannel);
    // The channel column counts from 1; like the device layer, anything but channel 1
    // addresses channel 2.
    return frame.channelField == 1 ? 0 : 1;
}

bool sendThread::sendRow(const CsvFrame &frame, uint32_t ch, SentFrameBatch &sent)
{
    if (frame.canFd) {
        CanFdTxRecord r{};
        r.flags = frame.fdFlags;
        return sendRecord(frame, ch, r, sent);
    }
    CanTxRecord r{};
    return sendRecord(frame, ch, r, sent);
}
