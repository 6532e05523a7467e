#pragma once

#include "smtp/mode.h"
#include "smtp/smtpreply.h"

#include <QObject>
#include <QString>

#include <deque>
#include <memory>

class QDnsLookup;
class SmtpConnector;

// Finds the mail submission server of an e-mail address's domain, as mail
// programs do: the DNS SRV records _submissions._tcp (implicit TLS), then
// _submission._tcp (STARTTLS) of the domain (RFC 6186, RFC 8314), then the
// names smtp.<domain> and mail.<domain> on ports 465 and 587.  Each
// candidate is tried in turn: it must greet as a mail server over TLS with a
// certificate valid for its own name (never one a user would have to trust)
// before it is proposed.  Nothing is sent but EHLO, STARTTLS and QUIT; no
// password goes anywhere.
class ServerFinder : public QObject
{
    Q_OBJECT
public:
    struct Found {
        QString host;
        quint16 port = 0;
        smtp::Mode mode = smtp::Mode::ImplicitTls;
        bool inDomain = true; // false: a server of another domain, to be confirmed
        QString how;          // where it was found: "_submissions._tcp", "smtp.<domain>"…
    };

    explicit ServerFinder(QObject* parent = nullptr);
    ~ServerFinder() override;

    // The domain of an address, in its ASCII form; empty when it has none.
    static QString domainOf(const QString& address);
    // Whether a host is the domain or one of its names.
    static bool inDomain(const QString& host, const QString& domain);

    // Starts looking; found() or nothingFound() follows.  A search under way
    // is dropped.
    void find(const QString& address);
    void abort();
    bool isRunning() const { return m_running; }

    // Milliseconds each candidate has to answer, handshake included.
    void setTimeout(int ms) { m_timeout = ms; }

Q_SIGNALS:
    void found(const ServerFinder::Found& server);
    void nothingFound(const QString& domain);

private:
    enum class Step { Greeting, Ehlo, StartTls, Upgraded };

    void lookUp(const QString& service);
    void looked();
    void tryNext();
    // The candidate answered otherwise than a mail server over TLS: the next one.
    void skip();
    void onReceived(const QByteArray& bytes);
    void onUpgraded();
    void passed();
    void give();

    QString m_domain;
    std::deque<Found> m_candidates;
    std::unique_ptr<QDnsLookup> m_lookup;
    std::unique_ptr<SmtpConnector> m_connector;
    SmtpReplyReader m_replies;
    Found m_trying;
    Step m_step = Step::Greeting;
    bool m_running = false;
    int m_timeout = 8000;
};

Q_DECLARE_METATYPE(ServerFinder::Found)
