#pragma once

// Paints the data column of the identifier monitor: the bytes the model reports as
// changed lately (IdMonitorModel::ChangedBytesRole) in bold red, the others as usual.

#include <QStyledItemDelegate>

class ChangedBytesDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ChangedBytesDelegate(QObject *parent);
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    static void drawBytes(QPainter *painter, const QStyleOptionViewItem &option,
                          const QString &text, uint64_t changed);
};
