#pragma once

// Send thread, one per channel: runs one frame-mode or file-mode job at a time and puts
// every transmitted frame into the pending-frame queue.

#include "receive/modelitem.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>

class sendThread : public QThread
{
    Q_OBJECT
public:
    explicit sendThread(uint32_t channel);

    void setSendData(uint32_t id, bool idIncrement, uint32_t extended, uint32_t canFd, bool brs,
                     const uint8_t *data, uint32_t dataLength, bool dataIncrement, int64_t count,
                     uint32_t framesPerCall, uint32_t intervalMs, uint32_t remote,
                     uint32_t transmitType);
    void setSendFile(const QString &path, int32_t repeat, int32_t interval, int32_t channel);
    void stop();
    uint32_t channelIndex() const { return channel; }

signals:
    void endSend(uint channel);
    void log(QString msg);
    void sendedData(QList<ModelItem> modelList, uint channel);

protected:
    void run() override;

private:
    void runFrameJob();
    void runFileJob();

    const uint32_t channel;
    std::atomic<bool> stopRequested{false};
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
    bool fileMode = false;
    QString filePath;
    int32_t fileRepeat = 0;
    int32_t fileInterval = 0;
    int32_t fileChannel = 0;
};
