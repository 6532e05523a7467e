#include "dispatch/smtpreply.h"

namespace
{

bool startsWithCode(const QByteArray& line)
{
    if (line.size() < 3)
        return false;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
    }
    return true;
}

// "250-..." announces more lines; "250 ...", "250" and anything malformed
// end the reply (a malformed line then gives code 0, which no state awaits).
bool continues(const QByteArray& line)
{
    return startsWithCode(line) && line.size() > 3 && line[3] == '-';
}

} // namespace

void SmtpReplyReader::append(const QByteArray& bytes)
{
    m_buffer.append(bytes);
}

bool SmtpReplyReader::next(Reply* reply)
{
    for (;;) {
        const qsizetype end = m_buffer.indexOf('\n');
        if (end < 0)
            return false;
        // Over the cap however it arrived: had the line come in pieces, its
        // unfinished part alone would have passed it (overflowed() says so).
        if (m_pendingBytes + end > MaxPending)
            return false;
        QByteArray line = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        // A bare LF is taken as a line end too; a server that sends one means it.
        if (line.endsWith('\r'))
            line.chop(1);
        m_pending.append(line);
        m_pendingBytes += line.size();
        if (continues(line))
            continue;
        reply->lines = m_pending;
        reply->code = startsWithCode(line) ? line.left(3).toInt() : 0;
        m_pending.clear();
        m_pendingBytes = 0;
        return true;
    }
}

void SmtpReplyReader::clear()
{
    m_buffer.clear();
    m_pending.clear();
    m_pendingBytes = 0;
}
