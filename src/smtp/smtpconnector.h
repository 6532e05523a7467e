#pragma once

#include "smtp/mode.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QSslSocket;
class QTimer;

// How a connection to the mail server is made, apart from what is said over
// it: a mode chosen by hand, the way automatic mode remembered, or every port
// at once; implicit TLS, and the STARTTLS handshake when the dialogue asks for
// it; certificates verified against the system's store and the server's name,
// with a trust decision for those that fail; no connection without TLS to a
// server once reached with it.
//
// The dialogue sees bytes only: received() for what the server said (what
// came while the way was being found included, and in order), closed() once
// the server has hung up, failed() when no way could be made.  Each attempt
// uses sockets of its own, so a new one may start while an old one is still
// being torn down.
class SmtpConnector : public QObject
{
    Q_OBJECT
public:
    // Milliseconds.
    struct Timeouts {
        int connect = 30000; // a chosen way: host lookup and connection
        int handshake = 30000;
        int probe = 8000; // automatic mode: the wait for the ports, TLS included
    };

    // The ports automatic mode tries at once, most secure first.
    struct Ports {
        quint16 implicitTls = 465;
        quint16 startTls = 587;
        quint16 plain = 25;
    };

    using TrustDecision = std::function<bool(const QSslCertificate&)>;

    struct Request {
        QString host;
        smtp::Mode mode = smtp::Mode::Plain; // Automatic: find the way
        quint16 port = 25;                   // the port of a mode chosen by hand
        // Automatic mode: what worked last time.  A way with TLS is tried
        // first, alone; one without TLS is never final: every port is tried
        // again, so that TLS is taken as soon as the server offers it.
        smtp::Way remembered;
        Ports ports;
        // Once a server has been reached with TLS, never without it.
        bool reachedWithTls = false;
        // Asked for a certificate that failed verification: true to go on.
        TrustDecision trusts;
    };

    // Where a connection stopped.
    enum class Stage {
        Idle,
        Connecting, // a chosen or remembered way
        Probing,    // every port at once
        Handshake,  // TLS, implicit or after STARTTLS
        Open,
    };
    Q_ENUM(Stage)

    // What one port did while it was probed.
    enum class Outcome {
        Pending,
        Connected,
        Refused,  // the host said no at once
        NoAnswer, // nothing within the budget
        Closed,   // the connection taken, then closed before the greeting
        NotTls,   // implicit TLS expected, the handshake failed
        HostNotFound,
        Failed, // any other socket error
    };
    Q_ENUM(Outcome)

    struct Attempt {
        smtp::Way way;
        Outcome outcome = Outcome::Pending;
        QString error; // the socket's own words, for the details
    };

    enum class Cause {
        HostNotFound,
        ConnectionRefused,
        Network,     // another socket error
        TimedOut,    // nothing within the time-out
        Unreachable, // automatic mode: no port answered (see attempts)
        Certificate, // not verified, not trusted
        Tls,         // the handshake failed otherwise
        Downgrade,   // reached with TLS before, now it would be without
    };
    Q_ENUM(Cause)

    struct Failure {
        Stage stage = Stage::Idle;
        Cause cause = Cause::Network;
        QAbstractSocket::SocketError socketError = QAbstractSocket::UnknownSocketError;
        smtp::Way way;
        QSslCertificate certificate; // Certificate: the one that failed
        QList<QSslError> sslErrors;
        QString tlsError;          // Tls: the TLS library's own words
        QList<Attempt> attempts;   // Unreachable: each port's outcome
    };

    explicit SmtpConnector(QObject* parent = nullptr);
    ~SmtpConnector() override;

    void setTimeouts(const Timeouts& timeouts) { m_timeouts = timeouts; }

    // Finds a way and opens it: opened(), or failed().
    void open(const Request& request);
    // STARTTLS taken by the server: the handshake, then upgraded() or failed().
    void startTls();
    // Writes to the server; false when the connection would not take it all.
    bool write(const QByteArray& bytes);
    // Closes quietly: no signal.
    void close();

    Stage stage() const { return m_stage; }
    smtp::Way way() const { return m_way; }
    bool isEncrypted() const;
    QString sessionCipher() const;
    // The connection's own address, for the EHLO greeting.
    QHostAddress localAddress() const;
    // The server wants TLS on this connection, whatever it offers: it was
    // reached with TLS before.
    bool tlsRequired() const { return m_request.reachedWithTls; }
    QString errorString() const;
    QAbstractSocket::SocketState socketState() const;

Q_SIGNALS:
    void opened();
    void upgraded();
    void received(const QByteArray& bytes);
    void closed();
    void failed(const SmtpConnector::Failure& failure);

private:
    struct Candidate;

    void setStage(Stage stage);
    void connectDirect(const smtp::Way& way, bool probeAfter);
    void probe();
    Candidate* add(const smtp::Way& way);
    void onConnected(Candidate* c);
    void onEncrypted(Candidate* c);
    void onSslErrors(Candidate* c, const QList<QSslError>& errors);
    void onReadyRead(Candidate* c);
    void onDisconnected(Candidate* c);
    void onError(Candidate* c, QAbstractSocket::SocketError error);
    void onTimeout();
    void settle(Candidate* c, Outcome outcome);
    void decide(bool budgetOver);
    void adopt(Candidate* c);
    void fail(Cause cause, QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError,
              Candidate* c = nullptr);
    void drop();

    Timeouts m_timeouts;
    Request m_request;
    Stage m_stage = Stage::Idle;
    smtp::Way m_way;
    bool m_probeAfter = false; // a remembered way: look for another when it fails
    std::vector<std::unique_ptr<Candidate>> m_candidates;
    Candidate* m_open = nullptr;
    QTimer* m_timer;
};

Q_DECLARE_METATYPE(SmtpConnector::Failure)
