#pragma once

// Paints a table cell as its selection background and one line of text (elided when it
// does not fit), asking the model for the text and the alignment only. The identifier
// monitor repaints every shown cell ten times a second; the general delegate's style
// options (fonts, colours, icons, check states: a dozen model queries per cell) cost more
// than the text itself.

#include <QStyledItemDelegate>

class PlainCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit PlainCellDelegate(QObject *parent);
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

protected:
    // The selection background, when the cell is selected.
    static void paintBackground(QPainter *painter, const QStyleOptionViewItem &option);
    // Where the text goes (the cell less its margins), and in which colour.
    static QRect textRect(const QStyleOptionViewItem &option);
    static QColor textColor(const QStyleOptionViewItem &option);
};
