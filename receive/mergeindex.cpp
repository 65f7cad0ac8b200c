#include "receive/mergeindex.h"

bool MergeIndex::Key::operator==(const Key &other) const
{
    return id == other.id && channel == other.channel && direction == other.direction;
}

uint qHash(const MergeIndex::Key &key, uint seed)
{
    return qHash(key.id, seed) ^ (qHash(key.channel, seed) * 31u) ^ qHash(key.direction, seed);
}

MergeIndex::Key MergeIndex::keyOf(const FrameRow &row)
{
    return {row.cells[MyTableModel::ChannelColumn], row.cells[MyTableModel::DirectionColumn],
            row.cells[MyTableModel::IdColumn]};
}

int MergeIndex::find(const std::deque<FrameRow> &rows, const FrameRow &row)
{
    if (!valid)
        rebuild(rows);
    const auto it = firstAt.constFind(keyOf(row));
    return it == firstAt.constEnd() ? -1 : int(it.value() - removed);
}

void MergeIndex::added(const FrameRow &row, int at)
{
    if (valid)
        firstAt.insert(keyOf(row), removed + at);
}

void MergeIndex::removingFirst(const std::deque<FrameRow> &rows, int count)
{
    if (!valid)
        return;
    for (int row = 0; row < count; ++row) {
        const auto it = firstAt.find(keyOf(rows[size_t(row)]));
        if (it == firstAt.end() || it.value() != removed + row)
            continue;
        if (duplicates) { // a later row with this key becomes the first: rebuild
            invalidate();
            return;
        }
        firstAt.erase(it);
    }
    removed += count;
}

void MergeIndex::cleared()
{
    firstAt.clear();
    removed = 0;
    valid = true;
    duplicates = false;
}

void MergeIndex::invalidate()
{
    if (!valid)
        return;
    firstAt.clear();
    valid = false;
}

void MergeIndex::rebuild(const std::deque<FrameRow> &rows)
{
    firstAt.clear();
    firstAt.reserve(int(std::min<size_t>(rows.size(), 1u << 20)));
    removed = 0;
    duplicates = false;
    for (size_t row = 0; row < rows.size(); ++row) {
        Key key = keyOf(rows[row]);
        if (firstAt.contains(key))
            duplicates = true;
        else
            firstAt.insert(std::move(key), qint64(row));
    }
    valid = true;
}
