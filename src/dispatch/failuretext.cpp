#include "dispatch/failuretext.h"

#include "dispatch/certificatebox.h"
#include "settings/settingwords.h"
#include "smtp/printable.h"

#include <iterator>

namespace
{

using Cause = SmtpSession::Cause;
using State = SmtpSession::State;
using Stage = SmtpConnector::Stage;
using Mode = smtp::Mode;

// Where a run stopped, as one list: the connection's stages before the
// dialogue had it, then the dialogue's states.
enum class Where {
    Idle,
    Connecting,
    Probing,
    Handshake,
    StartTlsHandshake,
    Greeting,
    Ehlo,
    Helo,
    StartTls,
    Password,
    ClearText,
    AuthPlain,
    AuthLoginUser,
    AuthLoginPassword,
    MailFrom,
    RcptTo,
    Data,
    DataEnd,
    Quit,
    Any, // in the table below: wherever it happened
};

Where whereOf(const SmtpSession::Failure& f)
{
    if (f.stage == Stage::Connecting)
        return Where::Connecting;
    if (f.stage == Stage::Probing)
        return Where::Probing;
    if (f.stage == Stage::Handshake)
        return f.state == State::StartTls ? Where::StartTlsHandshake : Where::Handshake;
    // The dialogue's states follow in the same order from Greeting on.
    return f.state == State::Idle ? Where::Idle
                                  : Where(int(Where::Greeting) + int(f.state) - int(State::Greeting));
}
static_assert(int(Where::Quit) - int(Where::Greeting) == int(State::Quit) - int(State::Greeting),
              "the dialogue’s states in the same order");

// Why a run failed, as the details of the "Erreur transmission" box say it.
const struct {
    Cause cause;
    Where where;
    const char* text;
} failureReasons[] = {
    {Cause::HostNotFound, Where::Any, "Le serveur de courrier sortant est introuvable."},
    {Cause::ConnectionRefused, Where::Any,
     "Le serveur a refusé la connexion : aucun serveur de courrier n’y répond."},
    {Cause::Network, Where::Any, "La connexion au serveur a échoué (erreur du réseau)."},
    {Cause::Closed, Where::Any, "Le serveur a fermé la connexion."},
    {Cause::TimedOut, Where::Connecting,
     "La connexion au serveur n’a pas abouti dans le délai imparti."},
    {Cause::TimedOut, Where::Handshake,
     "La connexion chiffrée (TLS) n’a pas abouti dans le délai imparti."},
    {Cause::TimedOut, Where::StartTlsHandshake,
     "La connexion chiffrée (TLS) n’a pas abouti dans le délai imparti."},
    {Cause::TimedOut, Where::Any, "Le serveur n’a pas répondu dans le délai imparti."},
    {Cause::Refused, Where::Greeting, "Le serveur a refusé la connexion."},
    {Cause::Refused, Where::Ehlo, "Le serveur a refusé la présentation du poste (EHLO)."},
    {Cause::Refused, Where::Helo, "Le serveur a refusé la présentation du poste (HELO)."},
    {Cause::Refused, Where::MailFrom, "Le serveur a refusé l’adresse de l’expéditeur."},
    {Cause::Refused, Where::RcptTo, "Le serveur a refusé l’adresse du destinataire."},
    {Cause::Refused, Where::Data, "Le serveur a refusé de recevoir le message."},
    {Cause::Refused, Where::DataEnd, "Le serveur n’a pas accepté le message."},
    {Cause::Malformed, Where::Any, "Le serveur a envoyé une réponse illisible."},
    {Cause::OutOfTurn, Where::Any,
     "Le serveur a envoyé une réponse qu’aucune commande n’attendait."},
    {Cause::Overlong, Where::Any, "Le serveur a envoyé une réponse trop longue."},
    {Cause::SendFailed, Where::Any, "L’envoi d’une commande au serveur a échoué."},
    {Cause::SenderNeedsSmtpUtf8, Where::Any,
     "L’adresse de l’expéditeur contient des caractères non ASCII, que ce serveur n’accepte "
     "pas (il n’annonce pas l’extension SMTPUTF8)."},
    {Cause::RecipientNeedsSmtpUtf8, Where::Any,
     "L’adresse du destinataire contient des caractères non ASCII, que ce serveur n’accepte "
     "pas (il n’annonce pas l’extension SMTPUTF8)."},
    {Cause::Unreachable, Where::Any, "Le serveur ne répond sur aucun port de courrier :"},
    {Cause::Certificate, Where::Any,
     "Le certificat du serveur n’a pas pu être vérifié ; la connexion chiffrée a été "
     "abandonnée :"},
    {Cause::Tls, Where::Any, "La connexion chiffrée (TLS) avec le serveur a échoué."},
    {Cause::TlsNotOffered, Where::Any,
     "Le serveur ne propose pas le chiffrement (STARTTLS) demandé dans les réglages de "
     "connexion."},
    {Cause::Downgrade, Where::Any,
     "Ce serveur a déjà été joint avec chiffrement (TLS) : une connexion sans chiffrement est "
     "refusée, pour que personne ne puisse la détourner. Choisissez STARTTLS ou TLS dans "
     "« Connexion… » si le serveur a changé."},
    {Cause::PasswordRefused, Where::Any, "Authentification : mot de passe refusé."},
    {Cause::PasswordCancelled, Where::Any, "Authentification : aucun mot de passe n’a été donné."},
    {Cause::ClearTextRefused, Where::Any,
     "Envoi annulé : la connexion au serveur n’était pas chiffrée, rien n’a été envoyé."},
    {Cause::NeedsTls, Where::Any,
     "Le serveur demande un mot de passe, qui n’est jamais envoyé sans chiffrement : "
     "choisissez STARTTLS (port 587) ou TLS (port 465) dans « Connexion… »."},
    {Cause::Refused, Where::StartTls, "Le serveur a refusé de passer en connexion chiffrée."},
    {Cause::Refused, Where::AuthPlain, "Le serveur a refusé l’authentification."},
    {Cause::Refused, Where::AuthLoginUser, "Le serveur a refusé l’authentification."},
    {Cause::Refused, Where::AuthLoginPassword, "Le serveur a refusé l’authentification."},
};

// How the server was reached, in the order of smtp::Mode.
const char* const modeNames[] = {"mode automatique", "sans chiffrement", "STARTTLS",
                                 "TLS implicite"};
static_assert(std::size(modeNames) == smtp::ModeCount, "one name for each mode");

// What each port tried by automatic mode did; a plain port that does not
// answer is the sign of a provider that blocks it.
QString probeLines(const SmtpSession::Failure& f, quint16 submissionPort)
{
    using Outcome = SmtpConnector::Outcome;
    QString lines;
    for (const SmtpConnector::Attempt& a : f.probed) {
        const quint16 port = a.way.port;
        const QString name = QLatin1String(modeNames[int(a.way.mode)]);
        QString line;
        if (a.way.mode == Mode::Plain && a.outcome == Outcome::NoAnswer)
            line = QStringLiteral("le port %1 ne répond pas : votre fournisseur le bloque "
                                  "peut-être, essayez le port %2")
                       .arg(port)
                       .arg(submissionPort);
        else if (a.outcome == Outcome::NoAnswer)
            line = QStringLiteral("le port %1 (%2) ne répond pas").arg(port).arg(name);
        else if (a.outcome == Outcome::Refused)
            line = QStringLiteral("le port %1 (%2) refuse la connexion").arg(port).arg(name);
        else if (a.outcome == Outcome::Closed)
            line = QStringLiteral("le port %1 (%2) ferme la connexion sans accueil")
                       .arg(port)
                       .arg(name);
        else if (a.outcome == Outcome::NotTls)
            line = QStringLiteral("le port %1 (%2) n’établit pas de connexion chiffrée")
                       .arg(port)
                       .arg(name);
        else if (a.outcome == Outcome::HostNotFound)
            line = QStringLiteral("le serveur est introuvable");
        else
            line = QStringLiteral("le port %1 (%2) : %3")
                       .arg(port)
                       .arg(name, smtp::printable(a.error));
        if (!lines.contains(line))
            lines += QLatin1Char('\n') + line;
    }
    return lines;
}

// The text of the first row of a table that fits the failure: its cause,
// where it happened or anywhere.
template <typename Table>
QString lookUp(const Table& table, const SmtpSession::Failure& f, const char* otherwise)
{
    const Where where = whereOf(f);
    for (const auto& row : table) {
        if (row.cause == f.cause && (row.where == Where::Any || row.where == where))
            return QString::fromUtf8(row.text);
    }
    return QString::fromUtf8(otherwise);
}

QString failureReason(const SmtpSession::Failure& f)
{
    return lookUp(failureReasons, f, "Le serveur a répondu autrement qu’attendu.");
}

// Each step of the exchange as the user is told it, in the order of Where.
const char* const stepNames[] = {
    "avant la connexion",
    "connexion au serveur",
    "recherche d’un port qui réponde",
    "établissement de la connexion chiffrée (TLS)",
    "établissement de la connexion chiffrée (STARTTLS)",
    "accueil du serveur",
    "présentation du poste (EHLO)",
    "présentation du poste (HELO)",
    "demande de chiffrement (STARTTLS)",
    "saisie du mot de passe",
    "accord pour un envoi non chiffré",
    "authentification (AUTH PLAIN)",
    "authentification (AUTH LOGIN, identifiant)",
    "authentification (AUTH LOGIN, mot de passe)",
    "adresse de l’expéditeur (MAIL FROM)",
    "adresse du destinataire (RCPT TO)",
    "début du message (DATA)",
    "fin du message",
    "fin de la session (QUIT)",
};

static_assert(std::size(stepNames) == int(Where::Quit) + 1, "one step name for each step");

// Where the run stopped, and on which port and how.
QString stepLine(const SmtpSession::Failure& f, const QString& host)
{
    QString line =
        QStringLiteral("Étape atteinte : ") + QString::fromUtf8(stepNames[int(whereOf(f))]);
    if (f.port != 0)
        line += QStringLiteral(", serveur %1, port %2, %3")
                    .arg(host.trimmed())
                    .arg(f.port)
                    .arg(QString::fromUtf8(modeNames[int(f.mode)]));
    return line;
}

using Fault = mailcheck::Fault;
using Setting = SmtpSession::Setting;

// What to try after each failure, one sentence.
const char* const Later =
    "Réessayez plus tard ; si cela ne passe toujours pas, imprimez les réponses et envoyez-les "
    "par la poste.";
const char* const ServerName =
    "Vérifiez le nom du serveur de courrier sortant dans « Paramètres » : « Rechercher » le "
    "trouve d’après votre adresse électronique.";
const char* const Blocked =
    "Le réseau bloque peut-être ce port : choisissez « Automatique » dans « Connexion… », ou "
    "demandez à l’administrateur du réseau.";
// The same, when automatic mode has already tried every port.
const char* const BlockedEverywhere =
    "Le réseau bloque peut-être les ports de courrier (465, 587 et 25) : demandez à "
    "l’administrateur du réseau, essayez depuis une autre connexion, ou imprimez les réponses "
    "et envoyez-les par la poste.";
const char* const Sender =
    "Le serveur a refusé l’expéditeur : vérifiez l’adresse électronique dans « Paramètres » "
    "(il faut souvent celle de votre compte chez ce fournisseur).";
const char* const Password = "Vérifiez le mot de passe, puis expédiez de nouveau.";
const char* const RelayRefused =
    "Le serveur refuse de transmettre le message : vérifiez le serveur et l’adresse dans "
    "« Paramètres », ou choisissez STARTTLS dans « Connexion… » pour vous identifier.";
const char* const RelayRefusedEncrypted =
    "Le serveur refuse de transmettre le message : vérifiez le serveur et l’adresse dans "
    "« Paramètres », et l’identifiant dans « Connexion… » (souvent l’adresse de votre compte "
    "chez ce fournisseur).";
const char* const Encryption =
    "Choisissez un autre mode dans « Connexion… », ou demandez à l’administrateur du réseau.";
const char* const Post = "Imprimez les réponses et envoyez-les par la poste.";

const struct {
    Cause cause;
    Where where;
    const char* text;
} adviceTable[] = {
    {Cause::HostNotFound, Where::Any, ServerName},
    {Cause::ConnectionRefused, Where::Any, Blocked},
    {Cause::Unreachable, Where::Any, Blocked},
    {Cause::TimedOut, Where::Connecting, Blocked},
    {Cause::TimedOut, Where::Probing, Blocked},
    {Cause::Network, Where::Connecting, Blocked},
    {Cause::Refused, Where::MailFrom, Sender},
    {Cause::Refused, Where::RcptTo, RelayRefused},
    {Cause::NeedsTls, Where::Any, Encryption},
    {Cause::SenderNeedsSmtpUtf8, Where::Any, Sender},
    {Cause::RecipientNeedsSmtpUtf8, Where::Any, Post},
    {Cause::PasswordRefused, Where::Any, Password},
    {Cause::PasswordCancelled, Where::Any, Password},
    {Cause::ClearTextRefused, Where::Any,
     "Demandez à votre fournisseur le serveur qui accepte les connexions chiffrées (ports 465 ou "
     "587) et indiquez-le dans « Paramètres », ou imprimez les réponses et envoyez-les par la poste."},
    {Cause::Refused, Where::AuthPlain, Password},
    {Cause::Refused, Where::AuthLoginUser, Password},
    {Cause::Refused, Where::AuthLoginPassword, Password},
    {Cause::Certificate, Where::Any,
     "Ne faites confiance au certificat que si votre fournisseur vous en a donné l’empreinte ; "
     "sinon, imprimez les réponses et envoyez-les par la poste."},
    {Cause::Tls, Where::Any, Encryption},
    {Cause::TlsNotOffered, Where::Any, Encryption},
    {Cause::Downgrade, Where::Any, Encryption},
};

} // namespace

namespace failuretext
{

QString cause(const SmtpSession::Failure& failure, quint16 submissionPort)
{
    QString text = failureReason(failure);
    if (failure.cause == Cause::Unreachable)
        text += probeLines(failure, submissionPort);
    if (failure.cause == Cause::Certificate)
        for (const QString& line :
             certificatebox::problems(failure.sslErrors).split(QStringLiteral("\r\n")))
            text += QLatin1Char('\n') + line;
    if (failure.cause == Cause::Tls && !failure.tlsError.isEmpty())
        text += QStringLiteral("\nErreur TLS : ") + smtp::printable(failure.tlsError);
    if (failure.cause == Cause::TimedOut && failure.stage == Stage::Connecting &&
        failure.port == 25)
        text += QStringLiteral("\n(le port 25 ne répond pas : votre fournisseur le bloque "
                               "peut-être, essayez le port 587 dans « Connexion… »)");
    if (failure.cause == Cause::Network)
        text += QStringLiteral(" (code %1)").arg(int(failure.socketError));
    return text;
}

QString details(const SmtpSession::Failure& failure, const QString& host, quint16 submissionPort)
{
    QString details = cause(failure, submissionPort);
    details += QLatin1Char('\n') + stepLine(failure, host);
    if (!failure.reply.lines.isEmpty()) {
        details +=
            QStringLiteral("\nDernière réponse du serveur (code %1) :").arg(failure.reply.code);
        // The server's words, cleaned: nothing it says can pass for ours.
        for (const QByteArray& line : failure.reply.lines)
            details += QLatin1Char('\n') + smtp::printable(line);
    }
    return details;
}

QString advice(const SmtpSession::Failure& failure, smtp::Mode chosen)
{
    const QString text = lookUp(adviceTable, failure, Later);
    // Never « choisissez Automatique » to someone who already has, nor
    // STARTTLS to someone who uses encryption already.
    if (chosen == Mode::Automatic && text == QString::fromUtf8(Blocked))
        return QString::fromUtf8(BlockedEverywhere);
    if (chosen != Mode::Plain && text == QString::fromUtf8(RelayRefused))
        return QString::fromUtf8(RelayRefusedEncrypted);
    return text;
}

QString informative(const SmtpSession::Failure& failure, quint16 submissionPort, smtp::Mode chosen)
{
    QString text = cause(failure, submissionPort);
    // What a server that said no said, as it said it: "550 … Relay access denied".
    if (failure.cause != Cause::Unreachable && !failure.reply.lines.isEmpty() &&
        failure.reply.code >= 400)
        text += QLatin1Char('\n') + smtp::printable(failure.reply.lines.last());
    return text + QStringLiteral("\n\n") + advice(failure, chosen);
}

QString waiting(SmtpSession::State state, SmtpConnector::Stage stage)
{
    SmtpSession::Failure at;
    at.state = state;
    at.stage = stage;
    return QString::fromUtf8(stepNames[int(whereOf(at))]);
}

QString refusal(const SmtpSession::Start& verdict)
{
    const QString cannotSend =
        QStringLiteral("\r\nLe questionnaire ne peut pas être envoyé avec ces paramètres.");
    const QString toCorrect = QStringLiteral("\r\nCliquer sur « paramètres » pour le corriger.");
    switch (verdict.setting) {
    case Setting::Server:
        // No help to consult: say where the server comes from.
        if (verdict.fault == Fault::Empty)
            return QStringLiteral(
                "Il faut indiquer le serveur de courrier sortant (SMTP) pour envoyer le questionnaire."
                "\r\nCliquez sur « Paramètres » : « Rechercher » le trouve d’après votre adresse "
                "électronique ; sinon, votre fournisseur de messagerie l’indique dans son aide.");
        return QStringLiteral("Le nom du serveur de courrier sortant (SMTP) ") +
               settingwords::serverFault(verdict.fault) + toCorrect;
    case Setting::Text:
        return QStringLiteral("Le nom ou l’adresse de l’expéditeur, ou l’adresse du "
                              "destinataire, contient un retour à la ligne.") +
               cannotSend;
    case Setting::Sender:
        return QStringLiteral("L’adresse électronique de l’expéditeur ") +
               settingwords::addressFault(verdict.fault) +
               QStringLiteral("\r\nCliquer sur « paramètres » pour la corriger.");
    case Setting::Recipient:
        // Record 6 comes with the installation: the user cannot change it here.
        return QStringLiteral("L’adresse du destinataire ") +
               settingwords::addressFault(verdict.fault) + cannotSend;
    case Setting::Name:
    case Setting::None:
    case Setting::Busy:
        break;
    }
    return QStringLiteral("Le nom de l’expéditeur contient un caractère de contrôle.") + toCorrect;
}

} // namespace failuretext
