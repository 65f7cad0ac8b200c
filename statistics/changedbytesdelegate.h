#pragma once

// Paints the data column of the identifier monitor like any plain cell, but with the bytes
// the model reports as changed lately (IdMonitorModel::ChangedBytesRole) in bold red.

#include "statistics/plaincelldelegate.h"

class ChangedBytesDelegate : public PlainCellDelegate
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
