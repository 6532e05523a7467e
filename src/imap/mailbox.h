#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The publisher's mailbox on an IMAP server, read by a client of our own
// over QSslSocket and never changed: the folder is opened with EXAMINE and
// messages are read with BODY.PEEK, so no flag moves and nothing is moved or
// deleted.  One connection for every request, over TLS, implicit (imaps,
// 993) or after STARTTLS (imap, 143), with the questionnaire's TLS settings;
// the certificate is verified against the system's authorities (or the file
// SSL_CERT_FILE names, as OpenSSL reads it) and the server's name, or else
// accepted only when its SHA-256 fingerprint is the one given, during the
// handshake, before the password goes out.  No command goes in clear but
// CAPABILITY and STARTTLS.  Every wait has its time-out: a blocking client,
// for the thread that reads a mailbox.
namespace imap
{

struct Address {
    bool implicitTls = true; // imaps://; imap:// means STARTTLS, never in clear
    QString host;
    quint16 port = 993;
    QString user;
    QString folder = QStringLiteral("INBOX");

    // "imaps://avis@mail.example/INBOX", "imap://avis@mail.example:143/Réponses",
    // a folder's name with spaces as typed or as %20.
    static std::optional<Address> fromUrl(const QString& url);
    // The same, as the base and the keyring name it (never with a password).
    QString url() const;
};

// Where a run stopped, in French, and the server's own words, cleaned.
struct Failure {
    enum class Kind { Connection, Certificate, Login, Server, Timeout };
    Kind kind = Kind::Server;
    QString step;  // "l’ouverture du dossier « INBOX »", "la lecture du message 3 sur 40"
    QString words; // what the server said of a refusal, cleaned, or the cause in French
    // Certificate: the server's certificates, leaf first, in DER.
    QList<QByteArray> chain;
};

struct Timeouts {
    int connect = 15; // seconds to connect and finish the TLS handshake
    int stall = 30;   // seconds without a byte before a transfer is given up
};

class Mailbox
{
public:
    // fingerprint: the SHA-256 of a certificate the user trusts, hexadecimal
    // (colons and case ignored); empty: the usual verification only.
    Mailbox(const Address& address, const QString& password, const QByteArray& fingerprint = {},
            const Timeouts& timeouts = {});
    ~Mailbox();
    Mailbox(const Mailbox&) = delete;
    Mailbox& operator=(const Mailbox&) = delete;

    // Opens the folder read-only: its UIDVALIDITY.
    std::optional<quint32> examine();
    // The UIDs above after, in order.
    std::optional<QList<quint32>> newer(quint32 after);
    // Each message of these UIDs, with its UID, in order, as it arrives; a
    // UID the folder no longer holds is passed by.  False when one was not
    // delivered whole: the failure names it, and nothing after it is read.
    bool fetch(const QList<quint32>& uids,
               const std::function<void(quint32 uid, const QByteArray& message)>& each);
    // Says goodbye to the server (LOGOUT), when the connection is open.
    void logout();

    const Failure& failure() const { return m_failure; }
    const Address& address() const { return m_address; }

    // "ab:cd:…" or "ABCD…" as the 64 hexadecimal digits compared.
    static QByteArray normalisedFingerprint(const QString& text);

private:
    class Connection;
    bool open();
    bool fail(Failure::Kind kind, const QString& step, const QString& words);
    // The connection ended, or fell silent, before the reply of this step.
    bool cut(const QString& step);

    std::unique_ptr<Connection> m_connection;
    Address m_address;
    QString m_password;
    QByteArray m_fingerprint;
    Timeouts m_timeouts;
    Failure m_failure;
    quint32 m_uidNext = 0; // of the folder examined; 0 when the server said none
    int m_fetched = 0;     // messages asked for so far, for the step's words
    int m_toFetch = 0;
};

// The folder's name as IMAP writes it (modified UTF-7), quoted.
QByteArray quotedFolder(const QString& folder);

} // namespace imap
