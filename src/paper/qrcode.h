#pragma once

#include <QByteArray>
#include <QList>
#include <QRectF>

class QImage;
class QPainter;

// QR codes (ISO/IEC 18004) through ZXing-C++: drawn on a page, and found
// back on the image of a scanned page.
namespace qrcode
{

// The code of these bytes, in byte mode with error correction level Q (a
// quarter of it may be lost to a stain or a fold), as dark modules: each
// row's runs of dark modules, in module units, its quiet zone included.
struct Symbol {
    int size = 0; // modules a side, quiet zone included
    QList<QRectF> dark;
};
Symbol encode(const QByteArray& content);

// Paints the symbol in `target` (a square), modules as filled rectangles so
// that it stays sharp at any printer's resolution.
void paint(QPainter& painter, const Symbol& symbol, const QRectF& target);

// The contents of the QR codes found on an image, whatever their rotation.
QList<QByteArray> find(const QImage& image);

} // namespace qrcode
