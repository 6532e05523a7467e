#include "smtp/smtpsession.h"

#include "smtp/mailtext.h"
#include "smtp/sasl.h"
#include "smtp/tlsconfig.h"

#include <QDateTime>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QTimer>
#include <algorithm>
#include <iterator>

// Silent unless asked for: QT_LOGGING_RULES="questionnaire.smtp.debug=true".
Q_LOGGING_CATEGORY(lcSmtp, "questionnaire.smtp", QtInfoMsg)

using smtp::Mode;

namespace
{

const char* const StateNames[] = {"idle",
                                  "greeting",
                                  "EHLO",
                                  "HELO",
                                  "STARTTLS",
                                  "password",
                                  "clear text",
                                  "AUTH PLAIN",
                                  "AUTH LOGIN user",
                                  "AUTH LOGIN password",
                                  "MAIL",
                                  "RCPT",
                                  "DATA",
                                  "end of data",
                                  "QUIT"};
static_assert(std::size(StateNames) == int(SmtpSession::State::Quit) + 1,
              "one name for each state");

const char* nameOf(SmtpSession::State state)
{
    return StateNames[int(state)];
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

// The mechanisms of the EHLO reply's AUTH line, empty when there is none.
QByteArray authLine(const SmtpReplyReader::Reply& reply)
{
    for (qsizetype i = 1; i < reply.lines.size(); ++i) {
        const QByteArray line = reply.lines[i].mid(4);
        if (line.split(' ').first().compare("AUTH", Qt::CaseInsensitive) == 0)
            return line.mid(5);
    }
    return QByteArray();
}

} // namespace

// Indexed by State: the reply each state awaits goes to its handler.
const SmtpSession::Handler SmtpSession::handlers[] = {
    nullptr,                        // Idle
    &SmtpSession::onGreeting,       // Greeting
    &SmtpSession::onEhlo,           // Ehlo
    &SmtpSession::onHelo,           // Helo
    &SmtpSession::onStartTls,       // StartTls
    nullptr,                        // Password: the user is asked
    nullptr,                        // ClearText: the user is asked
    &SmtpSession::onAuth,           // AuthPlain
    &SmtpSession::onAuthLoginUser,  // AuthLoginUser
    &SmtpSession::onAuth,           // AuthLoginPassword
    &SmtpSession::onMailFrom,       // MailFrom
    &SmtpSession::onRcptTo,         // RcptTo
    &SmtpSession::onData,           // Data
    &SmtpSession::onDataEnd,        // DataEnd
    &SmtpSession::onQuit,           // Quit
};

SmtpSession::SmtpSession(quint16 port, QObject* parent)
    : QObject(parent), m_connector(new SmtpConnector(this)), m_timer(new QTimer(this))
{
    static_assert(std::size(handlers) == int(State::Quit) + 1, "one handler for each state");
    qRegisterMetaType<SmtpSession::Failure>();
    m_connection.port = m_connection.plainPort = port;
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &SmtpSession::onTimeout);
    connect(m_connector, &SmtpConnector::opened, this, &SmtpSession::onOpened);
    connect(m_connector, &SmtpConnector::upgraded, this, &SmtpSession::onUpgraded);
    connect(m_connector, &SmtpConnector::received, this, &SmtpSession::onReceived);
    connect(m_connector, &SmtpConnector::closed, this, &SmtpSession::onClosed);
    connect(m_connector, &SmtpConnector::failed, this, &SmtpSession::onConnectFailed);
    setTimeouts(m_timeouts);
}

SmtpSession::~SmtpSession()
{
    stop();
}

void SmtpSession::setTimeouts(const Timeouts& timeouts)
{
    m_timeouts = timeouts;
    SmtpConnector::Timeouts t;
    t.connect = timeouts.connect;
    t.handshake = timeouts.reply;
    t.probe = timeouts.probe;
    m_connector->setTimeouts(t);
}

QAbstractSocket::SocketState SmtpSession::socketState() const
{
    return m_connector->socketState();
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
    if (mailcheck::hasLineBreak(s.adresse) || mailcheck::hasLineBreak(s.destinataire) ||
        mailcheck::hasLineBreak(s.expediteur))
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
        qCDebug(lcSmtp) << "not started: setting" << verdict.setting << "fault"
                        << int(verdict.fault);
        return verdict;
    }

    stop();
    m_settings = settings;
    m_subject = subjectWord + QStringLiteral(" ( ") + settings.expediteur + QStringLiteral(" )");
    m_text = text;
    m_lastReply = Reply();
    m_smtpUtf8 = false;
    m_encrypted = false;
    m_authenticated = false;
    m_refusals = 0;
    m_mechanism.clear();
    m_used = {m_connection.mode, m_connection.mode == Mode::Automatic ? quint16(0) : m_connection.port};
    Q_EMIT progressed(Step::Connecting);

    SmtpConnector::Request r;
    r.host = m_host;
    r.mode = m_connection.mode;
    r.port = m_connection.port;
    r.remembered = m_connection.remembered;
    r.ports = {m_connection.implicitPort, m_connection.startTlsPort, m_connection.plainPort};
    r.reachedWithTls = m_connection.reachedWithTls;
    const QStringList trusted = m_connection.trusted;
    r.trusts = [trusted](const QSslCertificate& c) {
        return trusted.contains(tlsconfig::fingerprint(c));
    };
    // The greeting is awaited once the connector has found the way; until
    // then its own time-outs run.
    setState(State::Greeting);
    m_timer->stop();
    m_connector->open(r);
    return verdict;
}

void SmtpSession::setState(State state)
{
    if (state != m_state)
        qCDebug(lcSmtp) << "state:" << nameOf(m_state) << "->" << nameOf(state);
    m_state = state;
    if (state == State::Idle || state == State::Password || state == State::ClearText)
        m_timer->stop(); // the user takes the time needed
    else
        m_timer->start(timeoutOf(state));
}

int SmtpSession::timeoutOf(State state) const
{
    switch (state) {
    case State::DataEnd:
        return m_timeouts.dataEnd;
    case State::Quit:
        return m_timeouts.quit;
    default:
        return m_timeouts.reply;
    }
}

void SmtpSession::providePassword(const QString& password)
{
    if (m_state != State::Password)
        return;
    m_password = password;
    authenticate();
}

void SmtpSession::refusePassword()
{
    if (m_state == State::Password)
        fail(Cause::PasswordCancelled);
}

void SmtpSession::consentToClearText(bool given)
{
    if (m_state != State::ClearText)
        return;
    if (!given)
        return fail(Cause::ClearTextRefused);
    sendMailFrom();
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
    m_connector->close();
    m_reader.clear();
    m_password.clear();
}

void SmtpSession::onOpened()
{
    m_used = m_connector->way();
    m_encrypted = m_connector->isEncrypted();
    qCDebug(lcSmtp) << "connected, port" << m_used.port;
    Q_EMIT progressed(Step::Connected);
    setState(State::Greeting);
}

void SmtpSession::onUpgraded()
{
    if (m_state != State::StartTls)
        return;
    m_encrypted = true;
    // What the server said before TLS is forgotten, its extensions included.
    m_reader.clear();
    m_smtpUtf8 = false;
    send("EHLO " + clientName() + "\r\n", State::Ehlo);
}

void SmtpSession::onReceived(const QByteArray& bytes)
{
    if (m_state == State::Idle)
        return;
    m_reader.append(bytes);
    takeReplies();
}

void SmtpSession::onClosed()
{
    if (m_state == State::Quit)
        succeed();
    else if (m_state != State::Idle)
        fail(Cause::Closed, QAbstractSocket::RemoteHostClosedError);
}

void SmtpSession::onConnectFailed(const SmtpConnector::Failure& f)
{
    if (m_state == State::Idle)
        return;
    using C = SmtpConnector::Cause;
    static const Cause causes[] = {Cause::HostNotFound, Cause::ConnectionRefused, Cause::Network,
                                   Cause::TimedOut,     Cause::Unreachable,       Cause::Certificate,
                                   Cause::Tls,          Cause::Downgrade};
    static_assert(std::size(causes) == int(C::Downgrade) + 1, "one cause for each");
    if (f.way.mode != Mode::Automatic)
        m_used = f.way; // the port it failed on
    Failure out;
    out.state = m_state;
    out.stage = f.stage;
    out.cause = causes[int(f.cause)];
    out.reply = m_lastReply;
    out.socketError = f.socketError;
    out.mode = m_used.mode;
    out.port = m_used.port;
    out.certificate = f.certificate;
    out.sslErrors = f.sslErrors;
    out.tlsError = f.tlsError;
    out.probed = f.attempts;
    qCDebug(lcSmtp) << "failed in state" << nameOf(m_state) << "cause" << out.cause;
    stop();
    Q_EMIT failed(out);
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
    Reply reply;
    while (m_state != State::Idle && m_reader.next(&reply)) {
        m_lastReply = reply;
        for (const QByteArray& line : reply.lines)
            qCDebug(lcSmtp).noquote() << "S:" << QString::fromLatin1(line);
        // Without pipelining the server speaks only when a command awaits its
        // reply: whatever came with this reply came before the next command
        // was sent, and cannot be taken as its answer.
        if (m_reader.hasData() && m_state != State::Quit)
            return fail(Cause::OutOfTurn);
        const Handler handler = handlers[int(m_state)];
        if (!handler)
            return fail(Cause::OutOfTurn); // the user is being asked for the password
        if (m_state != State::Quit && reply.code == 0)
            return fail(Cause::Malformed);
        (this->*handler)(reply);
    }
    if (m_state != State::Idle && m_reader.overflowed())
        fail(Cause::Overlong);
}

void SmtpSession::onGreeting(const Reply& reply)
{
    if (reply.code != 220)
        return fail(Cause::Refused);
    send("EHLO " + clientName() + "\r\n", State::Ehlo);
}

void SmtpSession::onEhlo(const Reply& reply)
{
    if (reply.code >= 500 && reply.code <= 599) {
        // An older server that knows only HELO.
        send("HELO " + clientName() + "\r\n", State::Helo);
        return;
    }
    if (reply.code != 250)
        return fail(Cause::Refused);
    m_smtpUtf8 = announces(reply, "SMTPUTF8");
    afterEhlo(reply);
}

void SmtpSession::onHelo(const Reply& reply)
{
    if (reply.code != 250)
        return fail(Cause::Refused);
    afterEhlo(Reply());
}

void SmtpSession::onStartTls(const Reply& reply)
{
    if (reply.code != 220)
        return fail(Cause::Refused);
    // Nothing may follow the 220 before TLS (it would have been taken as out
    // of turn): the handshake starts on a clean line.
    m_connector->startTls();
}

void SmtpSession::onAuth(const Reply& reply)
{
    if (reply.code == 235) {
        qCDebug(lcSmtp) << "password accepted";
        m_password.clear();
        m_authenticated = true;
        Q_EMIT passwordAccepted();
        return sendMailFrom();
    }
    if (reply.code == 535 && ++m_refusals < 2)
        return askPassword(true);
    fail(reply.code == 535 ? Cause::PasswordRefused : Cause::Refused);
}

void SmtpSession::onAuthLoginUser(const Reply& reply)
{
    if (reply.code != 334)
        return fail(Cause::Refused);
    sendSecret(sasl::loginPassword(m_password) + "\r\n", "<password>", State::AuthLoginPassword);
}

void SmtpSession::onMailFrom(const Reply& reply)
{
    // A relay reached on the plain port with STARTTLS asks for the password
    // only now.
    if (reply.code == 530 && m_encrypted && !m_mechanism.isEmpty() && !m_authenticated)
        return askPassword(false);
    if (reply.code == 530 && !m_encrypted)
        return fail(Cause::NeedsTls);
    if (reply.code != 250)
        return fail(Cause::Refused);
    Q_EMIT progressed(Step::Sending);
    send("RCPT TO:<" + mailcheck::envelope(m_settings.destinataire) + ">\r\n", State::RcptTo);
}

void SmtpSession::onRcptTo(const Reply& reply)
{
    // 251: the server forwards to the recipient, which is just as good.
    if (reply.code != 250 && reply.code != 251)
        return fail(Cause::Refused);
    send("DATA\r\n", State::Data);
}

void SmtpSession::onData(const Reply& reply)
{
    if (reply.code != 354)
        return fail(Cause::Refused);
    sendMessage();
}

void SmtpSession::onDataEnd(const Reply& reply)
{
    if (reply.code != 250)
        return fail(Cause::Refused);
    Q_EMIT progressed(Step::Disconnected);
    qCDebug(lcSmtp) << "C: QUIT";
    if (!m_connector->write("QUIT\r\n"))
        return succeed(); // delivered all the same
    setState(State::Quit);
}

void SmtpSession::onQuit(const Reply&)
{
    succeed(); // whatever it says, the message was taken
}

void SmtpSession::afterEhlo(const Reply& reply)
{
    if (!m_encrypted) {
        // Plain chosen by hand: the exchange of old, whatever is announced.
        const bool automatic = m_connection.mode == Mode::Automatic;
        const bool offered = announces(reply, "STARTTLS");
        const bool wanted = m_used.mode == Mode::StartTls ||
                            (automatic && (offered || m_connector->tlsRequired()));
        if (!wanted && automatic) {
            // The only way left is without encryption, which someone on the
            // path may have arranged: the user says whether the answers go.
            qCDebug(lcSmtp) << "no encryption on the way found: the user is asked";
            setState(State::ClearText);
            Q_EMIT clearTextNeedsConsent();
            return;
        }
        if (!wanted)
            return sendMailFrom();
        if (!offered)
            return fail(m_connector->tlsRequired() ? Cause::Downgrade : Cause::TlsNotOffered);
        send("STARTTLS\r\n", State::StartTls);
        return;
    }
    // Over TLS: a submission server gets the password at once when it offers
    // AUTH; a relay on the plain port only when it asks for it (530).
    m_mechanism = sasl::choose(authLine(reply));
    if (m_mechanism.isEmpty() || m_used.mode == Mode::Plain)
        return sendMailFrom();
    askPassword(false);
}

void SmtpSession::askPassword(bool refused)
{
    m_password.clear();
    setState(State::Password);
    qCDebug(lcSmtp) << "password asked" << (refused ? "again" : "");
    const QString user = m_connection.user.isEmpty() ? m_settings.adresse : m_connection.user;
    Q_EMIT passwordNeeded(user, refused);
}

void SmtpSession::authenticate()
{
    const QString user = m_connection.user.isEmpty() ? m_settings.adresse : m_connection.user;
    if (m_mechanism == "PLAIN") {
        sendSecret("AUTH PLAIN " + sasl::plain(user, m_password) + "\r\n",
                   "AUTH PLAIN <user and password>", State::AuthPlain);
        return;
    }
    // LOGIN: the user name with the command, the password when asked for.
    send("AUTH LOGIN " + sasl::loginUser(user) + "\r\n", State::AuthLoginUser);
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
    send(line + "\r\n", State::MailFrom);
}

void SmtpSession::sendMessage()
{
    mailtext::Letter letter;
    letter.from = mailcheck::envelope(m_settings.adresse);
    letter.to = mailcheck::envelope(m_settings.destinataire);
    letter.subject = m_subject;
    letter.text = m_text;
    letter.date = QDateTime::currentDateTime();
    letter.messageId = mailtext::messageId(letter.from, letter.date);
    const QByteArray data = mailtext::data(letter);
    // The answers are the user's own: only their size goes into the trace.
    qCDebug(lcSmtp) << "C: <message of" << data.size() << "bytes, ending with \".\">";
    if (!m_connector->write(data))
        return fail(Cause::SendFailed);
    Q_EMIT progressed(Step::Disconnecting);
    setState(State::DataEnd);
}

// A line that carries the password: the trace shows only what it is.
bool SmtpSession::sendSecret(const QByteArray& line, const char* shown, State next)
{
    qCDebug(lcSmtp).noquote() << "C:" << shown;
    if (!m_connector->write(line)) {
        fail(Cause::SendFailed);
        return false;
    }
    setState(next);
    return true;
}

bool SmtpSession::send(const QByteArray& line, State next)
{
    // A command that carries a secret must not come through here unmasked.
    qCDebug(lcSmtp).noquote() << "C:" << QString::fromUtf8(line.chopped(2));
    if (!m_connector->write(line)) {
        fail(Cause::SendFailed);
        return false;
    }
    setState(next);
    return true;
}

QByteArray SmtpSession::clientName() const
{
    // A desktop's host name is seldom one the server can look up; RFC 5321
    // asks such a client for the literal of its address instead.
    QHostAddress local = m_connector->localAddress();
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
    f.stage = m_connector->stage();
    f.cause = cause;
    f.reply = m_lastReply;
    f.socketError = error;
    f.mode = m_used.mode;
    f.port = m_used.port;
    qCDebug(lcSmtp) << "failed in state" << nameOf(f.state) << "cause" << cause
                    << "last reply code" << f.reply.code;
    stop();
    Q_EMIT failed(f);
}
