#include "statistics/changedbytesdelegate.h"

#include "statistics/idmonitormodel.h"

#include <QApplication>
#include <QPainter>

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

// The text is "AB CD EF": byte i starts at character 3 * i.
void ChangedBytesDelegate::drawBytes(QPainter *painter, const QStyleOptionViewItem &option,
                                     const QString &text, uint64_t changed)
{
    const bool selected = option.state & QStyle::State_Selected;
    const QColor normal =
        option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    QFont bold = option.font;
    bold.setBold(true);
    const QFontMetrics metrics(option.font);
    const QFontMetrics boldMetrics(bold);
    const int margin = 3;
    QRect rect = option.rect.adjusted(margin, 0, -margin, 0);
    painter->save();
    painter->setClipRect(option.rect);
    for (int i = 0; 3 * i < text.size() && rect.width() > 0; ++i) {
        const bool hot = i < 64 && (changed >> i) & 1;
        const QString piece = text.mid(3 * i, 3);
        const int width = (hot ? boldMetrics : metrics).horizontalAdvance(piece.left(2));
        painter->setFont(hot ? bold : option.font);
        painter->setPen(hot ? QColor(Qt::red) : normal);
        if (width > rect.width()) { // the bytes that do not fit are cut off as the text would be
            painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("…"));
            break;
        }
        painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, piece);
        rect.setLeft(rect.left() + (hot ? boldMetrics : metrics).horizontalAdvance(piece));
    }
    painter->restore();
}
