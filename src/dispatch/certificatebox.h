#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>

class QWidget;

// The box that tells the user why the mail server's certificate could not be
// verified, with its fingerprint and dates, and lets the user trust that one
// certificate for that one server.  Never answered for the user.
namespace certificatebox
{

// The problem in French, one short clause ("le certificat a expiré").
QString problem(const QSslError& error);

// The problems of the list, without repeats, one a line.
QString problems(const QList<QSslError>& errors);

// True when the user trusts the certificate for this server.
bool askTrust(QWidget* parent, const QString& host, const QSslCertificate& certificate,
              const QList<QSslError>& errors);

} // namespace certificatebox
