#include "dispatch/smtpsession.h"

#include "dispatch/mailtext.h"
#include "storage/cp1252.h"

#include <QDateTime>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace
{

bool hasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

} // namespace

SmtpSession::SmtpSession(quint16 port, QObject* parent)
    : QObject(parent), m_port(port), m_socket(new QTcpSocket(this)), m_timer(new QTimer(this))
{
    m_socket->setObjectName(QStringLiteral("Winsock1"));
    m_timer->setSingleShot(true);
    connect(m_socket, &QTcpSocket::connected, this, &SmtpSession::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &SmtpSession::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &SmtpSession::onBroken);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &SmtpSession::onBroken);
    connect(m_timer, &QTimer::timeout, this, &SmtpSession::onTimeout);
}

SmtpSession::~SmtpSession()
{
    stop();
}

QAbstractSocket::SocketState SmtpSession::socketState() const
{
    return m_socket->state();
}

SmtpSession::Start SmtpSession::start(const Mail& mail)
{
    if (isRunning())
        return Start::Busy;
    const QString host = mail.serveur.trimmed();
    if (host.isEmpty())
        return Start::NoServer;
    // These come from a file another program writes too; a line break would
    // let them add commands or header lines of their own.
    if (hasLineBreak(mail.adresse) || hasLineBreak(mail.destinataire) ||
        hasLineBreak(mail.expediteur))
        return Start::LineBreak;

    stop();
    m_mail = mail;
    await(State::Connecting, m_timeouts.connect);
    Q_EMIT statusChanged(QStringLiteral("Connexion en cours"));
    // Spaces typed around the name would only make its lookup fail.
    m_socket->connectToHost(host, m_port);
    return Start::Started;
}

void SmtpSession::abort()
{
    stop();
}

void SmtpSession::stop()
{
    m_state = State::Idle;
    m_timer->stop();
    m_socket->abort();
    m_reader.clear();
}

void SmtpSession::await(State state, int timeout)
{
    m_state = state;
    m_timer->start(timeout);
}

void SmtpSession::onConnected()
{
    if (m_state != State::Connecting)
        return;
    Q_EMIT statusChanged(QStringLiteral("Connecté"));
    await(State::Greeting, m_timeouts.reply);
}

void SmtpSession::onReadyRead()
{
    if (m_state == State::Idle)
        return;
    m_reader.append(m_socket->readAll());
    takeReplies();
}

void SmtpSession::onBroken()
{
    if (m_state == State::Idle)
        return;
    // A server may answer and close at once: its last reply still counts.
    m_reader.append(m_socket->readAll());
    takeReplies();
    if (m_state == State::Quit)
        succeed();
    else if (m_state != State::Idle)
        fail();
}

void SmtpSession::onTimeout()
{
    if (m_state == State::Quit)
        succeed();
    else if (m_state != State::Idle)
        fail();
}

void SmtpSession::takeReplies()
{
    SmtpReplyReader::Reply reply;
    while (m_state != State::Idle && m_state != State::Connecting && m_reader.next(&reply))
        handle(reply);
    if (m_state != State::Idle && m_reader.overflowed())
        fail();
}

void SmtpSession::handle(const SmtpReplyReader::Reply& reply)
{
    const int code = reply.code;
    switch (m_state) {
    case State::Greeting:
        if (code != 220)
            return fail();
        if (send("EHLO " + clientName() + "\r\n"))
            await(State::Ehlo, m_timeouts.reply);
        return;
    case State::Ehlo:
        if (code >= 500 && code <= 599) {
            // An older server that knows only HELO.
            if (send("HELO " + clientName() + "\r\n"))
                await(State::Helo, m_timeouts.reply);
            return;
        }
        [[fallthrough]];
    case State::Helo:
        if (code != 250)
            return fail();
        if (send("MAIL FROM:<" + cp1252::encode(m_mail.adresse) + ">\r\n"))
            await(State::MailFrom, m_timeouts.reply);
        return;
    case State::MailFrom:
        if (code != 250)
            return fail();
        Q_EMIT statusChanged(QStringLiteral("Expédition du message"));
        if (send("RCPT TO:<" + cp1252::encode(m_mail.destinataire) + ">\r\n"))
            await(State::RcptTo, m_timeouts.reply);
        return;
    case State::RcptTo:
        // 251: the server forwards to the recipient, which is just as good.
        if (code != 250 && code != 251)
            return fail();
        if (send("DATA\r\n"))
            await(State::Data, m_timeouts.reply);
        return;
    case State::Data:
        if (code != 354)
            return fail();
        sendMessage();
        return;
    case State::DataEnd:
        if (code != 250)
            return fail();
        Q_EMIT statusChanged(QStringLiteral("Déconnecté"));
        if (m_socket->write("QUIT\r\n") < 0)
            return succeed(); // delivered all the same
        await(State::Quit, m_timeouts.quit);
        return;
    case State::Quit:
        return succeed();
    case State::Idle:
    case State::Connecting:
        return;
    }
}

void SmtpSession::sendMessage()
{
    mailtext::Letter letter;
    letter.adresse = m_mail.adresse;
    letter.subject =
        m_mail.subjectWord + QStringLiteral(" ( ") + m_mail.expediteur + QStringLiteral(" )");
    letter.text = m_mail.text;
    letter.date = QDateTime::currentDateTime();
    if (!send(mailtext::data(letter)))
        return;
    Q_EMIT statusChanged(QStringLiteral("Déconnection"));
    await(State::DataEnd, m_timeouts.dataEnd);
}

bool SmtpSession::send(const QByteArray& bytes)
{
    if (m_socket->write(bytes) == bytes.size())
        return true;
    fail();
    return false;
}

QByteArray SmtpSession::clientName() const
{
    // A desktop's host name is seldom one the server can look up; RFC 5321
    // asks such a client for the literal of its address instead.
    QHostAddress local = m_socket->localAddress();
    bool mapped = false;
    const quint32 v4 = local.toIPv4Address(&mapped);
    if (mapped)
        local = QHostAddress(v4);
    if (local.protocol() == QAbstractSocket::IPv6Protocol) {
        local.setScopeId(QString());
        return "[IPv6:" + local.toString().toLatin1() + ']';
    }
    return '[' + local.toString().toLatin1() + ']';
}

void SmtpSession::succeed()
{
    stop();
    Q_EMIT statusChanged(QStringLiteral("Terminé"));
    Q_EMIT succeeded();
}

void SmtpSession::fail()
{
    stop();
    Q_EMIT failed();
}
