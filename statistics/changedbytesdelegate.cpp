#include "statistics/changedbytesdelegate.h"

#include "statistics/idmonitormodel.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

ChangedBytesDelegate::ChangedBytesDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

void ChangedBytesDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    const uint64_t changed = index.data(IdMonitorModel::ChangedBytesRole).toULongLong();
    if (changed == 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The cell without its text (selection, focus), then the bytes one by one.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    drawBytes(painter, cell, text, changed);
}

// The text is "AB CD EF": byte i starts at character 3 * i. Bytes of the same state are
// drawn as one run; a run that does not fit is elided like any cell text.
void ChangedBytesDelegate::drawBytes(QPainter *painter, const QStyleOptionViewItem &option,
                                     const QString &text, uint64_t changed)
{
    const bool selected = option.state & QStyle::State_Selected;
    const QColor normal =
        option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    QFont bold = option.font;
    bold.setBold(true);
    const int margin = 3;
    QRect rect = option.rect.adjusted(margin, 0, -margin, 0);
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
