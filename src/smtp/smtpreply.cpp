#include "smtp/smtpreply.h"

#include <algorithm>

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
    bool complete = false;
    while (!complete) {
        const qsizetype end = m_buffer.indexOf('\n', std::max(m_taken, m_scanned));
        if (end < 0) {
            m_scanned = m_buffer.size();
            break;
        }
        // Over the cap however it arrived: had the line come in pieces, its
        // unfinished part alone would have passed it (overflowed() says so).
        if (m_pendingBytes + (end - m_taken) > MaxPending) {
            m_scanned = end;
            break;
        }
        QByteArray line = m_buffer.mid(m_taken, end - m_taken);
        m_taken = end + 1;
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
        complete = true;
    }
    // Each byte is searched once, and taken bytes are dropped only once they
    // are most of the buffer: a server sending many short lines, or one long
    // line in tiny pieces, costs time in proportion to what it sends.
    if (m_taken > m_buffer.size() / 2) {
        m_buffer.remove(0, m_taken);
        m_scanned = std::max<qsizetype>(0, m_scanned - m_taken);
        m_taken = 0;
    }
    return complete;
}

void SmtpReplyReader::clear()
{
    m_buffer.clear();
    m_taken = 0;
    m_scanned = 0;
    m_pending.clear();
    m_pendingBytes = 0;
}
