#include "smtp/serverfinder.h"

#include "smtp/smtpconnector.h"

#include <QDnsLookup>
#include <QLoggingCategory>
#include <QUrl>

Q_LOGGING_CATEGORY(lcFinder, "questionnaire.smtp.finder", QtWarningMsg)

namespace
{

const QString Submissions = QStringLiteral("_submissions._tcp");
const QString Submission = QStringLiteral("_submission._tcp");

QString normalised(QString host)
{
    host = host.trimmed().toLower();
    while (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    return host;
}

} // namespace

ServerFinder::ServerFinder(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<ServerFinder::Found>();
}

ServerFinder::~ServerFinder() = default;

QString ServerFinder::domainOf(const QString& address)
{
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    if (at < 0)
        return QString();
    const QString domain = normalised(address.mid(at + 1));
    if (domain.isEmpty() || domain.startsWith(QLatin1Char('[')))
        return QString(); // an address literal names no domain
    return QString::fromLatin1(QUrl::toAce(domain));
}

bool ServerFinder::inDomain(const QString& host, const QString& domain)
{
    const QString h = normalised(host);
    const QString d = normalised(domain);
    return !d.isEmpty() && (h == d || h.endsWith(QLatin1Char('.') + d));
}

void ServerFinder::find(const QString& address)
{
    abort();
    m_domain = domainOf(address);
    m_running = true;
    if (m_domain.isEmpty()) {
        give();
        return;
    }
    lookUp(Submissions);
}

void ServerFinder::abort()
{
    m_running = false;
    m_candidates.clear();
    if (m_lookup) {
        m_lookup->disconnect(this);
        m_lookup->abort();
        m_lookup.release()->deleteLater();
    }
    if (m_connector) {
        m_connector->disconnect(this);
        m_connector->close();
        m_connector.release()->deleteLater();
    }
}

void ServerFinder::lookUp(const QString& service)
{
    m_lookup = std::make_unique<QDnsLookup>(QDnsLookup::SRV, service + QLatin1Char('.') + m_domain);
    connect(m_lookup.get(), &QDnsLookup::finished, this, &ServerFinder::looked);
    m_lookup->lookup();
}

void ServerFinder::looked()
{
    const bool secure = m_lookup->name().startsWith(Submissions);
    if (m_lookup->error() == QDnsLookup::NoError) {
        const QList<QDnsServiceRecord> records = m_lookup->serviceRecords();
        for (const QDnsServiceRecord& r : records) {
            // "." says the service is not offered at this domain.
            if (normalised(r.target()).isEmpty())
                break;
            const QString host = normalised(r.target());
            m_candidates.push_back({host, r.port(), secure ? smtp::Mode::ImplicitTls : smtp::Mode::StartTls,
                                    inDomain(host, m_domain), secure ? Submissions : Submission});
        }
    }
    qCDebug(lcFinder) << m_lookup->name() << m_lookup->errorString() << m_candidates.size();
    m_lookup.release()->deleteLater();
    if (secure) {
        lookUp(Submission);
        return;
    }
    // Then the names mail providers use most, each on both ports.
    for (const char* prefix : {"smtp.", "mail."}) {
        const QString host = QLatin1String(prefix) + m_domain;
        m_candidates.push_back({host, 465, smtp::Mode::ImplicitTls, true, host});
        m_candidates.push_back({host, 587, smtp::Mode::StartTls, true, host});
    }
    tryNext();
}

void ServerFinder::tryNext()
{
    if (m_connector) {
        m_connector->disconnect(this);
        m_connector->close();
        m_connector.release()->deleteLater();
    }
    if (m_candidates.empty()) {
        give();
        return;
    }
    m_trying = m_candidates.front();
    m_candidates.pop_front();
    m_replies.clear();
    m_step = Step::Greeting;
    m_connector = std::make_unique<SmtpConnector>();
    SmtpConnector::Timeouts t;
    t.connect = t.handshake = t.probe = m_timeout;
    m_connector->setTimeouts(t);
    connect(m_connector.get(), &SmtpConnector::received, this, &ServerFinder::onReceived);
    connect(m_connector.get(), &SmtpConnector::upgraded, this, &ServerFinder::onUpgraded);
    // Any failure, a certificate that is not valid for the name included: the next one.
    connect(m_connector.get(), &SmtpConnector::failed, this, [this] { tryNext(); }, Qt::QueuedConnection);
    connect(m_connector.get(), &SmtpConnector::closed, this, [this] { tryNext(); }, Qt::QueuedConnection);
    SmtpConnector::Request r;
    r.host = m_trying.host;
    r.mode = m_trying.mode;
    r.port = m_trying.port;
    r.trusts = [](const QSslCertificate&) { return false; };
    qCDebug(lcFinder) << "trying" << r.host << r.port;
    m_connector->open(r);
}

void ServerFinder::skip()
{
    // Not from inside the connector's own signal.
    QMetaObject::invokeMethod(this, &ServerFinder::tryNext, Qt::QueuedConnection);
}

void ServerFinder::onReceived(const QByteArray& bytes)
{
    m_replies.append(bytes);
    SmtpReplyReader::Reply reply;
    while (m_connector && m_replies.next(&reply)) {
        switch (m_step) {
        case Step::Greeting:
            if (reply.code != 220)
                return skip();
            if (m_trying.mode == smtp::Mode::ImplicitTls)
                return passed();
            m_step = Step::Ehlo;
            m_connector->write("EHLO questionnaire.invalid\r\n");
            break;
        case Step::Ehlo: {
            bool offered = false;
            for (const QByteArray& line : reply.lines)
                offered = offered || line.mid(4).trimmed().toUpper() == "STARTTLS";
            if (reply.code != 250 || !offered)
                return skip();
            m_step = Step::StartTls;
            m_connector->write("STARTTLS\r\n");
            break;
        }
        case Step::StartTls:
            if (reply.code != 220)
                return skip();
            m_step = Step::Upgraded;
            m_connector->startTls();
            return;
        case Step::Upgraded:
            return;
        }
    }
}

void ServerFinder::onUpgraded()
{
    passed();
}

void ServerFinder::passed()
{
    // Polite to the server that answered; what it says next does not matter.
    m_connector->write("QUIT\r\n");
    m_connector->disconnect(this);
    m_connector->close();
    m_connector.release()->deleteLater();
    m_candidates.clear();
    m_running = false;
    const Found f = m_trying;
    Q_EMIT found(f);
}

void ServerFinder::give()
{
    m_running = false;
    Q_EMIT nothingFound(m_domain);
}
