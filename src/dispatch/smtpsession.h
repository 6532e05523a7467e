#pragma once

#include "dispatch/mailcheck.h"
#include "dispatch/smtpreply.h"
#include "storage/paranet.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// One delivery of the answer text to the mail server: connection, greeting,
// EHLO (HELO when refused), MAIL, RCPT, DATA, QUIT.  Each state sends its
// command, waits for its reply within its own time-out, and is left only by
// that reply, the time-out or the socket.  The session speaks no language:
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

    enum class State {
        Idle,
        Connecting,
        Greeting,
        Ehlo,
        Helo,
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
    };
    Q_ENUM(Cause)

    struct Failure {
        State state = State::Idle; // the state whose wait failed
        Cause cause = Cause::Network;
        SmtpReplyReader::Reply reply; // the server's last reply; code 0 when none
        QAbstractSocket::SocketError socketError = QAbstractSocket::UnknownSocketError;
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

    // The product always talks to port 25.
    explicit SmtpSession(quint16 port = 25, QObject* parent = nullptr);
    ~SmtpSession() override;

    void setTimeouts(const Timeouts& timeouts) { m_timeouts = timeouts; }
    // Takes effect at the next start.
    void setPort(quint16 port) { m_port = port; }

    // Sends text from settings, with the subject "subjectWord ( expediteur )".
    // Nothing goes on the wire unless every setting passes its check.
    Start start(const paranet::DispatchSettings& settings, const QString& subjectWord,
                const QString& text);

    // Stops a run quietly: socket closed, no signal.
    void abort();

    bool isRunning() const { return m_state != State::Idle; }
    QAbstractSocket::SocketState socketState() const;

Q_SIGNALS:
    void progressed(SmtpSession::Step step);
    void succeeded();
    void failed(const SmtpSession::Failure& failure);

private:
    Start check(const paranet::DispatchSettings& settings, const QString& subjectWord);

    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void onTimeout();
    void takeReplies();
    void handle(const SmtpReplyReader::Reply& reply);
    void await(State state);
    int timeoutOf(State state) const;
    bool send(const QByteArray& line);
    void sendMailFrom();
    void sendMessage();
    QByteArray clientName() const;
    void succeed();
    void fail(Cause cause,
              QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError);
    void stop();

    quint16 m_port;
    Timeouts m_timeouts;
    QTcpSocket* m_socket;
    QTimer* m_timer;
    SmtpReplyReader m_reader;
    SmtpReplyReader::Reply m_lastReply;
    State m_state = State::Idle;
    bool m_smtpUtf8 = false; // the server announced SMTPUTF8
    paranet::DispatchSettings m_settings;
    QString m_host;
    QString m_subject;
    QString m_text;
};

Q_DECLARE_METATYPE(SmtpSession::Failure)
