#pragma once

// Vector BLF files: the file header, LOG_CONTAINER objects (zlib-compressed or stored)
// whose objects may run on into the next container, and CAN_MESSAGE, CAN_MESSAGE2,
// CAN_FD_MESSAGE, CAN_FD_MESSAGE_64, CAN_ERROR and CAN_ERROR_EXT objects. Other object
// types are skipped and counted. A container is never inflated beyond MaxContainerSize,
// so neither a zlib bomb nor a lying length field can exhaust memory; a damaged
// container or object is counted and reading resumes at the next "LOBJ".

#include "record/logreader.h"

#include <QByteArray>

class BlfReader : public LogReader
{
public:
    static constexpr int MaxContainerSize = 16 * 1024 * 1024;

    bool next(LogFrame &frame) override;
    // The container's file offset (40 bits) and the object's offset in its inflated data
    // (24 bits); objects outside containers carry 0xFFFFFF there.
    uint64_t position() const override { return lastPosition; }
    bool seek(uint64_t position) override;
    const char *formatName() const override { return "BLF"; }
    qint64 bytesRead() const override { return fileOffset; }

protected:
    bool start() override;

private:
    enum class Object { Frame, Other, NeedMore };
    Object parseObject(LogFrame &frame);
    bool decodeObject(const char *object, int size, LogFrame &frame, bool &isFrame);
    bool readFileObject(bool keepCarry); // the next top-level object into data
    bool findSignature(qint64 from, qint64 &found);
    bool inflateInto(const QByteArray &packed, int expected, QByteArray &target);
    uint64_t positionOf(int at) const;

    int64_t startUs = 0;
    qint64 fileOffset = 0;     // of the next top-level object
    QByteArray data;           // inflated container data still to parse, carry first
    int pos = 0;               // next object in data
    qint64 container = -1;     // file offset of the container behind data (after the carry)
    int carryLength = 0;       // bytes at the start of data from the container before
    qint64 carryContainer = 0; // that container's offset
    int carryInner = 0;        // and where in its data the carry starts
    bool directObject = false; // data holds one object found outside any container
    uint64_t lastPosition = 0;
};
