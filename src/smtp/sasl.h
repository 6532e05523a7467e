#pragma once

#include <QByteArray>
#include <QString>

// The two SASL mechanisms of RFC 4954 a submission server offers everywhere,
// PLAIN (RFC 4616) and LOGIN.  Both carry the password in base64 only: they
// are sent over TLS and nowhere else.
namespace sasl
{

// The initial response of PLAIN: base64 of NUL, user, NUL, password (UTF-8).
QByteArray plain(const QString& user, const QString& password);

// LOGIN answers the server's two prompts with these, in turn.
QByteArray loginUser(const QString& user);
QByteArray loginPassword(const QString& password);

// Which mechanism to use from the words of an EHLO "AUTH" line: PLAIN when
// offered, else LOGIN, else empty.
QByteArray choose(const QByteArray& authLine);

} // namespace sasl
