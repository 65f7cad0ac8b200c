#include "statistics/changedbytesdelegate.h"

#include "statistics/idmonitormodel.h"

#include <QPainter>

#include <algorithm>

ChangedBytesDelegate::ChangedBytesDelegate(QObject *parent) : PlainCellDelegate(parent) {}

void ChangedBytesDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    const uint64_t changed = index.data(IdMonitorModel::ChangedBytesRole).toULongLong();
    if (changed == 0) {
        PlainCellDelegate::paint(painter, option, index);
        return;
    }
    paintBackground(painter, option);
    drawBytes(painter, option, index.data(Qt::DisplayRole).toString(), changed);
}

// The text is "AB CD EF": byte i starts at character 3 * i. Bytes of the same state are
// drawn as one run; a run that does not fit is elided like any cell text.
void ChangedBytesDelegate::drawBytes(QPainter *painter, const QStyleOptionViewItem &option,
                                     const QString &text, uint64_t changed)
{
    const QColor normal = textColor(option);
    QFont bold = option.font;
    bold.setBold(true);
    QRect rect = textRect(option);
    painter->save();
    painter->setClipRect(option.rect);
    const int bytes = std::min<int>((text.size() + 1) / 3, 64);
    for (int first = 0; first < bytes && rect.width() > 0;) {
        const bool hot = (changed >> first) & 1;
        int end = first + 1;
        while (end < bytes && bool((changed >> end) & 1) == hot)
            ++end;
        const QString run = text.mid(3 * first, 3 * (end - first));
        painter->setFont(hot ? bold : option.font);
        painter->setPen(hot ? QColor(Qt::red) : normal);
        const QFontMetrics metrics(painter->font());
        const int width = metrics.horizontalAdvance(run);
        painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter,
                          metrics.elidedText(run, Qt::ElideRight, rect.width()));
        rect.setLeft(rect.left() + width);
        first = end;
    }
    painter->restore();
}
