#pragma once

#include "dispatch/testpki.h"
#include "support/process.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

// Debian's aiosmtpd as a real submission server on 127.0.0.1
// (tls_server.py): STARTTLS required, implicit TLS or none, AUTH required
// when given a user and password.  Stopped when the object goes.
class TlsSink
{
public:
    enum Mode { Plain, StartTls, Implicit };

    ~TlsSink() { stop(); }

    // mechanisms: "PLAIN,LOGIN", "LOGIN"...; user empty: no AUTH.
    bool start(Mode mode, const TestPki& pki, TestPki::Server cert = TestPki::Valid,
               const QString& user = QString(), const QString& password = QString(),
               const QString& mechanisms = QStringLiteral("PLAIN,LOGIN"))
    {
        static const char* const modes[] = {"plain", "starttls", "implicit"};
        QStringList args = {QStringLiteral(TESTS_SOURCE_DIR "/dispatch/tls_server.py"),
                            m_dir.path(), QLatin1String(modes[mode]), pki.certFile(cert),
                            pki.keyFile(cert)};
        if (!user.isEmpty())
            args << user << password << mechanisms;
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"), args);
        if (!m_process.waitForStarted(5000))
            return false;
        QByteArray line;
        while (!line.endsWith('\n') && m_process.waitForReadyRead(10000))
            line += m_process.readLine();
        if (!line.startsWith("PORT "))
            return false;
        m_port = line.mid(5).trimmed().toUShort();
        return m_port != 0;
    }

    void stop() { testing::stopProcess(m_process); }

    quint16 port() const { return m_port; }
    QString directory() const { return m_dir.path(); }

    int delivered() const
    {
        return int(QDir(m_dir.path()).entryList({QStringLiteral("*.json")}).size());
    }

    QJsonObject message(int n) const
    {
        return QJsonDocument::fromJson(read(QString::number(n) + QStringLiteral(".json"))).object();
    }
    QByteArray raw(int n) const { return read(QString::number(n) + QStringLiteral(".eml")); }
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
    QByteArray read(const QString& file) const
    {
        QFile f(m_dir.filePath(file));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
