// A message as a mailbox or a server gives it, any bytes: GMime parses it,
// its plain text is found, flowed lines joined and mbox quoting undone, and
// it is made ready for the base.  It never crashes; a response has one cell
// a column and at most MaxReadings readings, and belongs to a teacher.
#include "support.h"

#include "answers/columns.h"
#include "tally/base.h"
#include "tally/mailreader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<mailreader::Message> m = mailreader::parse(bytes)) {
        const Base::Incoming in = Base::prepare(*m);
        FUZZ_CHECK(in.readings <= answertext::MaxReadings);
        if (in.readings > 0) {
            FUZZ_CHECK(in.fields() == Base::Incoming::Answers + columns::names().size());
            FUZZ_CHECK(!in.teacher.isEmpty());
        }
    }
    // The text helpers on the raw bytes as text: flowed text never grows
    // but by the line ends it writes.
    const QString text = QString::fromUtf8(bytes);
    const QString unflowed = mailreader::unflow(text, size % 2 == 0);
    FUZZ_CHECK(unflowed.size() <= text.size() + text.count(QLatin1Char('\n')) + 2);
    FUZZ_CHECK(mailreader::unquoteMboxrd(text).size() <= text.size());
    return 0;
}
