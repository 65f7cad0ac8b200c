#pragma once

// The rows of a log viewer: a table model over the frame index of one file. Only the rows
// the view asks for are read (in blocks of consecutive frames, through a reader of its
// own) and formatted, with the columns and texts of the main frame table. With a filter
// set, the model keeps the frame numbers of the rows that pass (4 bytes each). With a
// signal database for a channel, a last column shows the decoded signals of its frames.

#include "database/signalcodec.h"
#include "record/logformats.h"
#include "record/logframefilter.h"
#include "record/logindex.h"

#include <QAbstractTableModel>
#include <QVector>

#include <list>
#include <memory>
#include <vector>

class LogTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int FrameColumns = 11; // the columns of the main frame table
    static constexpr int SignalsColumn = FrameColumns;
    static constexpr int ColumnCount = FrameColumns + 1;

    explicit LogTableModel(QObject *parent = nullptr);
    ~LogTableModel() override;

    // Opens the file for reading rows; the index is empty until entries are appended.
    bool open(const QString &path, LogFormat format, QString *error);
    void appendEntries(const QVector<LogIndexEntry> &entries);
    // Time of the first frame, the zero of the time-stamp column; absolute: times count
    // from 1970 (the system-time column then shows local time of day).
    void setTimeBase(int64_t firstUs, bool absolute);
    // The databases that decode channel 1 and 2 (either may be null).
    void setDatabases(std::shared_ptr<const DbcDatabase> channel1,
                      std::shared_ptr<const DbcDatabase> channel2);
    void setFilter(const LogFrameFilter &filter);
    const LogFrameFilter &filter() const { return rowFilter; }
    bool filtered() const { return !rowFilter.passesAll(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    bool absoluteTime() const { return reader && reader->absoluteTime(); }
    QDate assumedDate() const { return reader ? reader->assumedDate() : QDate(); }
    int64_t frameCount() const { return frames.size(); }
    int64_t frameNumberOfRow(int row) const;
    // The frame shown in a row; false when it cannot be read again.
    bool frameOfRow(int row, LogFrame &frame) const;
    // The eleven frame-table texts of a row.
    QStringList rowTexts(int row) const;
    // The first row whose frame time is at or after timeUs (rows in time order).
    int rowAtTime(int64_t timeUs) const;
    // The texts follow the interface language.
    void retranslate();
    int64_t indexBytes() const { return frames.bytesUsed(); }

private:
    static constexpr int BlockSize = 128;
    static constexpr size_t CachedBlocks = 32;
    struct Block
    {
        int64_t number;
        std::vector<LogFrame> frames;
        std::vector<bool> valid;
    };
    const Block &blockOf(int64_t frameNumber) const;
    QString text(int64_t frameNumber, const LogFrame &frame, int column) const;
    QString signalsText(const LogFrame &frame) const;

    std::unique_ptr<LogReader> reader;
    LogIndex frames;
    LogFrameFilter rowFilter;
    std::vector<uint32_t> rows; // frame numbers of the rows that pass the filter
    int64_t firstUs = 0;
    bool absolute = false;
    mutable std::list<Block> cache; // most recently used first
    std::shared_ptr<const DbcDatabase> databases[2];
    mutable DecodedFrame decoded; // reused between rows
};
