#pragma once

// Places a dialog's controls from rectangles in dialog units, the way a dialog template
// does: in the tool's 9-point font one unit is 1.5 pixels at 96 dpi. The layout is applied
// at creation and again whenever the window's screen or its logical DPI changes; every
// pixel value is truncated toward zero.

#include <QList>
#include <QObject>
#include <QPair>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

class DialogUnits : public QObject
{
public:
    DialogUnits(QWidget *dialog, const QSize &dluSize);

    void place(QWidget *child, const QRect &dluRect);
    void apply();

    static int toPixels(int dlu, qreal logicalDpi);
    static QRect toPixels(const QRect &dluRect, qreal logicalDpi);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchScreen(QScreen *screen);

    QWidget *m_dialog;
    QSize m_dluSize;
    QList<QPair<QWidget *, QRect>> m_controls;
    bool m_windowWatched = false;
};
