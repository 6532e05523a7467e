#include "smtp/tlsconfig.h"

namespace
{

QList<QSslCertificate>& extra()
{
    static QList<QSslCertificate> list;
    return list;
}

} // namespace

namespace tlsconfig
{

QSslConfiguration configuration()
{
    QSslConfiguration c = QSslConfiguration::defaultConfiguration();
    c.setPeerVerifyMode(QSslSocket::VerifyPeer);
    c.setProtocol(QSsl::SecureProtocols);
    // The authorities of the file SSL_CERT_FILE names, as OpenSSL reads it,
    // in place of the system's.  Adding to the list stops the system store
    // being loaded on demand, so the system's authorities are listed with
    // the extra ones.
    const QString file = qEnvironmentVariable("SSL_CERT_FILE");
    if (!file.isEmpty())
        c.setCaCertificates(QSslCertificate::fromPath(file, QSsl::Pem) + extra());
    else if (!extra().isEmpty())
        c.setCaCertificates(QSslConfiguration::systemCaCertificates() + extra());
    return c;
}

void setExtraAuthorities(const QList<QSslCertificate>& authorities)
{
    extra() = authorities;
}

QString fingerprint(const QSslCertificate& certificate)
{
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':')).toUpper();
}

} // namespace tlsconfig
