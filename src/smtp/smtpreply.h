#pragma once

#include <QByteArray>
#include <QList>

// Cuts the bytes a mail server sends into complete replies.  A reply is one
// or more lines ended by CR LF; every line but the last has a '-' after its
// three-digit code ("250-SIZE"), and the reply's code is that of the last
// line.  Arrivals may split a reply anywhere or carry several replies.
class SmtpReplyReader
{
public:
    struct Reply {
        int code = 0; // 0 when the last line does not begin with three digits
        QList<QByteArray> lines;
    };

    // A server that sends this much without ending a line is not one.
    static constexpr int MaxPending = 64 * 1024;

    void append(const QByteArray& bytes);

    // Takes the next complete reply; false when none is complete yet, or
    // when the next one holds more than MaxPending bytes.
    bool next(Reply* reply);

    // True once the server has sent more than MaxPending bytes of a reply
    // not yet taken, line ends of its finished lines aside.
    bool overflowed() const { return m_buffer.size() - m_taken + m_pendingBytes > MaxPending; }

    // True while bytes are held that no complete reply has taken yet.
    bool hasData() const { return m_buffer.size() > m_taken || !m_pending.isEmpty(); }

    void clear();

private:
    QByteArray m_buffer;
    qsizetype m_taken = 0;       // bytes of m_buffer already in replies or m_pending
    qsizetype m_scanned = 0;     // m_buffer holds no LF between m_taken and this
    QList<QByteArray> m_pending; // lines of the reply being read
    qsizetype m_pendingBytes = 0;
};
