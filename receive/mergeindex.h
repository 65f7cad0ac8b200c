#pragma once

// Where each merge key (channel, direction and ID text) first stands in the frame table,
// so that a merging append finds its row without searching the table from the top.
//
// The index is built from the rows on the first lookup and then kept up to date by the
// table for merging appends, removals from the top and clears. Anything else that may
// change it (a plain append, an edited cell, removing the first of two rows with one key)
// drops it, and the next lookup builds it again.

#include "receive/mytablemodel.h"

#include <QHash>

#include <deque>

class MergeIndex
{
public:
    // The row of the first table row with row's key, or -1.
    int find(const std::deque<FrameRow> &rows, const FrameRow &row);
    // Records that row now stands at position at of the table (the end, after a miss).
    void added(const FrameRow &row, int at);
    // Called before the first count rows are removed from the table.
    void removingFirst(const std::deque<FrameRow> &rows, int count);
    void cleared();
    void invalidate();

private:
    struct Key
    {
        QString channel;
        QString direction;
        QString id;
        bool operator==(const Key &other) const;
    };
    friend uint qHash(const Key &key, uint seed);
    static Key keyOf(const FrameRow &row);
    void rebuild(const std::deque<FrameRow> &rows);

    // Positions count from the first row ever held, so removing rows from the top only
    // moves `removed` on.
    QHash<Key, qint64> firstAt;
    qint64 removed = 0;
    bool valid = false;
    bool duplicates = false; // some key stands in more than one row
};
