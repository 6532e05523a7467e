#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>

// The TLS settings of every connection to a mail server (SMTP and IMAP): the
// system's certificate store (or the file SSL_CERT_FILE names), and
// verification of the server's certificate and name.
namespace tlsconfig
{

// The configuration a connection starts from.
QSslConfiguration configuration();

// Certificate authorities trusted besides the system's, for this process
// only; the system store is left as it is.  Tests hand theirs here.
void setExtraAuthorities(const QList<QSslCertificate>& authorities);

// The certificate's SHA-256 fingerprint, as pairs of hex digits with colons.
QString fingerprint(const QSslCertificate& certificate);

} // namespace tlsconfig
