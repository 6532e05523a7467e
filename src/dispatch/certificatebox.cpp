#include "dispatch/certificatebox.h"

#include "smtp/printable.h"
#include "smtp/tlsconfig.h"
#include "ui/messagebox.h"

#include <QLocale>
#include <QStringList>

namespace
{

const QString crlf = QStringLiteral("\r\n");

// What each verification failure means to the user; the failures not listed
// keep the TLS library's own words.
const struct Problem {
    QSslError::SslError error;
    const char* text;
} knownProblems[] = {
    {QSslError::HostNameMismatch, "le certificat n’est pas établi au nom de ce serveur"},
    {QSslError::CertificateExpired, "le certificat a expiré"},
    {QSslError::CertificateNotYetValid, "le certificat n’est pas encore valable"},
    {QSslError::SelfSignedCertificate,
     "le certificat est signé par le serveur lui-même (auto-signé)"},
    {QSslError::SelfSignedCertificateInChain,
     "le certificat n’est garanti par aucune autorité de certification connue de ce système"},
    {QSslError::UnableToGetLocalIssuerCertificate,
     "le certificat n’est garanti par aucune autorité de certification connue de ce système"},
    {QSslError::UnableToGetIssuerCertificate,
     "le certificat n’est garanti par aucune autorité de certification connue de ce système"},
    {QSslError::UnableToVerifyFirstCertificate,
     "le certificat n’est garanti par aucune autorité de certification connue de ce système"},
    {QSslError::CertificateUntrusted,
     "le certificat n’est garanti par aucune autorité de certification connue de ce système"},
    {QSslError::CertificateRevoked, "le certificat a été révoqué"},
    {QSslError::NoPeerCertificate, "le serveur n’a présenté aucun certificat"},
    {QSslError::CertificateSignatureFailed, "la signature du certificat est fausse"},
};

QString day(const QDateTime& when)
{
    return when.isValid() ? QLocale(QLocale::French)
                                .toString(when.toUTC().date(), QStringLiteral("d MMMM yyyy"))
                          : QStringLiteral("?");
}

// A certificate's names are the other side's words: one line, cleaned, short.
QString name(const QStringList& names)
{
    return names.isEmpty() ? QStringLiteral("?")
                           : smtp::printable(names.join(QStringLiteral(", ")), 80);
}

} // namespace

namespace certificatebox
{

QString problem(const QSslError& error)
{
    for (const Problem& p : knownProblems)
        if (p.error == error.error())
            return QString::fromUtf8(p.text);
    return QStringLiteral("le certificat n’a pas pu être vérifié (%1)")
        .arg(smtp::printable(error.errorString()));
}

QString problems(const QList<QSslError>& errors)
{
    QStringList lines;
    for (const QSslError& e : errors) {
        const QString line = problem(e);
        if (!lines.contains(line))
            lines << line;
    }
    return lines.join(crlf);
}

bool askTrust(QWidget* parent, const QString& host, const QSslCertificate& certificate,
              const QList<QSslError>& errors)
{
    QStringList lines;
    lines << QStringLiteral("Le certificat présenté par le serveur « %1 » n’a pas pu être "
                            "vérifié :")
                 .arg(host.trimmed());
    for (const QString& p : problems(errors).split(crlf))
        lines << QStringLiteral("– ") + p;
    // What the program computed comes before anything the certificate says
    // of itself, so that no name can stand where the fingerprint is read.
    lines << QString();
    lines << QStringLiteral("Empreinte SHA-256 : ") + tlsconfig::fingerprint(certificate);
    lines << QStringLiteral("Valable du %1 au %2")
                 .arg(day(certificate.effectiveDate()), day(certificate.expiryDate()));
    lines << QStringLiteral("Délivré à : ") +
                 name(certificate.subjectInfo(QSslCertificate::CommonName));
    lines << QStringLiteral("Délivré par : ") +
                 name(certificate.issuerInfo(QSslCertificate::CommonName));
    lines << QString();
    lines << QStringLiteral("Ne faites confiance à ce certificat que si vous savez qu’il est bien "
                            "celui de votre serveur (son empreinte vous a été donnée par votre "
                            "fournisseur, par exemple).");
    lines << QStringLiteral("Faire confiance à ce certificat pour ce serveur seulement ?");
    return MessageBox::show(parent, QMessageBox::Warning, QStringLiteral("Certificat non vérifié"),
                            lines.join(crlf), QMessageBox::Yes | QMessageBox::No,
                            QMessageBox::No) == QMessageBox::Yes;
}

} // namespace certificatebox
