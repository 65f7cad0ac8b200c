#include "statistics/plaincelldelegate.h"

#include <QPainter>

PlainCellDelegate::PlainCellDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

void PlainCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        return;
    const QVariant alignment = index.data(Qt::TextAlignmentRole);
    const int flags =
        alignment.isValid() ? alignment.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter);
    const int margin = 3;
    const QRect rect = option.rect.adjusted(margin, 0, -margin, 0);
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QFontMetrics &metrics = option.fontMetrics;
    if (metrics.horizontalAdvance(text) <= rect.width())
        painter->drawText(rect, flags, text);
    else
        painter->drawText(rect, flags, metrics.elidedText(text, Qt::ElideRight, rect.width()));
}
