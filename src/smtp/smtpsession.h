#pragma once

#include "smtp/mailcheck.h"
#include "smtp/mode.h"
#include "smtp/smtpconnector.h"
#include "smtp/smtpreply.h"
#include "storage/paranet.h"

#include <QAbstractSocket>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <QStringList>

class QTimer;

// One delivery of the answer text to the mail server: greeting, EHLO (HELO
// when refused), STARTTLS and EHLO again, AUTH, MAIL, RCPT, DATA, QUIT.  How
// the server is reached (ports, TLS, certificates) is the connector's; the
// session speaks SMTP over what it is handed.  Each state sends its command,
// waits for its reply within its own time-out, and is left only by that
// reply, the time-out or the connection.  The session speaks no language:
// it reports progress as steps and ends with exactly one succeeded() or
// failed(Failure); it shows nothing itself.  The exchange is traced in the
// logging category "questionnaire.smtp" (commands and replies, never the
// message itself), e.g. QT_LOGGING_RULES="questionnaire.smtp.debug=true".
class SmtpSession : public QObject
{
    Q_OBJECT
public:
    // Milliseconds.  A user waits half a minute for a server to answer, and
    // a minute for it to take the whole message; the reply to QUIT matters
    // little, so it is hardly waited for.
    struct Timeouts {
        int connect = 30000; // host lookup and connection
        int reply = 30000;   // each reply but the last
        int dataEnd = 60000; // the reply to the end of the message
        int quit = 2000;     // the reply to QUIT
        int probe = 8000;    // automatic mode: the wait for a port (all are tried at once)
    };

    // How the server is reached.  In automatic mode STARTTLS is used on the
    // plain port when offered, and a password given there only when asked for.
    struct Connection {
        smtp::Mode mode = smtp::Mode::Plain;
        quint16 port = 25;           // the port of a mode chosen by hand
        smtp::Way remembered;        // automatic mode: what worked last time
        QString user;                // for AUTH; empty: the sender's address
        QStringList trusted;         // fingerprints the user accepted for this server
        bool reachedWithTls = false; // a connection without TLS is refused
        // Automatic mode: the ports tried at once, most secure first.
        quint16 implicitPort = 465;
        quint16 startTlsPort = 587;
        quint16 plainPort = 25;
    };

    // What the user is told of, in order.
    enum class Step {
        Connecting,    // the connection is asked for
        Connected,     // the server's socket accepted it
        Sending,       // the server took the sender
        Disconnecting, // the message has gone, its acknowledgement awaited
        Disconnected,  // the server took the message
        Finished,      // the socket is closed
    };
    Q_ENUM(Step)

    // The states of the dialogue.  While the connector finds the way, the
    // session is in Greeting with no time-out of its own.
    enum class State {
        Idle,
        Greeting,
        Ehlo,
        Helo,
        StartTls, // STARTTLS sent, then its handshake
        Password, // the user is asked; no time-out
        ClearText, // the user is asked whether to send without encryption; no time-out
        AuthPlain,
        AuthLoginUser, // AUTH LOGIN with the user name sent
        AuthLoginPassword,
        MailFrom,
        RcptTo,
        Data,
        DataEnd,
        Quit
    };
    Q_ENUM(State)

    enum class Cause {
        HostNotFound,
        ConnectionRefused,
        Network,                // another socket error (see Failure::socketError)
        Closed,                 // the server closed the connection
        TimedOut,               // no reply within the state's time-out
        Refused,                // a reply with another code than the state awaits
        Malformed,              // a reply line without a three-digit code
        OutOfTurn,              // a reply while no command awaited one
        Overlong,               // a reply line that never ends
        SendFailed,             // the socket would not take a command
        SenderNeedsSmtpUtf8,    // the server does not announce SMTPUTF8
        RecipientNeedsSmtpUtf8, // likewise
        Unreachable,            // automatic mode: no port answered (see Failure::probed)
        Certificate,            // not verified (Failure::certificate, sslErrors)
        Tls,                    // the TLS handshake failed otherwise (Failure::tlsError)
        TlsNotOffered,          // STARTTLS required, not announced
        Downgrade,              // reached with TLS before, now it would be without
        PasswordRefused,        // 535, twice
        PasswordCancelled,      // the user gave none
        NeedsTls,               // the server wants a password, never sent in clear
        ClearTextRefused,       // automatic mode found no encryption, the user said no
    };
    Q_ENUM(Cause)

    using Stage = SmtpConnector::Stage;

    struct Failure {
        State state = State::Idle; // the state whose wait failed
        // Where the connection was: Open once the dialogue had it.
        Stage stage = Stage::Open;
        Cause cause = Cause::Network;
        SmtpReplyReader::Reply reply; // the server's last reply; code 0 when none
        QAbstractSocket::SocketError socketError = QAbstractSocket::UnknownSocketError;
        smtp::Mode mode = smtp::Mode::Plain; // as reached
        quint16 port = 0;
        QSslCertificate certificate; // Certificate: the one that failed
        QList<QSslError> sslErrors;
        QString tlsError;                       // Tls: the TLS library's own words
        QList<SmtpConnector::Attempt> probed;   // Unreachable: each port's outcome
    };

    // The settings that keep a run from starting, in the order they are
    // checked.
    enum class Setting {
        None,      // nothing wrong: the run started
        Busy,      // a run is under way already: nothing was done
        Server,    // serveur (Fault::Empty: empty or only spaces)
        Text,      // expediteur, adresse or destinataire holds a line break
        Sender,    // adresse
        Recipient, // destinataire
        Name,      // expediteur or the subject word
    };
    Q_ENUM(Setting)

    struct Start {
        Setting setting = Setting::None;
        mailcheck::Fault fault = mailcheck::Fault::None;
        bool started() const { return setting == Setting::None; }
    };

    // port: the plain port, 25 unless a test says otherwise.
    explicit SmtpSession(quint16 port = 25, QObject* parent = nullptr);
    ~SmtpSession() override;

    void setTimeouts(const Timeouts& timeouts);
    // Takes effect at the next start.
    void setPort(quint16 port) { m_connection.port = m_connection.plainPort = port; }
    // Takes effect at the next start.
    void setConnection(const Connection& connection) { m_connection = connection; }
    const Connection& connection() const { return m_connection; }

    // After passwordNeeded(): the password to try, or none (the run fails).
    void providePassword(const QString& password);
    void refusePassword();
    // After clearTextNeedsConsent(): true sends without encryption, this
    // time only; false ends the run.
    void consentToClearText(bool given);

    // After a run: how the server was reached.
    smtp::Mode usedMode() const { return m_used.mode; }
    quint16 usedPort() const { return m_used.port; }
    bool usedTls() const { return m_encrypted; }

    // Sends text from settings, with the subject "subjectWord ( expediteur )".
    // Nothing goes on the wire unless every setting passes its check.
    Start start(const paranet::DispatchSettings& settings, const QString& subjectWord,
                const QString& text);

    // Stops a run quietly: socket closed, no signal.
    void abort();

    bool isRunning() const { return m_state != State::Idle; }
    // Where a run is: the dialogue's state, and the connection's stage under it.
    State state() const { return m_state; }
    Stage stage() const { return m_connector->stage(); }
    QAbstractSocket::SocketState socketState() const;

Q_SIGNALS:
    void progressed(SmtpSession::Step step);
    void succeeded();
    void failed(const SmtpSession::Failure& failure);
    // The server wants a password (again, when it refused the last one):
    // answer with providePassword() or refusePassword().
    void passwordNeeded(const QString& user, bool refused);
    // Automatic mode found no way with encryption (the server on the plain
    // port offers no STARTTLS): answer with consentToClearText().
    void clearTextNeedsConsent();
    // The server took the password.
    void passwordAccepted();

private:
    using Reply = SmtpReplyReader::Reply;
    using Handler = void (SmtpSession::*)(const Reply&);

    Start check(const paranet::DispatchSettings& settings, const QString& subjectWord);

    // The one place the state changes: logged, and the new state's time-out
    // started (Password and Idle have none).
    void setState(State state);
    int timeoutOf(State state) const;

    // The connector's word.
    void onOpened();
    void onUpgraded();
    void onReceived(const QByteArray& bytes);
    void onClosed();
    void onConnectFailed(const SmtpConnector::Failure& failure);
    void onTimeout();

    void takeReplies();
    // One handler for each awaited reply.
    void onGreeting(const Reply& reply);
    void onEhlo(const Reply& reply);
    void onHelo(const Reply& reply);
    void onStartTls(const Reply& reply);
    void onAuth(const Reply& reply);
    void onAuthLoginUser(const Reply& reply);
    void onMailFrom(const Reply& reply);
    void onRcptTo(const Reply& reply);
    void onData(const Reply& reply);
    void onDataEnd(const Reply& reply);
    void onQuit(const Reply& reply);
    static const Handler handlers[];

    void afterEhlo(const Reply& reply);
    void askPassword(bool refused);
    void authenticate();
    bool send(const QByteArray& line, State next);
    bool sendSecret(const QByteArray& line, const char* shown, State next);
    void sendMailFrom();
    void sendMessage();
    QByteArray clientName() const;
    void succeed();
    void fail(Cause cause,
              QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError);
    void stop();

    Timeouts m_timeouts;
    Connection m_connection;
    SmtpConnector* m_connector;
    QTimer* m_timer;
    SmtpReplyReader m_reader;
    Reply m_lastReply;
    State m_state = State::Idle;
    bool m_smtpUtf8 = false; // the server announced SMTPUTF8
    paranet::DispatchSettings m_settings;
    QString m_host;
    QString m_subject;
    QString m_text;
    smtp::Way m_used;
    bool m_encrypted = false;
    bool m_authenticated = false;
    QByteArray m_mechanism; // PLAIN or LOGIN, from the EHLO over TLS
    QString m_password;     // held for the run only
    int m_refusals = 0;
};

Q_DECLARE_METATYPE(SmtpSession::Failure)
