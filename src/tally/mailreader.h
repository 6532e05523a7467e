#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// Reads the messages of a mailbox with GMime, one at a time, so that memory
// does not grow with the mailbox: an mbox file (as Postfix, Thunderbird and
// mutt write them), a Maildir folder (cur/ and new/, as Dovecot writes it),
// or a single message file (.eml).
namespace mailreader
{

struct Message {
    QString messageId; // without its angle brackets; empty when it has none
    QDateTime date;    // invalid when it has none
    QString sender;    // the From address
    QString subject;   // decoded (RFC 2047)
    // The plain text of the body, decoded (quoted-printable, base64) and
    // converted from its charset.
    QString text;
    // A message it forwards as an attachment, with its own headers.
    std::shared_ptr<const Message> forwarded;
};

enum class Result { Read, Unreadable };

// Calls each(message) for every message in order; each returns false to
// stop.  Unreadable: the path is neither a file nor a Maildir folder, or
// cannot be opened.
Result read(const QString& path, const std::function<bool(const Message&)>& each);

// One message as a server gave it; none when no message can be made of it.
std::optional<Message> parse(const QByteArray& message);

} // namespace mailreader
