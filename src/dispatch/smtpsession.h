#pragma once

#include "dispatch/smtpreply.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// One delivery of the answer text to the mail server: connection, greeting,
// EHLO (HELO when refused), MAIL, RCPT, DATA, QUIT.  Each step waits for its
// reply, driven by the socket's signals; each wait is bounded.  The session
// reports its progress as the status texts of the dispatch window and ends
// with exactly one succeeded() or failed(); it shows nothing itself.
class SmtpSession : public QObject
{
    Q_OBJECT
public:
    struct Mail {
        QString expediteur;   // the sender's name, in the subject
        QString adresse;      // the sender's address: envelope and FROM: line
        QString serveur;      // the mail server's host name
        QString destinataire; // the recipient, in the envelope
        QString subjectWord;  // "Questionnaire"
        QString text;         // the answer text
    };

    // Milliseconds.  A user waits half a minute for a server to answer, and
    // a minute for it to take the whole message; the reply to QUIT matters
    // little, so it is hardly waited for.
    struct Timeouts {
        int connect = 30000; // host lookup and connection
        int reply = 30000;   // each reply but the last
        int dataEnd = 60000; // the reply to the end of the message
        int quit = 2000;     // the reply to QUIT
    };

    enum class Start {
        Started,   // the run is under way
        Busy,      // a run is under way already: nothing was done
        NoServer,  // the server is empty or only spaces: nothing was done
        LineBreak, // a setting holds CR or LF: nothing was done
    };

    // The product always talks to port 25.
    explicit SmtpSession(quint16 port = 25, QObject* parent = nullptr);
    ~SmtpSession() override;

    void setTimeouts(const Timeouts& timeouts) { m_timeouts = timeouts; }
    // Takes effect at the next start.
    void setPort(quint16 port) { m_port = port; }

    Start start(const Mail& mail);

    // Stops a run quietly: socket closed, no signal.
    void abort();

    bool isRunning() const { return m_state != State::Idle; }
    QAbstractSocket::SocketState socketState() const;

Q_SIGNALS:
    void statusChanged(const QString& text);
    void succeeded();
    void failed();

private:
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

    void onConnected();
    void onReadyRead();
    void onBroken();
    void onTimeout();
    void takeReplies();
    void handle(const SmtpReplyReader::Reply& reply);
    void await(State state, int timeout);
    bool send(const QByteArray& bytes);
    void sendMessage();
    QByteArray clientName() const;
    void succeed();
    void fail();
    void stop();

    quint16 m_port;
    Timeouts m_timeouts;
    QTcpSocket* m_socket;
    QTimer* m_timer;
    SmtpReplyReader m_reader;
    State m_state = State::Idle;
    Mail m_mail;
};
