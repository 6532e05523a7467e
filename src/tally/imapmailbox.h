#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The publisher's mailbox on an IMAP server, read through libcurl and never
// changed: the folder is opened with EXAMINE and messages are read with
// BODY.PEEK, so no flag moves and nothing is moved or deleted.  One
// connection for every request, over TLS, implicit (imaps, 993) or after
// STARTTLS (imap, 143); the certificate is verified against the system's
// authorities (or SSL_CERT_FILE, as OpenSSL reads it) and the server's name,
// or else accepted only when its SHA-256 fingerprint is the one given.
// Every wait has its time-out.
namespace imap
{

struct Address {
    bool implicitTls = true; // imaps://; imap:// means STARTTLS, never in clear
    QString host;
    quint16 port = 993;
    QString user;
    QString folder = QStringLiteral("INBOX");

    // "imaps://avis@mail.example/INBOX", "imap://avis@mail.example:143/Réponses".
    static std::optional<Address> fromUrl(const QString& url);
    // The same, as the base and the keyring name it (never with a password).
    QString url() const;
};

// Where a run stopped, in French, and the server's own words, cleaned.
struct Failure {
    enum class Kind { Connection, Certificate, Login, Server, Timeout };
    Kind kind = Kind::Server;
    QString step;  // "l’ouverture du dossier « INBOX »"
    QString words; // what the server or the connection said
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
    // Each message of these UIDs, with its UID, in the server's order.
    bool fetch(const QList<quint32>& uids,
               const std::function<void(quint32 uid, const QByteArray& message)>& each);

    const Failure& failure() const { return m_failure; }
    const Address& address() const { return m_address; }

    // "ab:cd:…" or "ABCD…" as the 64 hexadecimal digits compared.
    static QByteArray normalisedFingerprint(const QString& text);

private:
    struct Transfer;
    bool run(const QString& step, const QByteArray& command, Transfer& transfer);
    bool fetchPart(const QList<quint32>& uids, qint64 offset, qint64 length,
                   QMap<quint32, QByteArray>* parts);

    class Curl;
    std::unique_ptr<Curl> m_curl;
    Address m_address;
    Failure m_failure;
};

// The folder's name as IMAP writes it (modified UTF-7), quoted.
QByteArray quotedFolder(const QString& folder);

} // namespace imap
