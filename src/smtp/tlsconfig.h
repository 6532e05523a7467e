#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>

// The TLS settings of every connection to a mail server: the system's
// certificate store, and verification of the server's certificate and name.
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
