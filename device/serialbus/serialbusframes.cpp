#include "device/serialbus/serialbusframes.h"

#include "device/cancarryrule.h"
#include "device/canerrorframe.h"
#include "device/canframebits.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>

namespace SerialBusFrames {

namespace {

// The rule of what a bus carries has been applied before.
void setIdentifier(uint32_t word, QCanBusFrame *frame)
{
    frame->setFrameId(word & CanIdMask);
    frame->setExtendedFrameFormat((word & CanExtendedFlag) != 0);
}

} // namespace

bool fromTxRecord(const CanTxRecord &record, QCanBusFrame *frame, QString *error)
{
    *error = CanCarryRule::refusal(record);
    if (!error->isEmpty())
        return false;
    *frame = QCanBusFrame();
    setIdentifier(record.id, frame);
    const bool remote = record.id & CanRemoteFlag;
    frame->setFrameType(remote ? QCanBusFrame::RemoteRequestFrame : QCanBusFrame::DataFrame);
    // A remote frame carries no data; its payload size is the requested length.
    frame->setPayload(remote
                          ? QByteArray(record.length, '\0')
                          : QByteArray(reinterpret_cast<const char *>(record.data), record.length));
    return true;
}

bool fromTxRecord(const CanFdTxRecord &record, QCanBusFrame *frame, QString *error)
{
    *error = CanCarryRule::refusal(record);
    if (!error->isEmpty())
        return false;
    *frame = QCanBusFrame();
    setIdentifier(record.id, frame);
    QByteArray payload(reinterpret_cast<const char *>(record.data), record.length);
    payload.append(QByteArray(CanFrameBits::paddedFdLength(record.length) - record.length, '\0'));
    frame->setFrameType(QCanBusFrame::DataFrame);
    frame->setFlexibleDataRateFormat(true);
    frame->setBitrateSwitch(record.flags == 1);
    frame->setPayload(payload);
    return true;
}

uint32_t idWord(const QCanBusFrame &frame)
{
    uint32_t word = frame.frameId() & CanIdMask;
    if (frame.hasExtendedFrameFormat())
        word |= CanExtendedFlag;
    if (frame.frameType() == QCanBusFrame::RemoteRequestFrame)
        word |= CanRemoteFlag;
    return word;
}

uint64_t timeStampUs(const QCanBusFrame &frame)
{
    const QCanBusFrame::TimeStamp stamp = frame.timeStamp();
    const qint64 us = stamp.seconds() * 1000000 + stamp.microSeconds();
    if (us > 0)
        return static_cast<uint64_t>(us);
    return static_cast<uint64_t>(QDateTime::currentMSecsSinceEpoch()) * 1000;
}

CanRxRecord toRxRecord(const QCanBusFrame &frame)
{
    CanRxRecord record{};
    const QByteArray payload = frame.payload();
    record.id = idWord(frame);
    record.length = static_cast<uint8_t>(std::min(payload.size(), 8));
    if (frame.frameType() != QCanBusFrame::RemoteRequestFrame)
        std::memcpy(record.data, payload.constData(), record.length);
    record.timeStamp = timeStampUs(frame);
    return record;
}

CanRxRecord toErrorRecord(const QCanBusFrame &frame)
{
    CanRxRecord record{};
    const QByteArray payload = frame.payload();
    record.id = CanErrorFlag | (uint32_t(frame.error()) & CanErrorFrame::ClassMask);
    record.length = 8;
    std::memcpy(record.data, payload.constData(), size_t(std::min(payload.size(), 8)));
    record.timeStamp = timeStampUs(frame);
    return record;
}

CanFdRxRecord toFdRxRecord(const QCanBusFrame &frame)
{
    CanFdRxRecord record{};
    const QByteArray payload = frame.payload();
    record.id = idWord(frame);
    record.length = static_cast<uint8_t>(std::min(payload.size(), 64));
    record.flags = frame.hasBitrateSwitch() ? 1 : 0;
    std::memcpy(record.data, payload.constData(), record.length);
    record.timeStamp = timeStampUs(frame);
    return record;
}

} // namespace SerialBusFrames
