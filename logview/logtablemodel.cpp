#include "logview/logtablemodel.h"

#include "database/dbcdatabase.h"
#include "database/signaltext.h"
#include "receive/modelitem.h"
#include "record/csvformat.h"
#include "record/csvlogwriter.h"
#include "settings/settingsstore.h"

#include <QDateTime>

#include <algorithm>

namespace {

QString secondsText(int64_t us)
{
    const bool negative = us < 0;
    const uint64_t magnitude = negative ? uint64_t(-(us + 1)) + 1 : uint64_t(us);
    return QStringLiteral("%1%2.%3")
        .arg(negative ? "-" : "")
        .arg(magnitude / 1000000)
        .arg(magnitude % 1000000, 6, 10, QLatin1Char('0'));
}

QString clockText(int64_t timeUs, bool absolute)
{
    if (absolute)
        return QDateTime::fromMSecsSinceEpoch(timeUs / 1000, Qt::LocalTime)
            .toString(QStringLiteral("hh:mm:ss.zzz"));
    return QTime(0, 0)
        .addMSecs(int((timeUs / 1000) % (24LL * 3600 * 1000)))
        .toString(QStringLiteral("hh:mm:ss.zzz"));
}

} // namespace

LogTableModel::LogTableModel(QObject *parent) : QAbstractTableModel(parent) {}

LogTableModel::~LogTableModel() = default;

bool LogTableModel::open(const QString &path, LogFormat format, QString *error)
{
    beginResetModel();
    frames.clear();
    rows.clear();
    cache.clear();
    reader = createLogReader(format);
    bool ok = reader && reader->open(path);
    if (!ok && error)
        *error = reader ? reader->errorString() : QStringLiteral("unknown format");
    if (!ok)
        reader.reset();
    endResetModel();
    return ok;
}

void LogTableModel::appendEntries(const QVector<LogIndexEntry> &entries)
{
    if (entries.isEmpty())
        return;
    const int64_t start = frames.size();
    if (!filtered()) {
        beginInsertRows(QModelIndex(), int(start), int(start + entries.size() - 1));
        frames.append(entries.constData(), entries.size());
        endInsertRows();
        return;
    }
    frames.append(entries.constData(), entries.size());
    std::vector<uint32_t> passing;
    for (int i = 0; i < entries.size(); ++i) {
        if (rowFilter.matches(entries.at(i)))
            passing.push_back(uint32_t(start + i));
    }
    if (passing.empty())
        return;
    beginInsertRows(QModelIndex(), int(rows.size()), int(rows.size() + passing.size() - 1));
    rows.insert(rows.end(), passing.begin(), passing.end());
    endInsertRows();
}

void LogTableModel::setTimeBase(int64_t first, bool isAbsolute)
{
    firstUs = first;
    absolute = isAbsolute;
    if (rowCount() > 0)
        emit dataChanged(createIndex(0, 1), createIndex(rowCount() - 1, 2));
}

void LogTableModel::setFilter(const LogFrameFilter &filter)
{
    beginResetModel();
    rowFilter = filter;
    rows.clear();
    rows.shrink_to_fit();
    if (filtered()) {
        for (int64_t i = 0; i < frames.size(); ++i) {
            if (rowFilter.matches(frames.at(i)))
                rows.push_back(uint32_t(i));
        }
    }
    endResetModel();
}

int LogTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(std::min<int64_t>(filtered() ? int64_t(rows.size()) : frames.size(), INT32_MAX));
}

int LogTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

int64_t LogTableModel::frameNumberOfRow(int row) const
{
    return filtered() ? int64_t(rows[size_t(row)]) : int64_t(row);
}

// Frames are read in aligned blocks of consecutive frames: one seek, then straight on.
const LogTableModel::Block &LogTableModel::blockOf(int64_t frameNumber) const
{
    const int64_t number = frameNumber / BlockSize;
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        if (it->number == number) {
            cache.splice(cache.begin(), cache, it);
            return cache.front();
        }
    }
    Block block;
    block.number = number;
    const int64_t first = number * BlockSize;
    const int count = int(std::min<int64_t>(BlockSize, frames.size() - first));
    block.frames.resize(size_t(std::max(count, 0)));
    block.valid.assign(size_t(std::max(count, 0)), false);
    bool inStep = false; // the reader stands right before frame first + i
    for (int i = 0; i < count && reader; ++i) {
        const uint64_t position = frames.at(first + i).position;
        if (!inStep && !reader->seek(position))
            continue;
        LogFrame frame;
        if (!reader->next(frame) || reader->position() != position) {
            inStep = false;
            continue;
        }
        block.frames[size_t(i)] = frame;
        block.valid[size_t(i)] = true;
        inStep = true;
    }
    cache.push_front(std::move(block));
    if (cache.size() > CachedBlocks)
        cache.pop_back();
    return cache.front();
}

bool LogTableModel::frameOfRow(int row, LogFrame &frame) const
{
    if (row < 0 || row >= rowCount())
        return false;
    const int64_t number = frameNumberOfRow(row);
    const Block &block = blockOf(number);
    const size_t at = size_t(number - block.number * BlockSize);
    if (at >= block.valid.size() || !block.valid[at])
        return false;
    frame = block.frames[at];
    return true;
}

QString LogTableModel::text(int64_t frameNumber, const LogFrame &frame, int column) const
{
    switch (column) {
    case 0:
        return QString::number(frameNumber + 1);
    case 1:
        return clockText(frame.timeUs, absolute);
    case 2:
        return secondsText(frame.timeUs - firstUs);
    default:
        break;
    }
    const ModelItem item = CsvLogWriter::rowOf(frame, 0);
    switch (column) {
    case 3:
        return item.channelText;
    case 4:
        return item.direction;
    case 5:
        return item.id;
    case 6:
        return item.frame;
    case 7:
        return frame.error ? byLanguage("错误帧", "錯誤幀", "error frame") : item.type;
    case 8:
        return item.dlc;
    case 9:
        return frame.esi ? item.canFd + QStringLiteral(" ESI") : item.canFd;
    case 10:
        return item.data;
    }
    return QString();
}

QString LogTableModel::signalsText(const LogFrame &frame) const
{
    if (frame.error || frame.remote || frame.channel > 1 || !databases[frame.channel])
        return QString();
    const DbcMessage *message = databases[frame.channel]->find(frame.id, frame.extended);
    if (!message)
        return QString();
    SignalCodec::decode(*message, frame.data, frame.length, decoded);
    QString text = message->name;
    const QString values = decodedSignalsText(*message, decoded);
    if (!values.isEmpty())
        text += QStringLiteral(": ") + values;
    if (decoded.missing > 0)
        text += byLanguage("（%1 个信号超出数据）", "（%1 個訊號超出資料）",
                           " (%1 signals past the data)")
                    .arg(decoded.missing);
    return text;
}

void LogTableModel::setDatabases(std::shared_ptr<const DbcDatabase> channel1,
                                 std::shared_ptr<const DbcDatabase> channel2)
{
    databases[0] = std::move(channel1);
    databases[1] = std::move(channel2);
    if (rowCount() > 0)
        emit dataChanged(createIndex(0, SignalsColumn), createIndex(rowCount() - 1, SignalsColumn));
}

QVariant LogTableModel::data(const QModelIndex &cell, int role) const
{
    if (!cell.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return QVariant();
    LogFrame frame;
    if (!frameOfRow(cell.row(), frame))
        return cell.column() == 0 ? QVariant(byLanguage("(无法读取)", "(無法讀取)", "(unreadable)"))
                                  : QVariant();
    if (cell.column() == SignalsColumn)
        return signalsText(frame);
    return text(frameNumberOfRow(cell.row()), frame, cell.column());
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == SignalsColumn)
        return byLanguage("信号", "訊號", "Signals");
    return frameColumnLabels(languageIndex()).value(section);
}

QStringList LogTableModel::rowTexts(int row) const
{
    QStringList texts;
    LogFrame frame;
    if (!frameOfRow(row, frame))
        return texts;
    for (int column = 0; column < FrameColumns; ++column)
        texts << text(frameNumberOfRow(row), frame, column);
    return texts;
}

int LogTableModel::rowAtTime(int64_t timeUs) const
{
    int low = 0, high = rowCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        LogFrame frame;
        if (frameOfRow(middle, frame) && frame.timeUs < timeUs)
            low = middle + 1;
        else
            high = middle;
    }
    return std::min(low, std::max(0, rowCount() - 1));
}

void LogTableModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (rowCount() > 0)
        emit dataChanged(createIndex(0, 0), createIndex(rowCount() - 1, ColumnCount - 1));
}
