// The IMAP response reader on any bytes, cut anywhere: it never crashes,
// and the responses it hands out do not depend on how the bytes arrived
// (all at once, or in the pieces the input's first byte chooses).
#include "support.h"

#include "imap/response.h"

#include <cstddef>
#include <cstdint>

namespace
{

QList<QByteArray> responses(const QByteArray& bytes, int piece)
{
    imap::ResponseReader reader;
    QList<QByteArray> out;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        reader.feed(bytes.mid(at, piece));
        while (const std::optional<imap::Response> r = reader.next()) {
            QByteArray seen = r->tag + '|' + r->status + '|' + r->code + '|' + r->text;
            for (const imap::Value& v : r->values)
                seen += '|' + QByteArray::number(int(v.kind)) + ':' + v.text + ':' +
                        QByteArray::number(v.items.size());
            out << seen;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int piece = 1 + data[0] % 17;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);
    FUZZ_CHECK(responses(bytes, piece) == responses(bytes, int(bytes.size()) + 1));
    return 0;
}
