// Arbitrary bytes from a mail server, cut into arrivals three ways: all at
// once, byte by byte (or in small pieces when long) and in pieces whose
// sizes the input chooses.  Each way must give the same replies and stop at
// the same overflow; every reply must be lines the server did send, ended as
// a reply ends; none may hold more than the reader's cap, and no more than the
// cap may wait unfinished without the reader saying so.
//
// The first byte seeds the cutting.  In the rest, 0xFF 0x00 is a 0xFF byte and
// 0xFF k n followed by n bytes (k > 0) is those bytes repeated over k * 512
// bytes, so that a short input reaches the cap.
#include "support.h"

#include "smtp/smtpreply.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace
{

using Reply = SmtpReplyReader::Reply;

// Room to pass the reader's cap, little enough to stay fast.
constexpr qsizetype MaxStream = SmtpReplyReader::MaxPending + 4096;

// Enough replies to compare; beyond them an input only costs time.
constexpr size_t MaxReplies = 1000;

struct Outcome {
    std::vector<Reply> replies;
    bool overflowed = false;
    bool enough = false;  // stopped at MaxReplies
    bool holding = false; // the reader's word on bytes no reply took
};

QByteArray stream(const uint8_t* data, size_t size)
{
    QByteArray out;
    for (size_t i = 0; i < size && out.size() < MaxStream; ++i) {
        if (data[i] != 0xFF) {
            out.append(char(data[i]));
        } else if (i + 1 < size && data[i + 1] == 0) {
            out.append(char(0xFF));
            ++i;
        } else if (i + 2 < size) {
            const qsizetype total = data[i + 1] * 512;
            const size_t length = std::min<size_t>(std::max(data[i + 2], uint8_t(1)), size - i - 3);
            const QByteArray pattern(reinterpret_cast<const char*>(data + i + 3),
                                     qsizetype(length));
            for (qsizetype n = 0; n < total && !pattern.isEmpty(); n += pattern.size())
                out.append(pattern);
            i += 2 + length;
        }
    }
    return out.left(MaxStream);
}

// Fed as the session feeds it: each arrival, then every complete reply, then
// the check for a server that sends too much.
Outcome read(const QByteArray& bytes, const std::vector<qsizetype>& pieces)
{
    SmtpReplyReader reader;
    Outcome out;
    qsizetype at = 0;
    for (const qsizetype piece : pieces) {
        reader.append(bytes.mid(at, piece));
        at += piece;
        Reply reply;
        while (out.replies.size() < MaxReplies && reader.next(&reply))
            out.replies.push_back(reply);
        if (out.replies.size() == MaxReplies) {
            out.enough = true;
            break;
        }
        if (reader.overflowed()) {
            out.overflowed = true;
            break;
        }
    }
    out.holding = reader.hasData();
    return out;
}

std::vector<qsizetype> cut(qsizetype total, unsigned seed, qsizetype smallest, qsizetype spread)
{
    std::vector<qsizetype> pieces;
    unsigned state = seed * 2654435761u + 1;
    for (qsizetype at = 0; at < total;) {
        state = state * 1103515245u + 12345u;
        const qsizetype piece = std::min(total - at, smallest + qsizetype(state >> 8) % spread);
        pieces.push_back(piece);
        at += piece;
    }
    return pieces;
}

// The same replies and the same end.  Stopping at MaxReplies counts as an
// end: a reader that gives those replies to one cutting gives them to all.
bool sameOutcome(const Outcome& a, const Outcome& b)
{
    if (a.enough != b.enough || a.replies.size() != b.replies.size())
        return false;
    if (!a.enough && a.overflowed != b.overflowed)
        return false;
    const size_t count = a.replies.size();
    for (size_t i = 0; i < count; ++i) {
        if (a.replies[i].code != b.replies[i].code || a.replies[i].lines != b.replies[i].lines)
            return false;
    }
    return true;
}

bool hasCode(const QByteArray& line)
{
    return line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) &&
           std::isdigit(static_cast<unsigned char>(line[2]));
}

bool continues(const QByteArray& line)
{
    return hasCode(line) && line.size() > 3 && line[3] == '-';
}

// Walks the stream along the replies: each line must stand there, ended by
// CR LF or LF; returns where the replies end.
qsizetype checkAgainstStream(const QByteArray& bytes, const Outcome& outcome)
{
    qsizetype at = 0;
    for (const Reply& reply : outcome.replies) {
        FUZZ_CHECK(!reply.lines.isEmpty());
        qsizetype held = 0;
        for (qsizetype i = 0; i < reply.lines.size(); ++i) {
            const QByteArray& line = reply.lines[i];
            FUZZ_CHECK(bytes.mid(at, line.size()) == line);
            at += line.size();
            if (bytes.mid(at, 2) == "\r\n")
                at += 2;
            else
                FUZZ_CHECK(bytes.mid(at++, 1) == "\n");
            FUZZ_CHECK(continues(line) == (i + 1 < reply.lines.size()));
            held += line.size();
        }
        const QByteArray& last = reply.lines.last();
        FUZZ_CHECK(reply.code == (hasCode(last) ? last.left(3).toInt() : 0));
        FUZZ_CHECK(held <= SmtpReplyReader::MaxPending);
    }
    return at;
}

// When the reader has not overflowed, what is left must be an unfinished
// reply: continuation lines and a line without its end, within the cap.
void checkRest(const QByteArray& rest)
{
    QList<QByteArray> lines = rest.split('\n');
    const QByteArray unended = lines.takeLast();
    qsizetype waiting = unended.size();
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        FUZZ_CHECK(continues(line));
        waiting += line.size();
    }
    FUZZ_CHECK(waiting <= SmtpReplyReader::MaxPending);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes = stream(data + 1, size - 1);
    const qsizetype total = bytes.size();

    const Outcome whole = read(bytes, {total});
    // Byte by byte only when short, and at most about 256 arrivals: each
    // costs a copy and a call.
    const qsizetype least = std::max<qsizetype>(1, total / 256);
    const Outcome small =
        read(bytes, total <= 4096 ? cut(total, 0, 1, 1) : cut(total, 0, least, 1));
    const qsizetype spread = qsizetype(1) << (data[0] % 17);
    const Outcome chosen = read(bytes, cut(total, data[0], least, spread));

    const qsizetype end = checkAgainstStream(bytes, whole);
    if (!whole.overflowed && !whole.enough) {
        checkRest(bytes.mid(end));
        // What the session takes for a reply out of turn.
        FUZZ_CHECK(whole.holding == (end < total));
    }
    FUZZ_CHECK(sameOutcome(whole, small));
    FUZZ_CHECK(sameOutcome(whole, chosen));
    return 0;
}
