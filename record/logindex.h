#pragma once

// The index of a log file: one 16-byte entry per frame (where the frame starts, its
// identifier, flags and channel), so a viewer of ten million frames needs 160 MB and
// formats only the rows it shows. Entries are kept in chunks of fixed size: the index
// grows without ever copying what it already holds.

#include <QVector>

#include <cstdint>
#include <memory>
#include <vector>

struct LogIndexEntry
{
    enum Flags : uint8_t { Extended = 1, Remote = 2, Error = 4, Fd = 8, Tx = 16 };

    uint64_t position = 0; // LogReader::position() of the frame
    uint32_t id = 0;
    uint8_t channel = 0;
    uint8_t flags = 0;
    uint16_t spare = 0;
};
static_assert(sizeof(LogIndexEntry) == 16, "an index entry is 16 bytes");

class LogIndex
{
public:
    static constexpr int ChunkBits = 16;
    static constexpr int ChunkSize = 1 << ChunkBits;

    void append(const LogIndexEntry *entries, int count);
    void clear();
    int64_t size() const { return count; }
    const LogIndexEntry &at(int64_t i) const
    {
        return chunks[size_t(i >> ChunkBits)][size_t(i & (ChunkSize - 1))];
    }
    int64_t bytesUsed() const;

private:
    std::vector<std::unique_ptr<LogIndexEntry[]>> chunks;
    int64_t count = 0;
};

Q_DECLARE_TYPEINFO(LogIndexEntry, Q_PRIMITIVE_TYPE);
