#include "record/logindex.h"

#include <algorithm>

void LogIndex::append(const LogIndexEntry *entries, int n)
{
    while (n > 0) {
        const int inChunk = int(count & (ChunkSize - 1));
        if (inChunk == 0 && size_t(count >> ChunkBits) == chunks.size())
            chunks.emplace_back(new LogIndexEntry[ChunkSize]);
        const int take = std::min(n, ChunkSize - inChunk);
        std::copy_n(entries, take, chunks.back().get() + inChunk);
        entries += take;
        n -= take;
        count += take;
    }
}

void LogIndex::clear()
{
    chunks.clear();
    count = 0;
}

int64_t LogIndex::bytesUsed() const
{
    return int64_t(chunks.size()) * ChunkSize * int64_t(sizeof(LogIndexEntry));
}
