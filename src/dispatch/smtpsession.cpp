#include "dispatch/smtpsession.h"

#include "dispatch/mailtext.h"

#include <QDateTime>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QTcpSocket>
#include <QTimer>

// Silent unless asked for: QT_LOGGING_RULES="questionnaire.smtp.debug=true".
Q_LOGGING_CATEGORY(lcSmtp, "questionnaire.smtp", QtInfoMsg)

namespace
{

const char* const StateNames[] = {"idle", "connecting", "greeting", "EHLO",        "HELO",
                                  "MAIL", "RCPT",       "DATA",     "end of data", "QUIT"};

const char* nameOf(SmtpSession::State state)
{
    return StateNames[int(state)];
}

bool hasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

// Whether an EHLO reply lists the extension: "250-SMTPUTF8", "250 SMTPUTF8 x".
bool announces(const SmtpReplyReader::Reply& reply, const QByteArray& keyword)
{
    for (qsizetype i = 1; i < reply.lines.size(); ++i) {
        const QByteArray word = reply.lines[i].mid(4).split(' ').first();
        if (word.compare(keyword, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

SmtpSession::SmtpSession(quint16 port, QObject* parent)
    : QObject(parent), m_port(port), m_socket(new QTcpSocket(this)), m_timer(new QTimer(this))
{
    qRegisterMetaType<SmtpSession::Failure>();
    m_socket->setObjectName(QStringLiteral("Winsock1"));
    m_timer->setSingleShot(true);
    connect(m_socket, &QTcpSocket::connected, this, &SmtpSession::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &SmtpSession::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &SmtpSession::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &SmtpSession::onSocketError);
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

SmtpSession::Start SmtpSession::check(const paranet::DispatchSettings& s,
                                      const QString& subjectWord)
{
    using mailcheck::Fault;
    QString host;
    const Fault server = mailcheck::server(s.serveur, &host);
    if (server == Fault::Empty)
        return {Setting::Server, server};
    // These come from a file another program writes too; a line break would
    // let them add commands or header lines of their own.
    if (hasLineBreak(s.adresse) || hasLineBreak(s.destinataire) || hasLineBreak(s.expediteur))
        return {Setting::Text, Fault::LineBreak};
    if (server != Fault::None)
        return {Setting::Server, server};
    if (const Fault f = mailcheck::address(s.adresse); f != Fault::None)
        return {Setting::Sender, f};
    if (const Fault f = mailcheck::address(s.destinataire); f != Fault::None)
        return {Setting::Recipient, f};
    for (const QString& name : {s.expediteur, subjectWord}) {
        if (const Fault f = mailcheck::name(name); f != Fault::None)
            return {Setting::Name, f};
    }
    m_host = host;
    return {};
}

SmtpSession::Start SmtpSession::start(const paranet::DispatchSettings& settings,
                                      const QString& subjectWord, const QString& text)
{
    if (isRunning())
        return {Setting::Busy, mailcheck::Fault::None};
    const Start verdict = check(settings, subjectWord);
    if (!verdict.started()) {
        qCDebug(lcSmtp) << "not started: setting" << int(verdict.setting) << "fault"
                        << int(verdict.fault);
        return verdict;
    }

    stop();
    m_settings = settings;
    m_subject = subjectWord + QStringLiteral(" ( ") + settings.expediteur + QStringLiteral(" )");
    m_text = text;
    m_lastReply = SmtpReplyReader::Reply();
    m_smtpUtf8 = false;
    await(State::Connecting);
    Q_EMIT progressed(Step::Connecting);
    qCDebug(lcSmtp) << "connecting to" << m_host << "port" << m_port;
    m_socket->connectToHost(m_host, m_port);
    return verdict;
}

void SmtpSession::abort()
{
    if (isRunning())
        qCDebug(lcSmtp) << "aborted in state" << nameOf(m_state);
    stop();
}

void SmtpSession::stop()
{
    m_state = State::Idle;
    m_timer->stop();
    m_socket->abort();
    m_reader.clear();
}

int SmtpSession::timeoutOf(State state) const
{
    switch (state) {
    case State::Connecting:
        return m_timeouts.connect;
    case State::DataEnd:
        return m_timeouts.dataEnd;
    case State::Quit:
        return m_timeouts.quit;
    case State::Idle:
    case State::Greeting:
    case State::Ehlo:
    case State::Helo:
    case State::MailFrom:
    case State::RcptTo:
    case State::Data:
        break;
    }
    return m_timeouts.reply;
}

void SmtpSession::await(State state)
{
    m_state = state;
    m_timer->start(timeoutOf(state));
}

void SmtpSession::onConnected()
{
    if (m_state != State::Connecting)
        return;
    qCDebug(lcSmtp) << "connected to" << m_socket->peerAddress().toString();
    Q_EMIT progressed(Step::Connected);
    await(State::Greeting);
}

void SmtpSession::onReadyRead()
{
    if (m_state == State::Idle)
        return;
    m_reader.append(m_socket->readAll());
    takeReplies();
}

void SmtpSession::onDisconnected()
{
    if (m_state == State::Idle)
        return;
    // A server may answer and close at once: its last reply still counts.
    m_reader.append(m_socket->readAll());
    takeReplies();
    if (m_state == State::Quit)
        succeed();
    else if (m_state != State::Idle)
        fail(Cause::Closed, QAbstractSocket::RemoteHostClosedError);
}

void SmtpSession::onSocketError(QAbstractSocket::SocketError error)
{
    if (m_state == State::Idle)
        return;
    qCDebug(lcSmtp) << "socket error" << error << m_socket->errorString();
    if (error == QAbstractSocket::RemoteHostClosedError)
        return onDisconnected();
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return fail(Cause::HostNotFound, error);
    case QAbstractSocket::ConnectionRefusedError:
        return fail(Cause::ConnectionRefused, error);
    default:
        return fail(Cause::Network, error);
    }
}

void SmtpSession::onTimeout()
{
    if (m_state == State::Quit)
        succeed();
    else if (m_state != State::Idle)
        fail(Cause::TimedOut);
}

void SmtpSession::takeReplies()
{
    SmtpReplyReader::Reply reply;
    while (m_state != State::Idle && m_state != State::Connecting && m_reader.next(&reply)) {
        m_lastReply = reply;
        for (const QByteArray& line : reply.lines)
            qCDebug(lcSmtp).noquote() << "S:" << QString::fromLatin1(line);
        // Without pipelining the server speaks only when a command awaits its
        // reply: whatever came with this reply came before the next command
        // was sent, and cannot be taken as its answer.
        if (m_reader.hasData() && m_state != State::Quit)
            return fail(Cause::OutOfTurn);
        handle(reply);
    }
    if (m_state != State::Idle && m_reader.overflowed())
        fail(Cause::Overlong);
}

void SmtpSession::handle(const SmtpReplyReader::Reply& reply)
{
    const int code = reply.code;
    if (m_state == State::Quit)
        return succeed(); // whatever it says, the message was taken
    if (code == 0)
        return fail(Cause::Malformed);
    switch (m_state) {
    case State::Greeting:
        if (code != 220)
            return fail(Cause::Refused);
        if (send("EHLO " + clientName() + "\r\n"))
            await(State::Ehlo);
        return;
    case State::Ehlo:
        if (code >= 500 && code <= 599) {
            // An older server that knows only HELO.
            if (send("HELO " + clientName() + "\r\n"))
                await(State::Helo);
            return;
        }
        if (code != 250)
            return fail(Cause::Refused);
        m_smtpUtf8 = announces(reply, "SMTPUTF8");
        return sendMailFrom();
    case State::Helo:
        if (code != 250)
            return fail(Cause::Refused);
        return sendMailFrom();
    case State::MailFrom:
        if (code != 250)
            return fail(Cause::Refused);
        Q_EMIT progressed(Step::Sending);
        if (send("RCPT TO:<" + mailcheck::envelope(m_settings.destinataire) + ">\r\n"))
            await(State::RcptTo);
        return;
    case State::RcptTo:
        // 251: the server forwards to the recipient, which is just as good.
        if (code != 250 && code != 251)
            return fail(Cause::Refused);
        if (send("DATA\r\n"))
            await(State::Data);
        return;
    case State::Data:
        if (code != 354)
            return fail(Cause::Refused);
        return sendMessage();
    case State::DataEnd:
        if (code != 250)
            return fail(Cause::Refused);
        Q_EMIT progressed(Step::Disconnected);
        qCDebug(lcSmtp) << "C: QUIT";
        if (m_socket->write("QUIT\r\n") < 0)
            return succeed(); // delivered all the same
        await(State::Quit);
        return;
    case State::Idle:
    case State::Connecting:
    case State::Quit:
        return;
    }
}

void SmtpSession::sendMailFrom()
{
    const bool senderUtf8 = mailcheck::needsSmtpUtf8(m_settings.adresse);
    const bool recipientUtf8 = mailcheck::needsSmtpUtf8(m_settings.destinataire);
    if (senderUtf8 && !m_smtpUtf8)
        return fail(Cause::SenderNeedsSmtpUtf8);
    if (recipientUtf8 && !m_smtpUtf8)
        return fail(Cause::RecipientNeedsSmtpUtf8);
    QByteArray line = "MAIL FROM:<" + mailcheck::envelope(m_settings.adresse) + '>';
    if (senderUtf8 || recipientUtf8)
        line += " SMTPUTF8";
    if (send(line + "\r\n"))
        await(State::MailFrom);
}

void SmtpSession::sendMessage()
{
    mailtext::Letter letter;
    letter.from = mailcheck::envelope(m_settings.adresse);
    letter.subject = m_subject;
    letter.text = m_text;
    letter.date = QDateTime::currentDateTime();
    const QByteArray data = mailtext::data(letter);
    // The answers are the user's own: only their size goes into the trace.
    qCDebug(lcSmtp) << "C: <message of" << data.size() << "bytes, ending with \".\">";
    if (m_socket->write(data) != data.size())
        return fail(Cause::SendFailed);
    Q_EMIT progressed(Step::Disconnecting);
    await(State::DataEnd);
}

bool SmtpSession::send(const QByteArray& line)
{
    // A command that carries a secret must not come through here unmasked.
    qCDebug(lcSmtp).noquote() << "C:" << QString::fromUtf8(line.chopped(2));
    if (m_socket->write(line) == line.size())
        return true;
    fail(Cause::SendFailed);
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
    qCDebug(lcSmtp) << "delivered";
    stop();
    Q_EMIT progressed(Step::Finished);
    Q_EMIT succeeded();
}

void SmtpSession::fail(Cause cause, QAbstractSocket::SocketError error)
{
    Failure f;
    f.state = m_state;
    f.cause = cause;
    f.reply = m_lastReply;
    f.socketError = error;
    qCDebug(lcSmtp) << "failed in state" << nameOf(f.state) << "cause" << int(cause)
                    << "last reply code" << f.reply.code;
    stop();
    Q_EMIT failed(f);
}
