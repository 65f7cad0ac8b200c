#pragma once

// A loaded signal database (DBC): nodes, messages with their signals, value descriptions,
// multiplexing, comments and the few attributes the program uses. Filled by DbcReader,
// read by the signal codec and the signal windows; never changed after loading.

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

enum class DbcValueType : uint8_t { Integer, Float, Double };

// Raw value descriptions of a signal or a named value table, sorted by value.
using DbcValueTexts = std::vector<std::pair<int64_t, QString>>;

// A closed range of multiplexor raw values that selects a signal.
struct DbcMuxRange
{
    uint64_t low = 0;
    uint64_t high = 0;
};

// Where a signal's bits lie in the payload, worked out once from start bit, length and
// byte order: the bytes it touches and the shift that brings its lowest bit to bit 0.
struct DbcBitLayout
{
    int firstByte = 0;
    int byteCount = 1; // 1..9
    int shift =
        0; // Intel: right shift of the little-endian bytes; Motorola: of the big-endian ones
    uint64_t mask = 1;
};

struct DbcSignal
{
    QString name;
    int startBit = 0;      // DBC convention: Intel = least significant bit, Motorola = most
    int length = 1;        // 1..64 bits
    bool motorola = false; // "@0": big-endian byte order
    bool isSigned = false; // "-": two's complement
    DbcValueType valueType = DbcValueType::Integer;
    double factor = 1;
    double offset = 0;
    double minimum = 0;
    double maximum = 0;
    QString unit;
    QStringList receivers;
    QString comment;
    DbcValueTexts valueTexts;

    // Multiplexing: a multiplexor selects the signals whose multiplexor index points at it
    // when its raw value lies in one of their ranges. -1 = present in every frame.
    bool isMultiplexor = false;
    int multiplexor = -1;
    std::vector<DbcMuxRange> muxRanges;

    // GenSigStartValue, a raw value (used when encoding a frame that leaves it out).
    double startValue = 0;

    DbcBitLayout layout;

    // The last payload byte the signal needs + 1.
    int bytesNeeded() const { return layout.firstByte + layout.byteCount; }
    // The description of a raw value, or an empty text.
    QString valueText(int64_t raw) const;
};

struct DbcMessage
{
    QString name;
    uint32_t id = 0; // without the extended-frame bit
    bool extended = false;
    bool canFd = false; // VFrameFormat *CAN_FD, or longer than 8 bytes
    int length = 0;     // 0..64 bytes
    QString sender;
    QString comment;
    int cycleTimeMs = 0; // GenMsgCycleTime, 0 = not cyclic / not given
    std::vector<DbcSignal> signalList;
    // Signal indexes in an order in which every multiplexor comes before what it selects.
    std::vector<int> decodeOrder;

    // The index of a signal by name, or -1.
    int signalIndex(const QString &signalName) const;
};

struct DbcDatabase
{
    QString version;
    QString comment;
    QStringList nodes;
    QHash<QString, QString> nodeComments;
    QHash<QString, DbcValueTexts> valueTables;
    std::vector<DbcMessage> messages;

    // The message of an identifier, or nullptr.
    const DbcMessage *find(uint32_t id, bool extended) const;
    // Rebuilds the identifier index (after messages changed).
    void buildIndex();
    int signalCount() const;

private:
    static uint32_t key(uint32_t id, bool extended) { return id | (extended ? 0x80000000u : 0u); }
    QHash<uint32_t, int> byId;
};
