#include "statistics/plaincelldelegate.h"

#include <QPainter>

PlainCellDelegate::PlainCellDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

void PlainCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    paintBackground(painter, option);
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        return;
    const QVariant alignment = index.data(Qt::TextAlignmentRole);
    const int flags =
        alignment.isValid() ? alignment.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter);
    const QRect rect = textRect(option);
    painter->setPen(textColor(option));
    const QFontMetrics &metrics = option.fontMetrics;
    if (metrics.horizontalAdvance(text) <= rect.width())
        painter->drawText(rect, flags, text);
    else
        painter->drawText(rect, flags, metrics.elidedText(text, Qt::ElideRight, rect.width()));
}

void PlainCellDelegate::paintBackground(QPainter *painter, const QStyleOptionViewItem &option)
{
    if (option.state & QStyle::State_Selected)
        painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
}

QRect PlainCellDelegate::textRect(const QStyleOptionViewItem &option)
{
    const int margin = 3;
    return option.rect.adjusted(margin, 0, -margin, 0);
}

QColor PlainCellDelegate::textColor(const QStyleOptionViewItem &option)
{
    const bool selected = option.state & QStyle::State_Selected;
    return option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
}
