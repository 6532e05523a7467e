#include "smtp/printable.h"

#include <QStringDecoder>

namespace smtp
{
namespace
{

bool unsafe(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) // C0, DEL, C1
           || c == 0x061C || c == 0x200E || c == 0x200F // marks
           || (c >= 0x202A && c <= 0x202E)               // embeddings, overrides
           || (c >= 0x2066 && c <= 0x2069)               // isolates
           || c == 0x2028 || c == 0x2029;                // line and paragraph separators
}

} // namespace

QString printable(const QString& text, int maxLength)
{
    QString out;
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (count == maxLength) {
            out += QChar(0x2026);
            break;
        }
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (text[i].isSurrogate()) {
            c = 0xFFFD; // half a pair
        }
        if (unsafe(c))
            c = 0xFFFD;
        out += QString::fromUcs4(&c, 1);
        ++count;
    }
    return out;
}

QString printable(const QByteArray& bytes, int maxLength)
{
    auto utf8 = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return printable(text, maxLength);
}

} // namespace smtp
