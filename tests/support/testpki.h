#pragma once

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>

// A certificate authority and three server certificates made with Debian's
// openssl for the tests: one valid for localhost, one for another name, one
// that expired.  The authority goes to the program's TLS settings as an
// extra authority, never to the system's store.
class TestPki
{
public:
    enum Server { Valid, WrongName, Expired };

    bool make()
    {
        if (!m_dir.isValid())
            return false;
        write(QStringLiteral("ca.cnf"), "[ca]\ndefault_ca=own\n[own]\ndir=.\ndatabase=index.txt\n"
                                        "new_certs_dir=.\nserial=serial\ndefault_md=sha256\n"
                                        "policy=any\nunique_subject=no\n[any]\n"
                                        "commonName=supplied\n");
        write(QStringLiteral("index.txt"), "");
        write(QStringLiteral("serial"), "1000\n");
        if (!openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                      "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "30", "-subj",
                      "/CN=Autorite de test", "-addext", "basicConstraints=critical,CA:TRUE",
                      "-addext", "keyUsage=critical,keyCertSign,cRLSign"}))
            return false;
        return server("valid", "localhost", {}) && server("wrongname", "autre.example", {}) &&
               server("expired", "localhost",
                      {"-startdate", "20200101000000Z", "-enddate", "20200201000000Z"});
    }

    QString caFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    QList<QSslCertificate> authorities() const
    {
        return QSslCertificate::fromPath(caFile(), QSsl::Pem);
    }
    QString certFile(Server s) const { return m_dir.filePath(name(s) + QStringLiteral(".pem")); }
    QString keyFile(Server s) const { return m_dir.filePath(name(s) + QStringLiteral(".key")); }
    QSslCertificate certificate(Server s) const
    {
        const auto list = QSslCertificate::fromPath(certFile(s), QSsl::Pem);
        return list.isEmpty() ? QSslCertificate() : list.first();
    }

private:
    static QString name(Server s)
    {
        return s == Valid       ? QStringLiteral("valid")
               : s == WrongName ? QStringLiteral("wrongname")
                                : QStringLiteral("expired");
    }

    void write(const QString& file, const QByteArray& bytes)
    {
        QFile f(m_dir.filePath(file));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }

    bool openssl(const QStringList& args)
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("/usr/bin/openssl"), args);
        if (!p.waitForFinished(30000) || p.exitCode() != 0) {
            qWarning("openssl %s: %s", qPrintable(args.join(' ')), p.readAll().constData());
            return false;
        }
        return true;
    }

    // A key, a request and the authority's signature, with the host as its
    // only name; dates, when given, are openssl ca's -startdate/-enddate.
    bool server(const QString& base, const QString& host, const QStringList& dates)
    {
        write(base + QStringLiteral(".ext"),
              "basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nsubjectAltName=DNS:" +
                  host.toLatin1() + "\n");
        if (!openssl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                      "-keyout", base + ".key", "-out", base + ".csr", "-subj", "/CN=" + host}))
            return false;
        QStringList sign = {"ca",          "-batch", "-notext",     "-config",  "ca.cnf",
                            "-cert",       "ca.pem", "-keyfile",    "ca.key",   "-in",
                            base + ".csr", "-out",   base + ".pem", "-extfile", base + ".ext"};
        sign += dates.isEmpty() ? QStringList{"-days", "30"} : dates;
        return openssl(sign);
    }

    QTemporaryDir m_dir;
};
