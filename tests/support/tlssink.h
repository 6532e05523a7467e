#pragma once

#include "support/smtpsink.h"
#include "support/testpki.h"

#include <QList>

// Debian's aiosmtpd as a real submission server on 127.0.0.1
// (peers/tls_server.py): STARTTLS required, implicit TLS or none, AUTH
// required when given a user and password.  Stopped when the object goes.
class TlsSink : public DeliveredMail
{
public:
    enum Mode { Plain, StartTls, Implicit };

    // mechanisms: "PLAIN,LOGIN", "LOGIN"...; user empty: no AUTH.
    bool start(Mode mode, const TestPki& pki, TestPki::Server cert = TestPki::Valid,
               const QString& user = QString(), const QString& password = QString(),
               const QString& mechanisms = QStringLiteral("PLAIN,LOGIN"))
    {
        static const char* const modes[] = {"plain", "starttls", "implicit"};
        QStringList args = {m_dir.path(), QLatin1String(modes[mode]), pki.certFile(cert),
                            pki.keyFile(cert)};
        if (!user.isEmpty())
            args << user << password << mechanisms;
        return m_process.startPeer(QStringLiteral("tls_server.py"), args);
    }

    void stop() { m_process.stop(); }
    quint16 port() const { return m_process.port(); }

    // Whether message n came over TLS.
    bool overTls(int n) const { return read(QString::number(n) + QStringLiteral(".tls")) == "yes"; }
    // One line an AUTH attempt: "PLAIN ok", "LOGIN refused"...
    QList<QByteArray> authAttempts() const
    {
        QList<QByteArray> lines = read(QStringLiteral("auth.txt")).split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }

private:
    testing::PortProcess m_process;
};
