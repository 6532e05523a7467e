#include "paper/qrcode.h"

#include <QImage>
#include <QPainter>

// ZXing's text as UTF-8 (its coming default); only bytes are read here.
#define ZX_USE_UTF8
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <ZXing/ReadBarcode.h>

#include <string>

namespace qrcode
{
namespace
{

// ZXing's error correction levels for QR codes, 0 to 8: Q is 5 and 6.
constexpr int LevelQ = 6;
constexpr int QuietZone = 4; // modules, as the standard asks

} // namespace

Symbol encode(const QByteArray& content)
{
    // Byte mode: each byte one character, taken as it is.
    std::wstring bytes;
    bytes.reserve(size_t(content.size()));
    for (const char c : content)
        bytes.push_back(wchar_t(quint8(c)));
    ZXing::MultiFormatWriter writer(ZXing::BarcodeFormat::QRCode);
    writer.setEncoding(ZXing::CharacterSet::BINARY).setEccLevel(LevelQ).setMargin(QuietZone);
    const ZXing::BitMatrix matrix = writer.encode(bytes, 0, 0);
    Symbol s;
    s.size = matrix.width();
    for (int y = 0; y < matrix.height(); ++y)
        for (int x = 0; x < matrix.width();) {
            if (!matrix.get(x, y)) {
                ++x;
                continue;
            }
            const int from = x;
            while (x < matrix.width() && matrix.get(x, y))
                ++x;
            s.dark << QRectF(from, y, x - from, 1);
        }
    return s;
}

void paint(QPainter& painter, const Symbol& symbol, const QRectF& target)
{
    if (symbol.size <= 0)
        return;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / symbol.size, target.height() / symbol.size);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    // Overlapping a hair, so that no white seam shows between rows.
    for (const QRectF& r : symbol.dark)
        painter.drawRect(r.adjusted(0, 0, 0, 0.02));
    painter.restore();
}

QList<QByteArray> find(const QImage& image)
{
    const QImage grey = image.format() == QImage::Format_Grayscale8 ? image
                                                                    : image.convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    hints.setTryDownscale(true);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                int(grey.bytesPerLine()));
    QList<QByteArray> out;
    for (const ZXing::Result& r : ZXing::ReadBarcodes(view, hints))
        if (r.isValid())
            out << QByteArray(reinterpret_cast<const char*>(r.bytes().data()), qsizetype(r.bytes().size()));
    return out;
}

} // namespace qrcode
