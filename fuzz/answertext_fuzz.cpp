// The answer-text reader on any text, valid ones mutated: it never crashes,
// keeps at most MaxReadings readings, and each reading writes the very text
// it was read from (line ends and the empty lines around it aside).
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const answertext::Reading r = answertext::read(text);
    FUZZ_CHECK(r.readings.size() <= answertext::MaxReadings);
    for (const answertext::Answers& a : r.readings)
        FUZZ_CHECK(canonical(answertext::write(a)) == canonical(text));
    return 0;
}
