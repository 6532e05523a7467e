#pragma once

#include <QPaintDevice>
#include <QtMath>

// Design sizes are in twips, 1440 per inch; on screen they convert through
// the device's real logical resolution (15 twips a pixel at 96 dpi).
namespace twips
{

inline double perPixelX(const QPaintDevice* d)
{
    return 1440.0 / d->logicalDpiX();
}
inline double perPixelY(const QPaintDevice* d)
{
    return 1440.0 / d->logicalDpiY();
}
inline int toPixelsX(int t, const QPaintDevice* d)
{
    return qRound(t / perPixelX(d));
}
inline int toPixelsY(int t, const QPaintDevice* d)
{
    return qRound(t / perPixelY(d));
}

} // namespace twips

#include <QRect>

namespace twips
{

// A design rectangle (left, top, width, height in twips) in pixels.
inline QRect toPixels(int left, int top, int width, int height, const QPaintDevice* d)
{
    return QRect(toPixelsX(left, d), toPixelsY(top, d), toPixelsX(width, d), toPixelsY(height, d));
}

} // namespace twips
