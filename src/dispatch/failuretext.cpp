#include "dispatch/failuretext.h"

#include "dispatch/certificatebox.h"

#include <iterator>

namespace
{

using Cause = SmtpSession::Cause;
using State = SmtpSession::State;

// Why a run failed, as the details of the "Erreur transmission" box say it.
const struct {
    Cause cause;
    State state; // Idle: in any state
    const char* text;
} failureReasons[] = {
    {Cause::HostNotFound, State::Idle, "Le serveur de courrier sortant est introuvable."},
    {Cause::ConnectionRefused, State::Idle,
     "Le serveur a refusé la connexion : aucun serveur de courrier n'y répond."},
    {Cause::Network, State::Idle, "La connexion au serveur a échoué (erreur du réseau)."},
    {Cause::Closed, State::Idle, "Le serveur a fermé la connexion."},
    {Cause::TimedOut, State::Connecting,
     "La connexion au serveur n'a pas abouti dans le délai imparti."},
    {Cause::TimedOut, State::Handshake,
     "La connexion chiffrée (TLS) n'a pas abouti dans le délai imparti."},
    {Cause::TimedOut, State::StartTlsHandshake,
     "La connexion chiffrée (TLS) n'a pas abouti dans le délai imparti."},
    {Cause::TimedOut, State::Idle, "Le serveur n'a pas répondu dans le délai imparti."},
    {Cause::Refused, State::Greeting, "Le serveur a refusé la connexion."},
    {Cause::Refused, State::Ehlo, "Le serveur a refusé la présentation du poste (EHLO)."},
    {Cause::Refused, State::Helo, "Le serveur a refusé la présentation du poste (HELO)."},
    {Cause::Refused, State::MailFrom, "Le serveur a refusé l'adresse de l'expéditeur."},
    {Cause::Refused, State::RcptTo, "Le serveur a refusé l'adresse du destinataire."},
    {Cause::Refused, State::Data, "Le serveur a refusé de recevoir le message."},
    {Cause::Refused, State::DataEnd, "Le serveur n'a pas accepté le message."},
    {Cause::Malformed, State::Idle, "Le serveur a envoyé une réponse illisible."},
    {Cause::OutOfTurn, State::Idle,
     "Le serveur a envoyé une réponse qu'aucune commande n'attendait."},
    {Cause::Overlong, State::Idle, "Le serveur a envoyé une réponse trop longue."},
    {Cause::SendFailed, State::Idle, "L'envoi d'une commande au serveur a échoué."},
    {Cause::SenderNeedsSmtpUtf8, State::Idle,
     "L'adresse de l'expéditeur contient des caractères non ASCII, que ce serveur n'accepte "
     "pas (il n'annonce pas l'extension SMTPUTF8)."},
    {Cause::RecipientNeedsSmtpUtf8, State::Idle,
     "L'adresse du destinataire contient des caractères non ASCII, que ce serveur n'accepte "
     "pas (il n'annonce pas l'extension SMTPUTF8)."},
    {Cause::Unreachable, State::Idle, "Le serveur ne répond sur aucun port de courrier :"},
    {Cause::Certificate, State::Idle,
     "Le certificat du serveur n'a pas pu être vérifié ; la connexion chiffrée a été "
     "abandonnée :"},
    {Cause::Tls, State::Idle, "La connexion chiffrée (TLS) avec le serveur a échoué."},
    {Cause::TlsNotOffered, State::Idle,
     "Le serveur ne propose pas le chiffrement (STARTTLS) demandé dans les réglages de "
     "connexion."},
    {Cause::Downgrade, State::Idle,
     "Ce serveur a déjà été joint avec chiffrement (TLS) : une connexion sans chiffrement est "
     "refusée, pour que personne ne puisse la détourner. Choisissez STARTTLS ou TLS dans "
     "« Connexion… » si le serveur a changé."},
    {Cause::PasswordRefused, State::Idle, "Authentification : mot de passe refusé."},
    {Cause::PasswordCancelled, State::Idle, "Authentification : aucun mot de passe n'a été donné."},
    {Cause::NeedsTls, State::Idle,
     "Le serveur demande un mot de passe, qui n'est jamais envoyé sans chiffrement : "
     "choisissez STARTTLS (port 587) ou TLS (port 465) dans « Connexion… »."},
    {Cause::Refused, State::StartTls, "Le serveur a refusé de passer en connexion chiffrée."},
    {Cause::Refused, State::AuthPlain, "Le serveur a refusé l'authentification."},
    {Cause::Refused, State::AuthLoginUser, "Le serveur a refusé l'authentification."},
    {Cause::Refused, State::AuthLoginPassword, "Le serveur a refusé l'authentification."},
};

// How the server was reached, in the order of ConnectionProfile::Mode.
const char* const modeNames[] = {"mode automatique", "sans chiffrement", "STARTTLS",
                                 "TLS implicite"};

// What each port tried by automatic mode did; a plain port that does not
// answer is the sign of a provider that blocks it.
QString probeLines(const SmtpSession::Failure& f, quint16 submissionPort)
{
    using Outcome = ServerProbe::Outcome;
    QString lines;
    for (const ServerProbe::Candidate& c : f.probed) {
        const auto mode = ConnectionProfile::Mode(c.tag);
        const QString name = QLatin1String(modeNames[int(mode)]);
        QString line;
        if (mode == ConnectionProfile::Mode::Plain && c.outcome == Outcome::NoAnswer)
            line = QStringLiteral("le port %1 ne répond pas : votre fournisseur le bloque "
                                  "peut-être, essayez le port %2")
                       .arg(c.port)
                       .arg(submissionPort);
        else if (c.outcome == Outcome::NoAnswer)
            line = QStringLiteral("le port %1 (%2) ne répond pas").arg(c.port).arg(name);
        else if (c.outcome == Outcome::Refused)
            line = QStringLiteral("le port %1 (%2) refuse la connexion").arg(c.port).arg(name);
        else if (c.outcome == Outcome::HostNotFound)
            line = QStringLiteral("le serveur est introuvable");
        else
            line = QStringLiteral("le port %1 (%2) : %3").arg(c.port).arg(name, c.error);
        if (!lines.contains(line))
            lines += QLatin1Char('\n') + line;
    }
    return lines;
}

QString failureReason(const SmtpSession::Failure& f)
{
    for (const auto& row : failureReasons) {
        if (row.cause == f.cause && (row.state == State::Idle || row.state == f.state))
            return QString::fromUtf8(row.text);
    }
    return QStringLiteral("Le serveur a répondu autrement qu'attendu.");
}

// Each state of the exchange as the user is told it, in the order of State.
const char* const stepNames[] = {
    "avant la connexion",
    "connexion au serveur",
    "accueil du serveur",
    "présentation du poste (EHLO)",
    "présentation du poste (HELO)",
    "recherche d'un port qui réponde",
    "établissement de la connexion chiffrée (TLS)",
    "demande de chiffrement (STARTTLS)",
    "établissement de la connexion chiffrée (STARTTLS)",
    "saisie du mot de passe",
    "authentification (AUTH PLAIN)",
    "authentification (AUTH LOGIN, identifiant)",
    "authentification (AUTH LOGIN, mot de passe)",
    "adresse de l'expéditeur (MAIL FROM)",
    "adresse du destinataire (RCPT TO)",
    "début du message (DATA)",
    "fin du message",
    "fin de la session (QUIT)",
};

static_assert(std::size(stepNames) == int(State::Quit) + 1, "one step name for each state");

// Where the run stopped, and on which port and how.
QString stepLine(const SmtpSession::Failure& f, const QString& host)
{
    QString line = QStringLiteral("Étape atteinte : ") + QString::fromUtf8(stepNames[int(f.state)]);
    if (f.port != 0)
        line += QStringLiteral(", serveur %1, port %2, %3")
                    .arg(host.trimmed())
                    .arg(f.port)
                    .arg(QString::fromUtf8(modeNames[int(f.mode)]));
    return line;
}

} // namespace

namespace failuretext
{

QString details(const SmtpSession::Failure& failure, const QString& host, quint16 submissionPort)
{
    QString details = failureReason(failure);
    if (failure.cause == Cause::Unreachable)
        details += probeLines(failure, submissionPort);
    if (failure.cause == Cause::Certificate)
        for (const QString& line :
             certificatebox::problems(failure.sslErrors).split(QStringLiteral("\r\n")))
            details += QLatin1Char('\n') + line;
    if (failure.cause == Cause::Tls && !failure.tlsError.isEmpty())
        details += QStringLiteral("\nErreur TLS : ") + failure.tlsError;
    if (failure.cause == Cause::TimedOut && failure.state == State::Connecting &&
        failure.port == 25)
        details += QStringLiteral("\n(le port 25 ne répond pas : votre fournisseur le bloque "
                                  "peut-être, essayez le port 587 dans « Connexion… »)");
    if (failure.cause == Cause::Network)
        details += QStringLiteral(" (code %1)").arg(int(failure.socketError));
    details += QLatin1Char('\n') + stepLine(failure, host);
    if (!failure.reply.lines.isEmpty()) {
        details +=
            QStringLiteral("\nDernière réponse du serveur (code %1) :").arg(failure.reply.code);
        for (const QByteArray& line : failure.reply.lines)
            details += QLatin1Char('\n') + QString::fromLatin1(line);
    }
    return details;
}

} // namespace failuretext
