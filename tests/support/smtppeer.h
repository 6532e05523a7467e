#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// A scripted mail server on loopback, for the faults a real one will not
// produce: it answers each command with the reply the test sets for its verb
// (".", for the end of the message), says nothing, or closes the connection.
class ScriptedPeer
{
public:
    // A reply ending in Close closes the connection once written; Close alone
    // closes it instead of replying.  An empty reply is silence.
    static inline const QByteArray Close = "<close>";

    QByteArray greeting = "220 peer.test ESMTP\r\n";
    QHash<QByteArray, QByteArray> replies = {
        {"EHLO", "250-peer.test\r\n250-8BITMIME\r\n250 SIZE 100000\r\n"},
        {"HELO", "250 peer.test\r\n"},
        {"MAIL", "250 2.1.0 Ok\r\n"},
        {"RCPT", "250 2.1.5 Ok\r\n"},
        {"DATA", "354 End data with <CR><LF>.<CR><LF>\r\n"},
        {".", "250 2.0.0 Ok: queued\r\n"},
        {"QUIT", "221 2.0.0 Bye\r\n" + Close},
    };
    bool trickle = false; // one byte at a time

    QList<QByteArray> commands; // every line outside the message, and "."
    QByteArray data;            // the message as sent, up to the "." line
    int connections = 0;
    bool clientClosed = false;

    explicit ScriptedPeer(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost))
    {
        m_server.listen(address);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
        m_trickle.setInterval(1);
        QObject::connect(&m_trickle, &QTimer::timeout, &m_server, [this] { trickleOne(); });
    }

    quint16 port() const { return m_server.serverPort(); }

private:
    void accept()
    {
        QTcpSocket* c = m_server.nextPendingConnection();
        ++connections;
        // One client at a time; the next may come once it has gone.
        if (m_conn && m_conn->state() != QAbstractSocket::UnconnectedState) {
            c->abort();
            return;
        }
        m_conn = c;
        m_in.clear();
        m_inData = false;
        clientClosed = false;
        QObject::connect(c, &QTcpSocket::readyRead, c, [this] { readSome(); });
        QObject::connect(c, &QTcpSocket::disconnected, c, [this] { clientClosed = true; });
        say(greeting);
    }

    void readSome()
    {
        m_in += m_conn->readAll();
        for (;;) {
            if (m_inData) {
                const qsizetype end = m_in.indexOf("\r\n.\r\n");
                if (end < 0)
                    return;
                data = m_in.left(end + 2);
                m_in.remove(0, end + 5);
                m_inData = false;
                commands << ".";
                say(replies.value("."));
                continue;
            }
            const qsizetype end = m_in.indexOf("\r\n");
            if (end < 0)
                return;
            const QByteArray line = m_in.left(end);
            m_in.remove(0, end + 2);
            commands << line;
            const QByteArray verb = line.split(' ').first().toUpper();
            const QByteArray reply = replies.value(verb, "500 unknown\r\n");
            if (verb == "DATA" && reply.startsWith("354"))
                m_inData = true;
            say(reply);
        }
    }

    void say(QByteArray reply)
    {
        const bool close = reply.endsWith(Close);
        if (close)
            reply.chop(Close.size());
        if (trickle) {
            m_out += reply;
            m_closeAfterOut = m_closeAfterOut || close;
            m_trickle.start();
            return;
        }
        m_conn->write(reply);
        if (close)
            m_conn->disconnectFromHost();
    }

    void trickleOne()
    {
        if (!m_conn || m_conn->state() != QAbstractSocket::ConnectedState) {
            m_trickle.stop();
            return;
        }
        if (!m_out.isEmpty()) {
            m_conn->write(m_out.left(1));
            m_conn->flush();
            m_out.remove(0, 1);
        }
        if (m_out.isEmpty()) {
            m_trickle.stop();
            if (m_closeAfterOut)
                m_conn->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    QTcpSocket* m_conn = nullptr;
    QByteArray m_in;
    QByteArray m_out;
    bool m_inData = false;
    bool m_closeAfterOut = false;
    QTimer m_trickle;
};
