#pragma once

// Shared by the fuzz targets: the invariant check, the text an input
// describes, and the code page worked out apart from the encoder.

#include "storage/cp1252.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

// An invariant that does not hold is a finding: say which, and stop there so
// that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__,           \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzzsupport
{

// A text of at most maxUnits UTF-16 units (fewer when the input runs out).
// One byte below 0x80 is that
// ASCII character (line ends and dots come cheap), one from 0x80 to 0xEF the
// Windows-1252 character of that byte, and 0xF0 and above takes the next two
// bytes as any UTF-16 unit, lone surrogates included.
inline QString takeText(FuzzedDataProvider& in, size_t maxUnits)
{
    QString text;
    while (size_t(text.size()) < maxUnits && in.remaining_bytes() > 0) {
        const auto b = in.ConsumeIntegral<unsigned char>();
        if (b < 0x80)
            text.append(QChar(b));
        else if (b < 0xF0)
            text.append(cp1252::decode(QByteArray(1, char(b))));
        else
            text.append(QChar(in.ConsumeIntegral<char16_t>()));
    }
    return text;
}

// What encoding a text to Windows-1252 must give: the code page's 256
// characters are those the decoder yields, each standing for its byte, and
// every other character (a surrogate pair being one, a lone surrogate
// another) becomes one '?'.
inline QByteArray cp1252Expected(const QString& text)
{
    static const QHash<char16_t, char> bytes = [] {
        QHash<char16_t, char> map;
        for (int b = 0; b < 256; ++b)
            map.insert(cp1252::decode(QByteArray(1, char(b))).at(0).unicode(), char(b));
        return map;
    }();
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append('?');
            ++i;
        } else {
            out.append(bytes.value(c.unicode(), '?'));
        }
    }
    return out;
}

} // namespace fuzzsupport
