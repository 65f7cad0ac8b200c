#include "receive/mytablemodel.h"

#include "receive/mergeindex.h"
#include "receive/rowreaper.h"

#include <QSet>

#include <algorithm>
#include <deque>
#include <iterator>
#include <utility>
#include <vector>

namespace {

constexpr int MaxInternedTexts = 1024;

// The ModelItem text shown in a column.
const QString &itemText(const ModelItem &item, int column)
{
    switch (column) {
    case 0:
        return item.index;
    case 1:
        return item.systemTime;
    case 2:
        return item.timeStamp;
    case 3:
        return item.channelText;
    case 4:
        return item.direction;
    case 5:
        return item.id;
    case 6:
        return item.frame;
    case 7:
        return item.type;
    case 8:
        return item.dlc;
    case 9:
        return item.canFd;
    default:
        return item.data;
    }
}

// A merging append of several items: rows of the table to overwrite, rows to add.
struct MergePlan
{
    std::vector<std::pair<int, FrameRow>> overwrites;
    std::vector<FrameRow> added;
};

bool isTextRole(int role)
{
    return role == Qt::DisplayRole || role == Qt::EditRole;
}

} // namespace

FrameRow FrameRow::fromItem(const ModelItem &item)
{
    FrameRow row;
    for (int column = 0; column < MyTableModel::ColumnCount; ++column)
        row.cells[column] = itemText(item, column);
    return row;
}

FrameRow FrameRow::takeFromItem(ModelItem &item)
{
    FrameRow row;
    QString *texts[] = {&item.index,     &item.systemTime, &item.timeStamp, &item.channelText,
                        &item.direction, &item.id,         &item.frame,     &item.type,
                        &item.dlc,       &item.canFd,      &item.data};
    for (int column = 0; column < MyTableModel::ColumnCount; ++column)
        row.cells[column].swap(*texts[column]);
    return row;
}

struct MyTableModel::Private
{
    std::deque<FrameRow> rows;
    QStringList headers;
    std::array<QStringList, ColumnCount> columnFilters;
    std::array<QSet<QString>, ColumnCount> filterSets;
    // Repeating texts (channel to protocol) share one string across all rows.
    std::array<QSet<QString>, ColumnCount> interned;
    // The text each column shared last: consecutive rows mostly repeat it, and texts the
    // formatter already shares are recognised without a hash lookup.
    std::array<QString, ColumnCount> lastShared;
    MergeIndex mergeIndex;

    bool validCell(int row, int column) const
    {
        return row >= 0 && size_t(row) < rows.size() && column >= 0 && column < ColumnCount;
    }
    FrameRow shared(const FrameRow &row);
    void share(FrameRow &row);
    bool accepts(int column, const QString &text) const
    {
        return filterSets[column].isEmpty() || filterSets[column].contains(text);
    }
    MergePlan planMerge(QList<ModelItem> &items, int from);
    void overwrite(std::vector<std::pair<int, FrameRow>> &overwrites);
    void discardFirst(int count);
    void discardAll();

    // Declared last: destroyed first, freeing what it still holds before the rows go.
    RowReaper reaper;
};

FrameRow MyTableModel::Private::shared(const FrameRow &row)
{
    FrameRow result = row;
    share(result);
    return result;
}

void MyTableModel::Private::share(FrameRow &row)
{
    for (int column = ChannelColumn; column <= 9; ++column) {
        QString &text = row.cells[column];
        QString &last = lastShared[column];
        if (text.constData() == last.constData())
            continue;
        if (text == last) {
            text = last;
            continue;
        }
        QSet<QString> &texts = interned[column];
        const auto it = texts.constFind(text);
        if (it != texts.constEnd()) {
            text = *it;
        } else {
            if (texts.size() >= MaxInternedTexts)
                texts.clear();
            texts.insert(text);
        }
        last = text;
    }
}

// Where each item goes, in order, as if offered one by one: over the first row of its key
// (one already in the table, or one the plan adds), or at the end.
MergePlan MyTableModel::Private::planMerge(QList<ModelItem> &items, int from)
{
    MergePlan plan;
    const int count = int(rows.size());
    const bool movable = items.isDetached();
    for (int i = std::max(from, 0); i < items.size(); ++i) {
        FrameRow row = movable ? FrameRow::takeFromItem(items[i]) : FrameRow::fromItem(items.at(i));
        share(row);
        const int target = mergeIndex.find(rows, row);
        if (target < 0) {
            mergeIndex.added(row, count + int(plan.added.size()));
            plan.added.push_back(std::move(row));
        } else if (target >= count) {
            plan.added[size_t(target - count)] = std::move(row);
        } else {
            plan.overwrites.emplace_back(target, std::move(row));
        }
    }
    return plan;
}

// Puts each planned row in its place; the rows it replaces are freed on the reaper.
void MyTableModel::Private::overwrite(std::vector<std::pair<int, FrameRow>> &overwrites)
{
    if (overwrites.empty())
        return;
    std::deque<FrameRow> replaced;
    for (auto &planned : overwrites) {
        FrameRow &row = rows[size_t(planned.first)];
        replaced.push_back(std::move(row));
        row = std::move(planned.second);
    }
    reaper.discard(std::move(replaced));
}

void MyTableModel::Private::discardFirst(int count)
{
    std::deque<FrameRow> removed;
    std::move(rows.begin(), rows.begin() + count, std::back_inserter(removed));
    rows.erase(rows.begin(), rows.begin() + count);
    reaper.discard(std::move(removed));
}

void MyTableModel::Private::discardAll()
{
    std::deque<FrameRow> removed;
    removed.swap(rows);
    reaper.discard(std::move(removed));
}

MyTableModel::MyTableModel(QObject *parent) : QAbstractTableModel(parent), d(new Private) {}

MyTableModel::~MyTableModel()
{
    delete d;
}

int MyTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(d->rows.size());
}

int MyTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : d->headers.size();
}

QVariant MyTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || !isTextRole(role) ||
        !d->validCell(index.row(), index.column()))
        return QVariant();
    return d->rows[size_t(index.row())].cells[index.column()];
}

bool MyTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.model() != this || !isTextRole(role) ||
        !d->validCell(index.row(), index.column()))
        return false;
    d->rows[size_t(index.row())].cells[index.column()] = value.toString();
    if (index.column() >= ChannelColumn && index.column() <= IdColumn)
        d->mergeIndex.invalidate();
    emit dataChanged(index, index);
    return true;
}

QVariant MyTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < d->headers.size())
        return d->headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QStringList MyTableModel::headerLabels() const
{
    return d->headers;
}

// The label count is the column count, so a change of it is announced as columns
// inserted or removed; the labels themselves as a header change.
void MyTableModel::setHeaderLabels(const QStringList &labels)
{
    const int oldCount = d->headers.size();
    const int newCount = labels.size();
    if (newCount > oldCount)
        beginInsertColumns(QModelIndex(), oldCount, newCount - 1);
    else if (newCount < oldCount)
        beginRemoveColumns(QModelIndex(), newCount, oldCount - 1);
    d->headers = labels;
    if (newCount > oldCount)
        endInsertColumns();
    else if (newCount < oldCount)
        endRemoveColumns();
    if (newCount > 0)
        emit headerDataChanged(Qt::Horizontal, 0, newCount - 1);
}

void MyTableModel::appendRows(const QList<FrameRow> &newRows)
{
    if (newRows.isEmpty())
        return;
    const int first = rowCount();
    d->mergeIndex.invalidate();
    beginInsertRows(QModelIndex(), first, first + newRows.size() - 1);
    for (const FrameRow &row : newRows)
        d->rows.push_back(d->shared(row));
    endInsertRows();
}

void MyTableModel::appendItems(const QList<ModelItem> &items, int from)
{
    QList<ModelItem> copy = items; // shared, so nothing is moved out of the caller's list
    appendItems(std::move(copy), from);
}

void MyTableModel::appendItems(QList<ModelItem> &&items, int from)
{
    from = std::max(from, 0);
    if (from >= items.size())
        return;
    const bool movable = items.isDetached();
    const int first = rowCount();
    d->mergeIndex.invalidate();
    beginInsertRows(QModelIndex(), first, first + items.size() - from - 1);
    for (int i = from; i < items.size(); ++i) {
        if (movable)
            d->rows.push_back(FrameRow::takeFromItem(items[i]));
        else
            d->rows.push_back(FrameRow::fromItem(items.at(i)));
        d->share(d->rows.back());
    }
    endInsertRows();
}

void MyTableModel::appendRow(const FrameRow &row)
{
    const int target = d->mergeIndex.find(d->rows, row);
    if (target < 0) {
        const int first = rowCount();
        beginInsertRows(QModelIndex(), first, first);
        d->rows.push_back(d->shared(row));
        d->mergeIndex.added(d->rows.back(), first);
        endInsertRows();
        return;
    }
    beginResetModel();
    d->rows[size_t(target)] = d->shared(row);
    endResetModel();
}

void MyTableModel::mergeItems(const QList<ModelItem> &items, int from)
{
    QList<ModelItem> copy = items; // shared, so nothing is moved out of the caller's list
    mergeItems(std::move(copy), from);
}

void MyTableModel::mergeItems(QList<ModelItem> &&items, int from)
{
    MergePlan plan = d->planMerge(items, from);
    if (plan.overwrites.empty() && plan.added.empty())
        return;
    const bool insertOnly = plan.overwrites.empty();
    const int first = rowCount();
    if (insertOnly)
        beginInsertRows(QModelIndex(), first, first + int(plan.added.size()) - 1);
    else
        beginResetModel();
    d->overwrite(plan.overwrites);
    std::move(plan.added.begin(), plan.added.end(), std::back_inserter(d->rows));
    if (insertOnly)
        endInsertRows();
    else
        endResetModel();
}

void MyTableModel::removeFirstRows(int count)
{
    const int removed = std::min(count, rowCount());
    if (removed <= 0)
        return;
    beginRemoveRows(QModelIndex(), 0, removed - 1);
    d->mergeIndex.removingFirst(d->rows, removed);
    d->discardFirst(removed);
    endRemoveRows();
}

void MyTableModel::clearRows()
{
    d->mergeIndex.cleared();
    if (d->rows.empty())
        return;
    beginRemoveRows(QModelIndex(), 0, rowCount() - 1);
    d->discardAll();
    endRemoveRows();
}

QString MyTableModel::cellText(int row, int column) const
{
    if (column >= columnCount() || !d->validCell(row, column))
        return QString();
    return d->rows[size_t(row)].cells[column];
}

void MyTableModel::setColumnFilter(const QStringList &values, int column)
{
    if (column < 0 || column >= ColumnCount || column >= d->headers.size())
        return;
    if (d->columnFilters[column] == values)
        return;
    d->columnFilters[column] = values;
    d->filterSets[column] = QSet<QString>(values.begin(), values.end());
    QString &label = d->headers[column];
    const bool marked = label.endsWith(QLatin1Char('*'));
    if (!values.isEmpty() && !marked)
        label += QLatin1Char('*');
    else if (values.isEmpty() && marked)
        label.chop(1);
    emit headerDataChanged(Qt::Horizontal, column, column);
}

bool MyTableModel::acceptsRow(const FrameRow &row) const
{
    for (int column = 0; column < ColumnCount; ++column) {
        if (!d->accepts(column, row.cells[column]))
            return false;
    }
    return true;
}

bool MyTableModel::acceptsItem(const ModelItem &item) const
{
    for (int column = 0; column < ColumnCount; ++column) {
        if (!d->accepts(column, itemText(item, column)))
            return false;
    }
    return true;
}

bool MyTableModel::hasColumnFilters() const
{
    return std::any_of(d->columnFilters.begin(), d->columnFilters.end(),
                       [](const QStringList &values) { return !values.isEmpty(); });
}
