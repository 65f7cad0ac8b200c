#include "app/screenscale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSize>
#include <QWidget>

#include <memory>

namespace {

constexpr double ReferenceDpi = 96.0;

int scaled(int value, double factor)
{
    return static_cast<int>(value * factor);
}

} // namespace

QScreen *scalingScreen()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.first();
}

double screenScaleFactor(const QWidget *)
{
    const QScreen *screen = scalingScreen();
    return screen ? screen->logicalDotsPerInch() / ReferenceDpi : 1.0;
}

void scaleChildren(QWidget *parent, double factor)
{
    const QObjectList children = parent->children();
    for (QObject *child : children) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget || widget->isWindow())
            continue;
        const QRect r = widget->geometry();
        widget->setGeometry(scaled(r.x(), factor), scaled(r.y(), factor), scaled(r.width(), factor),
                            scaled(r.height(), factor));
        scaleChildren(widget, factor);
    }
}

QSize fitToScreen(const QSize &size)
{
    const QScreen *screen = scalingScreen();
    if (!screen || screen->availableGeometry().isEmpty())
        return size;
    return size.boundedTo(screen->availableGeometry().size());
}

// Fonts are left alone: Qt converts point sizes to pixels with the same logical DPI, so
// text already grows with the geometry, the table header included. Multiplying the point
// size as well would scale text twice.
void applyScreenScale(QWidget *window, double factor)
{
    scaleChildren(window, factor);
    const QSize size(scaled(window->width(), factor), scaled(window->height(), factor));
    window->resize(window->isWindow() ? fitToScreen(size) : size);
}

void followScreenScale(QWidget *window)
{
    followScreenScale(window, nullptr);
}

void followScreenScale(QWidget *window, std::function<void(double totalFactor)> onScaled)
{
    QScreen *screen = scalingScreen();
    if (!screen)
        return;
    auto appliedDpi = std::make_shared<double>(screen->logicalDotsPerInch());
    applyScreenScale(window, *appliedDpi / ReferenceDpi);
    if (onScaled)
        onScaled(*appliedDpi / ReferenceDpi);
    // The window is the connection's context, so the connection ends with the window.
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, window,
                     [window, appliedDpi, onScaled](qreal dpi) {
                         if (dpi <= 0 || *appliedDpi <= 0)
                             return;
                         applyScreenScale(window, dpi / *appliedDpi);
                         *appliedDpi = dpi;
                         if (onScaled)
                             onScaled(dpi / ReferenceDpi);
                     });
}
