#include "dialogunits.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

DialogUnits::DialogUnits(QWidget *dialog, const QSize &dluSize)
    : QObject(dialog), m_dialog(dialog), m_dluSize(dluSize)
{
    dialog->installEventFilter(this);
}

void DialogUnits::place(QWidget *child, const QRect &dluRect)
{
    m_controls.append({child, dluRect});
}

void DialogUnits::apply()
{
    const qreal dpi = m_dialog->logicalDpiX();
    for (const auto &control : qAsConst(m_controls))
        control.first->setGeometry(toPixels(control.second, dpi));
    m_dialog->setFixedSize(toPixels(m_dluSize.width(), dpi), toPixels(m_dluSize.height(), dpi));
}

int DialogUnits::toPixels(int dlu, qreal logicalDpi)
{
    return int(dlu * 1.5 * logicalDpi / 96.0);
}

QRect DialogUnits::toPixels(const QRect &dluRect, qreal logicalDpi)
{
    return QRect(toPixels(dluRect.x(), logicalDpi), toPixels(dluRect.y(), logicalDpi),
                 toPixels(dluRect.width(), logicalDpi), toPixels(dluRect.height(), logicalDpi));
}

bool DialogUnits::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_dialog && event->type() == QEvent::Show && !m_windowWatched &&
        m_dialog->windowHandle()) {
        m_windowWatched = true;
        QWindow *window = m_dialog->windowHandle();
        connect(window, &QWindow::screenChanged, this, [this](QScreen *screen) {
            watchScreen(screen);
            apply();
        });
        watchScreen(window->screen());
        apply();
    }
    return QObject::eventFilter(watched, event);
}

void DialogUnits::watchScreen(QScreen *screen)
{
    if (screen)
        connect(screen, &QScreen::logicalDotsPerInchChanged, this, &DialogUnits::apply,
                Qt::UniqueConnection);
}
