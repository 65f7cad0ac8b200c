#pragma once

// Screen scaling shared by every window and dialog of Larkspur.
//
// A window follows the logical DPI of the application's first screen: the geometry of
// every child widget (recursively) and the window's own size are multiplied by a factor,
// each result truncated toward zero; a window never starts larger than the screen's
// available area. Text follows the same DPI through Qt's own point-to-pixel conversion.
//
// Typical use in a dialog constructor, after setupUi(this):
//     followScreenScale(this);
// which scales by logical DPI / 96 at once and again whenever the screen's logical DPI
// changes (then by new DPI / previously applied DPI, so the result never compounds).

#include <functional>

class QScreen;
class QSize;
class QWidget;

// The screen whose logical DPI drives scaling: the application's first screen
// (nullptr when there is none).
QScreen *scalingScreen();

// Logical DPI of the scaling screen / 96.0 (1.0 when there is no screen).
double screenScaleFactor(const QWidget *widget);

// size bounded by the available geometry of the scaling screen (unchanged without one).
QSize fitToScreen(const QSize &size);

// Multiplies every child widget's geometry (recursively; child windows such as dialogs
// are left alone, they scale themselves) and the window's size by factor, truncating
// each result toward zero; a top-level window's size is then fitted to the screen.
void applyScreenScale(QWidget *window, double factor);

// Geometry part of applyScreenScale: every child widget of parent, recursively.
void scaleChildren(QWidget *parent, double factor);

// Scales window by screenScaleFactor() now and keeps it in step with later changes of the
// screen's logical DPI for as long as the window lives.
void followScreenScale(QWidget *window);

// As above; afterwards, and after every later rescale, calls onScaled with the total
// factor (logical DPI / 96) for what cannot be scaled relatively, such as column widths.
void followScreenScale(QWidget *window, std::function<void(double totalFactor)> onScaled);
