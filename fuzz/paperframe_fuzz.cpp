// The frame reader of the printed sheets' QR codes on any bytes: a code's
// content is parsed, or refused, never crashes; parts put together either
// give a sheet whose text frames and reads back the same, or a reason; a
// forged length never makes it allocate more than a sheet may hold.  The
// input is a run of codes, each after its length (two bytes, big-endian).
#include "support.h"

#include "paper/frame.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QList<paperframe::Part> parts;
    for (size_t at = 0; at + 2 <= size;) {
        const size_t length = std::min(size - at - 2, size_t(data[at] << 8 | data[at + 1]));
        const QByteArray code(reinterpret_cast<const char*>(data) + at + 2, qsizetype(length));
        at += 2 + length;
        if (const std::optional<paperframe::Part> p = paperframe::parse(code)) {
            FUZZ_CHECK(p->sheet.size() == 8 && p->check.size() == 4);
            FUZZ_CHECK(p->index >= 1 && p->index <= p->count);
            parts << *p;
        }
    }
    const paperframe::Joined joined = paperframe::join(parts);
    FUZZ_CHECK(joined.sheet.has_value() != !joined.problem.isEmpty());
    if (joined.sheet) {
        FUZZ_CHECK(joined.sheet->text.size() <= paperframe::MaxText);
        QList<paperframe::Part> again;
        for (const QByteArray& code : paperframe::encode(*joined.sheet, parts.first().sheet, 300))
            again << *paperframe::parse(code);
        const paperframe::Joined back = paperframe::join(again);
        FUZZ_CHECK(back.sheet && back.sheet->text == joined.sheet->text &&
                   back.sheet->printed == joined.sheet->printed);
    }
    return 0;
}
