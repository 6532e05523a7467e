// The answer-text reader on any text, valid ones mutated: it never crashes,
// keeps at most MaxReadings readings, and each reading writes the very text
// it was read from (line ends and the empty lines around it aside); a text
// read leniently, as mail programs leave it, differs from what its reading
// writes only by the spaces that end its lines and what follows the last
// item.
#include "support.h"

#include "answers/answertext.h"

#include <cstddef>
#include <cstdint>

namespace
{

QString canonical(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (text.startsWith(QLatin1Char('\n')))
        text.remove(0, 1);
    while (text.endsWith(QStringLiteral("\n\n")))
        text.chop(1);
    return text;
}

// The lines without the spaces that end them, and without the empty lines
// that end the text.
QStringList trimmedLines(const QString& text)
{
    QStringList lines = canonical(text).split(QLatin1Char('\n'));
    for (QString& l : lines)
        while (l.endsWith(QLatin1Char(' ')))
            l.chop(1);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const answertext::Reading r = answertext::read(text);
    FUZZ_CHECK(r.readings.size() <= answertext::MaxReadings);
    for (const answertext::Answers& a : r.readings) {
        if (!r.lenient) {
            FUZZ_CHECK(canonical(answertext::write(a)) == canonical(text));
            continue;
        }
        const QStringList written = trimmedLines(answertext::write(a));
        FUZZ_CHECK(trimmedLines(text).mid(0, written.size()) == written);
    }
    return 0;
}
