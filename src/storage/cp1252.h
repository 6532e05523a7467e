#pragma once

#include <QByteArray>
#include <QString>

// The Windows-1252 ("ANSI") code page, 0x80 to 0x9F included: the files shared
// with the sibling program and the mail body are written in it.
namespace cp1252
{

// Characters with no Windows-1252 form become '?', one for each character
// (a surrogate pair is one) and one for each surrogate half standing alone.
QByteArray encode(const QString& text);

// The five bytes that the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) decode to the control characters of the same value, as Windows does.
QString decode(const QByteArray& bytes);

} // namespace cp1252
