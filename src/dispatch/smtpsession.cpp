#include "dispatch/smtpsession.h"

#include "dispatch/mailtext.h"
#include "dispatch/sasl.h"
#include "dispatch/tlsconfig.h"

#include <QDateTime>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QSslCipher>
#include <QSslSocket>
#include <QTimer>
#include <algorithm>

// Silent unless asked for: QT_LOGGING_RULES="questionnaire.smtp.debug=true".
Q_LOGGING_CATEGORY(lcSmtp, "questionnaire.smtp", QtInfoMsg)

namespace
{

const char* const StateNames[] = {"idle",
                                  "connecting",
                                  "greeting",
                                  "EHLO",
                                  "HELO",
                                  "probing",
                                  "handshake",
                                  "STARTTLS",
                                  "TLS handshake",
                                  "password",
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

using Mode = ConnectionProfile::Mode;

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

SmtpSession::SmtpSession(quint16 port, QObject* parent)
    : QObject(parent), m_probe(new ServerProbe(this)), m_timer(new QTimer(this))
{
    qRegisterMetaType<SmtpSession::Failure>();
    m_connection.port = m_connection.plainPort = port;
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &SmtpSession::onTimeout);
    connect(m_probe, &ServerProbe::finished, this, &SmtpSession::onProbed);
    adopt(new QSslSocket(this));
}

// The socket of the exchange: the session's own, or the one the probe
// connected.  A QSslSocket speaks plain TCP until told to encrypt.
void SmtpSession::adopt(QSslSocket* socket)
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
    }
    m_socket = socket;
    m_socket->setParent(this);
    m_socket->setObjectName(QStringLiteral("Winsock1"));
    m_socket->setSslConfiguration(tlsconfig::configuration());
    connect(m_socket, &QSslSocket::connected, this, &SmtpSession::onConnected);
    connect(m_socket, &QSslSocket::encrypted, this, &SmtpSession::onEncrypted);
    connect(m_socket, &QSslSocket::sslErrors, this, &SmtpSession::onSslErrors);
    connect(m_socket, &QSslSocket::readyRead, this, &SmtpSession::onReadyRead);
    connect(m_socket, &QSslSocket::disconnected, this, &SmtpSession::onDisconnected);
    connect(m_socket, &QSslSocket::errorOccurred, this, &SmtpSession::onSocketError);
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
    m_encrypted = false;
    m_authenticated = false;
    m_refusals = 0;
    m_probed = false;
    m_implicitFailed = false;
    m_mechanism.clear();
    m_rejected = QSslCertificate();
    m_sslErrors.clear();
    m_usedMode = m_connection.mode;
    m_usedPort = 0;
    Q_EMIT progressed(Step::Connecting);

    const Mode mode = m_connection.mode;
    if (mode == Mode::Automatic) {
        probe();
    } else if (mode == Mode::Plain && m_connection.reachedWithTls && !m_connection.automatic) {
        // Never downgraded: the run fails before any connection.
        m_usedMode = mode;
        m_usedPort = m_connection.port;
        await(State::Connecting);
        QTimer::singleShot(0, this, [this] {
            if (m_state == State::Connecting)
                fail(Cause::Downgrade);
        });
    } else {
        connectDirect(mode, m_connection.port);
    }
    return verdict;
}

void SmtpSession::connectDirect(Mode mode, quint16 port)
{
    m_usedMode = mode;
    m_usedPort = port;
    await(State::Connecting);
    qCDebug(lcSmtp) << "connecting to" << m_host << "port" << port
                    << (mode == Mode::ImplicitTls ? "with TLS" : "");
    if (mode == Mode::ImplicitTls)
        m_socket->connectToHostEncrypted(m_host, port);
    else
        m_socket->connectToHost(m_host, port);
}

void SmtpSession::probe()
{
    // Most secure first, every port at once.
    QList<ServerProbe::Candidate> candidates;
    const struct {
        Mode mode;
        quint16 port;
    } order[] = {{Mode::ImplicitTls, m_connection.implicitPort},
                 {Mode::StartTls, m_connection.startTlsPort},
                 {Mode::Plain, m_connection.plainPort}};
    for (const auto& o : order) {
        if (o.mode == Mode::ImplicitTls && m_implicitFailed)
            continue;
        ServerProbe::Candidate c;
        c.tag = int(o.mode);
        c.port = o.port;
        candidates << c;
    }
    m_state = State::Probing;
    m_timer->stop();
    m_socket->abort();
    m_reader.clear();
    qCDebug(lcSmtp) << "probing" << m_host << "ports" << m_connection.implicitPort
                    << m_connection.startTlsPort << m_connection.plainPort;
    m_probe->start(m_host, candidates, m_timeouts.probe);
}

bool SmtpSession::rediscover()
{
    // What automatic mode found before no longer answers: find again.
    if (m_state != State::Connecting || !m_connection.automatic ||
        m_connection.mode == Mode::Automatic)
        return false;
    qCDebug(lcSmtp) << "port" << m_usedPort << "no longer answers";
    m_connection.mode = Mode::Automatic;
    probe();
    return true;
}

void SmtpSession::onProbed()
{
    if (m_state != State::Probing)
        return;
    const int chosen = m_probe->chosen();
    if (chosen < 0) {
        // An unknown name is no port that does not answer.
        bool unknown = true;
        for (const ServerProbe::Candidate& c : m_probe->candidates())
            unknown = unknown && c.outcome == ServerProbe::Outcome::HostNotFound;
        return fail(unknown ? Cause::HostNotFound : Cause::Unreachable,
                    unknown ? QAbstractSocket::HostNotFoundError
                            : QAbstractSocket::UnknownSocketError);
    }
    const ServerProbe::Candidate c = m_probe->candidates()[chosen];
    m_usedMode = Mode(c.tag);
    m_usedPort = c.port;
    qCDebug(lcSmtp) << "reached port" << c.port;
    adopt(m_probe->takeSocket());
    m_probed = true;
    m_state = State::Connecting;
    onConnected();
    // The greeting may have come before the socket was handed over.
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
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
    m_probe->abort();
    m_socket->abort();
    m_reader.clear();
    m_password.clear();
}

int SmtpSession::timeoutOf(State state) const
{
    switch (state) {
    case State::Connecting:
        // What automatic mode found before is given no longer than the probe
        // was: a port blocked since then is soon looked for again.
        return m_connection.automatic ? std::min(m_timeouts.connect, m_timeouts.probe)
                                      : m_timeouts.connect;
    case State::DataEnd:
        return m_timeouts.dataEnd;
    case State::Quit:
        return m_timeouts.quit;
    case State::Probing:
        return m_timeouts.connect; // the probe keeps its own budget
    case State::Idle:
    case State::Greeting:
    case State::Ehlo:
    case State::Helo:
    case State::Handshake:
    case State::StartTls:
    case State::StartTlsHandshake:
    case State::Password:
    case State::AuthPlain:
    case State::AuthLoginUser:
    case State::AuthLoginPassword:
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
    if (m_usedMode == Mode::ImplicitTls && !m_socket->isEncrypted()) {
        // A probed socket is plain TCP so far.
        if (m_socket->mode() == QSslSocket::UnencryptedMode)
            m_socket->startClientEncryption();
        await(State::Handshake);
        return;
    }
    await(State::Greeting);
}

void SmtpSession::onEncrypted()
{
    qCDebug(lcSmtp) << "TLS established," << m_socket->sessionCipher().name();
    if (m_state == State::Handshake) {
        m_encrypted = true;
        await(State::Greeting);
        return;
    }
    if (m_state != State::StartTlsHandshake)
        return;
    m_encrypted = true;
    // What the server said before TLS is forgotten, its extensions included.
    m_reader.clear();
    m_smtpUtf8 = false;
    if (send("EHLO " + clientName() + "\r\n"))
        await(State::Ehlo);
}

void SmtpSession::onSslErrors(const QList<QSslError>& errors)
{
    const QSslCertificate peer = m_socket->peerCertificate();
    // A certificate passes unverified only when the user trusted this very
    // one for this server.
    if (!peer.isNull() && m_connection.trusted.contains(tlsconfig::fingerprint(peer))) {
        qCDebug(lcSmtp) << "certificate trusted by the user";
        m_socket->ignoreSslErrors(errors);
        return;
    }
    for (const QSslError& e : errors)
        qCDebug(lcSmtp) << "certificate:" << e.errorString();
    m_rejected = peer;
    m_sslErrors = errors;
}

void SmtpSession::onReadyRead()
{
    if (m_state == State::Idle || m_state == State::Probing)
        return;
    m_reader.append(m_socket->readAll());
    takeReplies();
}

void SmtpSession::onDisconnected()
{
    if (m_state == State::Idle || m_state == State::Probing)
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
    if (m_state == State::Idle || m_state == State::Probing)
        return;
    qCDebug(lcSmtp) << "socket error" << error << m_socket->errorString();
    if (error == QAbstractSocket::RemoteHostClosedError)
        return onDisconnected();
    if (rediscover())
        return;
    if (!m_rejected.isNull() || !m_sslErrors.isEmpty())
        return fail(Cause::Certificate, error);
    if (m_state == State::Handshake || m_state == State::StartTlsHandshake ||
        error == QAbstractSocket::SslHandshakeFailedError ||
        error == QAbstractSocket::SslInternalError ||
        error == QAbstractSocket::SslInvalidUserDataError)
        return fail(Cause::Tls, error);
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
    if (rediscover())
        return;
    if (m_state == State::Quit)
        succeed();
    else if (m_state != State::Idle)
        fail(Cause::TimedOut);
}

void SmtpSession::takeReplies()
{
    SmtpReplyReader::Reply reply;
    while (m_state != State::Idle && m_state != State::Connecting && m_state != State::Probing &&
           m_state != State::Handshake && m_state != State::StartTlsHandshake &&
           m_reader.next(&reply)) {
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
        return afterEhlo(reply);
    case State::Helo:
        if (code != 250)
            return fail(Cause::Refused);
        return afterEhlo(SmtpReplyReader::Reply());
    case State::StartTls:
        if (code != 220)
            return fail(Cause::Refused);
        // Nothing may follow the 220 before TLS (it would have been taken as
        // out of turn above): the handshake starts on a clean line.
        await(State::StartTlsHandshake);
        m_socket->startClientEncryption();
        return;
    case State::AuthPlain:
    case State::AuthLoginPassword:
        if (code == 235) {
            qCDebug(lcSmtp) << "password accepted";
            m_password.clear();
            m_authenticated = true;
            Q_EMIT passwordAccepted();
            return sendMailFrom();
        }
        if (code == 535 && ++m_refusals < 2)
            return askPassword(true);
        return fail(code == 535 ? Cause::PasswordRefused : Cause::Refused);
    case State::AuthLoginUser:
        if (code != 334)
            return fail(Cause::Refused);
        if (sendSecret(sasl::loginPassword(m_password) + "\r\n", "<password>"))
            await(State::AuthLoginPassword);
        return;
    case State::MailFrom:
        // A relay reached on the plain port with STARTTLS asks for the
        // password only now.
        if (code == 530 && m_encrypted && !m_mechanism.isEmpty() && !m_authenticated)
            return askPassword(false);
        if (code == 530 && !m_encrypted)
            return fail(Cause::NeedsTls);
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
    case State::Probing:
    case State::Handshake:
    case State::StartTlsHandshake:
    case State::Password:
    case State::Quit:
        return;
    }
}

void SmtpSession::afterEhlo(const SmtpReplyReader::Reply& reply)
{
    if (!m_encrypted) {
        // Plain chosen by hand: the exchange of old, whatever is announced.
        const bool automatic = m_connection.automatic || m_connection.mode == Mode::Automatic;
        const bool startTls = announces(reply, "STARTTLS");
        const bool wanted = m_usedMode == Mode::StartTls ||
                            (automatic && (startTls || m_connection.reachedWithTls));
        if (!wanted)
            return sendMailFrom();
        if (!startTls)
            return fail(m_connection.reachedWithTls ? Cause::Downgrade : Cause::TlsNotOffered);
        if (send("STARTTLS\r\n"))
            await(State::StartTls);
        return;
    }
    // Over TLS: a submission server gets the password at once when it offers
    // AUTH; a relay on the plain port only when it asks for it (530).
    m_mechanism = sasl::choose(authLine(reply));
    if (m_mechanism.isEmpty() || m_usedMode == Mode::Plain)
        return sendMailFrom();
    askPassword(false);
}

void SmtpSession::askPassword(bool refused)
{
    m_password.clear();
    m_state = State::Password;
    m_timer->stop(); // the user takes the time needed
    qCDebug(lcSmtp) << "password asked" << (refused ? "again" : "");
    const QString user = m_connection.user.isEmpty() ? m_settings.adresse : m_connection.user;
    Q_EMIT passwordNeeded(user, refused);
}

void SmtpSession::authenticate()
{
    const QString user = m_connection.user.isEmpty() ? m_settings.adresse : m_connection.user;
    if (m_mechanism == "PLAIN") {
        if (sendSecret("AUTH PLAIN " + sasl::plain(user, m_password) + "\r\n",
                       "AUTH PLAIN <user and password>"))
            await(State::AuthPlain);
        return;
    }
    // LOGIN: the user name with the command, the password when asked for.
    if (send("AUTH LOGIN " + sasl::loginUser(user) + "\r\n"))
        await(State::AuthLoginUser);
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

// A line that carries the password: the trace shows only what it is.
bool SmtpSession::sendSecret(const QByteArray& line, const char* shown)
{
    qCDebug(lcSmtp).noquote() << "C:" << shown;
    if (m_socket->write(line) == line.size())
        return true;
    fail(Cause::SendFailed);
    return false;
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

// Automatic mode: a port 465 that takes the connection but not TLS (some
// other service, a filter) is passed by for the next port that answers.  A
// certificate that fails is not: the user is asked about it.
bool SmtpSession::passImplicitBy(Cause cause)
{
    if (!m_probed || m_implicitFailed || m_usedMode != Mode::ImplicitTls ||
        m_state != State::Handshake || cause == Cause::Certificate)
        return false;
    qCDebug(lcSmtp) << "no TLS on port" << m_usedPort << ", trying the other ports";
    m_implicitFailed = true;
    probe();
    return true;
}

void SmtpSession::fail(Cause cause, QAbstractSocket::SocketError error)
{
    if (passImplicitBy(cause))
        return;
    Failure f;
    f.state = m_state;
    f.cause = cause;
    f.reply = m_lastReply;
    f.socketError = error;
    f.mode = m_usedMode;
    f.port = m_usedPort;
    f.certificate = m_rejected;
    f.sslErrors = m_sslErrors;
    if (f.cause == Cause::Tls)
        f.tlsError = m_socket->errorString();
    if (f.cause == Cause::Unreachable)
        f.probed = m_probe->candidates();
    qCDebug(lcSmtp) << "failed in state" << nameOf(f.state) << "cause" << int(cause)
                    << "last reply code" << f.reply.code;
    stop();
    Q_EMIT failed(f);
}
