#pragma once

// The frame table model: the rows on screen as plain text, eleven columns each, with the
// header labels, the per-column display filters and the merge rule.

#include "receive/modelitem.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <array>

// The eleven texts of one row, in column order (ModelItem fields index..data).
struct FrameRow
{
    std::array<QString, 11> cells;
    static FrameRow fromItem(const ModelItem &item);
    static FrameRow takeFromItem(ModelItem &item); // moves the texts out of item
};

class MyTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int ColumnCount = 11;
    // The columns of the merge key.
    static constexpr int ChannelColumn = 3;
    static constexpr int DirectionColumn = 4;
    static constexpr int IdColumn = 5;

    explicit MyTableModel(QObject *parent = nullptr);
    ~MyTableModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    QStringList headerLabels() const;
    void setHeaderLabels(const QStringList &labels);

    void appendRows(const QList<FrameRow> &newRows);
    // Appends items[from..] as rows in one insertion (no intermediate row list).
    void appendItems(const QList<ModelItem> &items, int from = 0);
    // The same, moving the texts out of a list nobody else holds.
    void appendItems(QList<ModelItem> &&items, int from = 0);
    void appendRow(const FrameRow &row); // merge-mode append
    // Merge-mode append of items[from..] in order, announced once: as one insertion when
    // every item found no row of its key, else as one reset.
    void mergeItems(const QList<ModelItem> &items, int from = 0);
    // The same, moving the texts out of a list nobody else holds.
    void mergeItems(QList<ModelItem> &&items, int from = 0);
    void removeFirstRows(int count);
    void clearRows();
    QString cellText(int row, int column) const;

    void setColumnFilter(const QStringList &values, int column);
    bool acceptsRow(const FrameRow &row) const;
    bool acceptsItem(const ModelItem &item) const;
    bool hasColumnFilters() const;

private:
    struct Private;
    Private *d;
};
