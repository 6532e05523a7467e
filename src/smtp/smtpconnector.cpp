#include "smtp/smtpconnector.h"

#include "smtp/tlsconfig.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QSslCipher>
#include <QSslSocket>
#include <QTimer>

#include <algorithm>
#include <iterator>
#include <utility>

Q_DECLARE_LOGGING_CATEGORY(lcSmtp)

using smtp::Mode;
using smtp::Way;

// One socket on its way to the server.  What it read before it was chosen
// stays with it, and so does a close seen meanwhile: the dialogue gets both.
struct SmtpConnector::Candidate {
    Way way;
    QSslSocket* socket = nullptr;
    Outcome outcome = Outcome::Pending;
    QString error;
    QByteArray received;
    bool ready = false; // connected, with TLS where due, greeted where that is awaited
    bool closed = false;
    QSslCertificate rejected;
    QList<QSslError> sslErrors;
};

namespace
{

const char* const StageNames[] = {"idle", "connecting", "probing", "TLS handshake", "open"};
static_assert(std::size(StageNames) == int(SmtpConnector::Stage::Open) + 1,
              "one name for each stage");

} // namespace

SmtpConnector::SmtpConnector(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    qRegisterMetaType<SmtpConnector::Failure>();
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &SmtpConnector::onTimeout);
}

SmtpConnector::~SmtpConnector()
{
    drop();
}

void SmtpConnector::setStage(Stage stage)
{
    if (stage != m_stage)
        qCDebug(lcSmtp) << "connection:" << StageNames[int(m_stage)] << "->"
                        << StageNames[int(stage)];
    m_stage = stage;
}

void SmtpConnector::open(const Request& request)
{
    drop();
    m_request = request;
    m_way = Way();
    if (request.mode == Mode::Automatic) {
        // A remembered way with TLS is tried alone first; plain is never final.
        if (request.remembered.known() && request.remembered.mode != Mode::Plain)
            return connectDirect(request.remembered, true);
        return probe();
    }
    if (request.mode == Mode::Plain && request.reachedWithTls) {
        // Never downgraded: the run fails before any connection, once the
        // caller is back in its event loop.
        m_way = {request.mode, request.port};
        setStage(Stage::Connecting);
        QTimer::singleShot(0, this, [this] {
            if (m_stage == Stage::Connecting && m_candidates.empty())
                fail(Cause::Downgrade);
        });
        return;
    }
    connectDirect({request.mode, request.port}, false);
}

SmtpConnector::Candidate* SmtpConnector::add(const Way& way)
{
    auto c = std::make_unique<Candidate>();
    c->way = way;
    c->socket = new QSslSocket(this);
    c->socket->setSslConfiguration(tlsconfig::configuration());
    Candidate* raw = c.get();
    QSslSocket* s = c->socket;
    connect(s, &QSslSocket::connected, this, [this, raw] { onConnected(raw); });
    connect(s, &QSslSocket::encrypted, this, [this, raw] { onEncrypted(raw); });
    connect(s, &QSslSocket::sslErrors, this,
            [this, raw](const QList<QSslError>& e) { onSslErrors(raw, e); });
    connect(s, &QSslSocket::readyRead, this, [this, raw] { onReadyRead(raw); });
    connect(s, &QSslSocket::disconnected, this, [this, raw] { onDisconnected(raw); });
    connect(s, &QSslSocket::errorOccurred, this,
            [this, raw](QAbstractSocket::SocketError e) { onError(raw, e); });
    m_candidates.push_back(std::move(c));
    return raw;
}

void SmtpConnector::connectDirect(const Way& way, bool probeAfter)
{
    m_probeAfter = probeAfter;
    m_way = way;
    setStage(Stage::Connecting);
    // A remembered way gets no longer than the probe would: a port blocked
    // since is soon looked for again.
    m_timer->start(probeAfter ? m_timeouts.probe : m_timeouts.connect);
    qCDebug(lcSmtp) << "connecting to" << m_request.host << "port" << way.port
                    << (way.mode == Mode::ImplicitTls ? "with TLS" : "");
    Candidate* c = add(way);
    c->socket->connectToHost(m_request.host, way.port);
}

void SmtpConnector::probe()
{
    drop();
    m_probeAfter = false;
    setStage(Stage::Probing);
    const Ports& p = m_request.ports;
    qCDebug(lcSmtp) << "probing" << m_request.host << "ports" << p.implicitTls << p.startTls
                    << p.plain;
    for (const Way& way : {Way{Mode::ImplicitTls, p.implicitTls}, Way{Mode::StartTls, p.startTls},
                           Way{Mode::Plain, p.plain}})
        add(way);
    m_timer->start(m_timeouts.probe);
    // Started once every socket is known: an error may come at once.
    for (size_t i = 0; i < m_candidates.size() && m_stage == Stage::Probing; ++i)
        m_candidates[i]->socket->connectToHost(m_request.host, m_candidates[i]->way.port);
}

// While a way is looked for, a port counts as answering once the server has
// spoken on it: its greeting, or its side of the TLS handshake.  A chosen
// way needs only the connection; the dialogue awaits the greeting itself.
void SmtpConnector::onConnected(Candidate* c)
{
    const bool looking = m_stage == Stage::Probing || m_probeAfter;
    if (c->way.mode == Mode::ImplicitTls) {
        c->socket->startClientEncryption();
        if (m_stage == Stage::Connecting && !m_probeAfter) {
            setStage(Stage::Handshake);
            m_timer->start(m_timeouts.handshake);
        }
        return;
    }
    if (!looking)
        settle(c, Outcome::Connected);
}

void SmtpConnector::onEncrypted(Candidate* c)
{
    qCDebug(lcSmtp) << "TLS established," << c->socket->sessionCipher().name();
    if (c == m_open) {
        // After STARTTLS.
        m_timer->stop();
        setStage(Stage::Open);
        Q_EMIT upgraded();
        return;
    }
    settle(c, Outcome::Connected);
}

void SmtpConnector::onSslErrors(Candidate* c, const QList<QSslError>& errors)
{
    const QSslCertificate peer = c->socket->peerCertificate();
    // A certificate passes unverified only when the user trusted this very
    // one for this server.
    if (!peer.isNull() && m_request.trusts && m_request.trusts(peer)) {
        qCDebug(lcSmtp) << "certificate trusted by the user";
        c->socket->ignoreSslErrors(errors);
        return;
    }
    for (const QSslError& e : errors)
        qCDebug(lcSmtp) << "certificate:" << e.errorString();
    c->rejected = peer;
    c->sslErrors = errors;
}

void SmtpConnector::onReadyRead(Candidate* c)
{
    const QByteArray bytes = c->socket->readAll();
    if (c == m_open) {
        Q_EMIT received(bytes);
        return;
    }
    c->received += bytes;
    if (c->way.mode != Mode::ImplicitTls || c->socket->isEncrypted())
        settle(c, Outcome::Connected);
}

void SmtpConnector::onDisconnected(Candidate* c)
{
    if (c == m_open) {
        // A server may answer and close at once: its last words come first.
        const QByteArray rest = c->socket->readAll();
        QPointer<SmtpConnector> alive(this);
        if (!rest.isEmpty())
            Q_EMIT received(rest);
        if (alive && c == m_open)
            Q_EMIT closed();
        return;
    }
    c->received += c->socket->readAll();
    c->closed = true;
    if (c->outcome == Outcome::Pending)
        settle(c, c->received.isEmpty() ? Outcome::Closed : Outcome::Connected);
}

void SmtpConnector::onError(Candidate* c, QAbstractSocket::SocketError error)
{
    if (error == QAbstractSocket::RemoteHostClosedError)
        return onDisconnected(c);
    qCDebug(lcSmtp) << "socket error on port" << c->way.port << error << c->socket->errorString();
    if (c == m_open) {
        if (m_stage == Stage::Handshake)
            return fail(c->rejected.isNull() && c->sslErrors.isEmpty() ? Cause::Tls
                                                                         : Cause::Certificate,
                        error, c);
        return fail(Cause::Network, error, c);
    }
    if (c->outcome != Outcome::Pending)
        return;
    c->error = c->socket->errorString();
    if (!c->rejected.isNull() || !c->sslErrors.isEmpty())
        return settle(c, Outcome::Connected); // the user is asked about it
    const bool tls = c->way.mode == Mode::ImplicitTls &&
                     c->socket->state() != QAbstractSocket::UnconnectedState;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return settle(c, Outcome::Refused);
    case QAbstractSocket::HostNotFoundError:
        return settle(c, Outcome::HostNotFound);
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return settle(c, Outcome::NotTls);
    default:
        return settle(c, tls ? Outcome::NotTls : Outcome::Failed);
    }
}

void SmtpConnector::onTimeout()
{
    switch (m_stage) {
    case Stage::Probing:
        for (auto& c : m_candidates)
            if (c->outcome == Outcome::Pending)
                c->outcome = Outcome::NoAnswer;
        return decide(true);
    case Stage::Connecting:
        if (m_probeAfter) {
            qCDebug(lcSmtp) << "port" << m_way.port << "no longer answers";
            return probe();
        }
        return fail(Cause::TimedOut, QAbstractSocket::SocketTimeoutError,
                    m_candidates.empty() ? nullptr : m_candidates.front().get());
    case Stage::Handshake:
        return fail(Cause::TimedOut, QAbstractSocket::SocketTimeoutError,
                    m_open ? m_open : m_candidates.empty() ? nullptr : m_candidates.front().get());
    case Stage::Idle:
    case Stage::Open:
        return;
    }
}

void SmtpConnector::settle(Candidate* c, Outcome outcome)
{
    if (c->outcome != Outcome::Pending || c == m_open)
        return;
    c->outcome = outcome;
    if (outcome == Outcome::Connected)
        c->ready = true;
    if (m_stage == Stage::Probing)
        return decide(false);
    // A chosen or remembered way: this one candidate decides.
    if (c->ready && c->rejected.isNull())
        return adopt(c);
    if (m_probeAfter && c->rejected.isNull()) {
        qCDebug(lcSmtp) << "port" << c->way.port << "no longer answers";
        return probe();
    }
    if (!c->rejected.isNull()) {
        setStage(Stage::Handshake); // where it failed, a remembered way's too
        return fail(Cause::Certificate, QAbstractSocket::SslHandshakeFailedError, c);
    }
    switch (outcome) {
    case Outcome::Refused:
        return fail(Cause::ConnectionRefused, QAbstractSocket::ConnectionRefusedError, c);
    case Outcome::HostNotFound:
        return fail(Cause::HostNotFound, QAbstractSocket::HostNotFoundError, c);
    case Outcome::NotTls:
        return fail(Cause::Tls, c->socket->error(), c);
    default:
        return fail(Cause::Network, c->socket->error(), c);
    }
}

void SmtpConnector::decide(bool budgetOver)
{
    // The first candidate still in the running decides: ready, it wins;
    // pending, it is waited for (until the budget is spent).
    for (auto& c : m_candidates) {
        if (c->ready) {
            if (!c->rejected.isNull() || !c->sslErrors.isEmpty()) {
                setStage(Stage::Handshake); // that port's handshake is where it failed
                return fail(Cause::Certificate, QAbstractSocket::SslHandshakeFailedError,
                            c.get());
            }
            qCDebug(lcSmtp) << "reached port" << c->way.port;
            return adopt(c.get());
        }
        if (c->outcome == Outcome::Pending && !budgetOver)
            return;
    }
    for (const auto& c : m_candidates)
        if (c->outcome == Outcome::Pending)
            return;
    // An unknown name is no port that does not answer.
    bool unknown = true;
    for (const auto& c : m_candidates)
        unknown = unknown && c->outcome == Outcome::HostNotFound;
    fail(unknown ? Cause::HostNotFound : Cause::Unreachable,
         unknown ? QAbstractSocket::HostNotFoundError : QAbstractSocket::UnknownSocketError);
}

// The chosen socket becomes the connection; the others go.  What it read and
// saw meanwhile reaches the dialogue now, in order.
void SmtpConnector::adopt(Candidate* c)
{
    m_timer->stop();
    m_way = c->way;
    m_open = c;
    for (auto& other : m_candidates) {
        if (other.get() == c)
            continue;
        other->socket->disconnect(this);
        other->socket->abort();
        other->socket->deleteLater();
    }
    auto keep = std::find_if(m_candidates.begin(), m_candidates.end(),
                             [c](const auto& p) { return p.get() == c; });
    std::unique_ptr<Candidate> chosen = std::move(*keep);
    m_candidates.clear();
    m_candidates.push_back(std::move(chosen));
    setStage(Stage::Open);

    QPointer<SmtpConnector> alive(this);
    const QByteArray early = std::exchange(c->received, QByteArray());
    Q_EMIT opened();
    if (alive && m_open == c && !early.isEmpty())
        Q_EMIT received(early);
    if (alive && m_open == c && c->closed)
        Q_EMIT closed();
}

void SmtpConnector::startTls()
{
    if (!m_open)
        return;
    setStage(Stage::Handshake);
    m_timer->start(m_timeouts.handshake);
    m_open->socket->startClientEncryption();
}

bool SmtpConnector::write(const QByteArray& bytes)
{
    return m_open && m_open->socket->write(bytes) == bytes.size();
}

bool SmtpConnector::isEncrypted() const
{
    return m_open && m_open->socket->isEncrypted();
}

QString SmtpConnector::sessionCipher() const
{
    return m_open ? m_open->socket->sessionCipher().name() : QString();
}

QHostAddress SmtpConnector::localAddress() const
{
    return m_open ? m_open->socket->localAddress() : QHostAddress();
}

QString SmtpConnector::errorString() const
{
    return m_open ? m_open->socket->errorString() : QString();
}

QAbstractSocket::SocketState SmtpConnector::socketState() const
{
    QAbstractSocket::SocketState state = QAbstractSocket::UnconnectedState;
    for (const auto& c : m_candidates)
        if (c->socket->state() != QAbstractSocket::UnconnectedState)
            state = c->socket->state();
    return state;
}

void SmtpConnector::fail(Cause cause, QAbstractSocket::SocketError error, Candidate* c)
{
    Failure f;
    f.stage = m_stage;
    f.cause = cause;
    f.socketError = error;
    f.way = c ? c->way : m_way;
    if (c) {
        f.certificate = c->rejected;
        f.sslErrors = c->sslErrors;
        if (cause == Cause::Tls)
            f.tlsError = c->socket->errorString();
    }
    if (m_stage == Stage::Probing)
        for (const auto& candidate : m_candidates)
            f.attempts << Attempt{candidate->way, candidate->outcome, candidate->error};
    qCDebug(lcSmtp) << "connection failed while" << StageNames[int(m_stage)] << "cause" << cause;
    drop();
    Q_EMIT failed(f);
}

void SmtpConnector::close()
{
    drop();
}

// Every socket goes, each torn down on its own: a new attempt never meets one.
void SmtpConnector::drop()
{
    m_timer->stop();
    m_open = nullptr;
    for (auto& c : m_candidates) {
        c->socket->disconnect(this);
        c->socket->abort();
        c->socket->deleteLater();
    }
    m_candidates.clear();
    m_stage = Stage::Idle;
}
