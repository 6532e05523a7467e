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
    // The plain text of the body, decoded (quoted-printable, base64),
    // converted from its charset, its flowed lines joined (RFC 3676); the
    // text/plain part of a multipart/alternative.
    QString text;
    // A message it forwards as an attachment, with its own headers.
    std::shared_ptr<const Message> forwarded;
    enum class Flaw {
        None,
        HtmlOnly,  // its only text is HTML
        Truncated, // it ends before its headers or its parts do
    };
    Flaw flaw = Flaw::None;
    // Set aside for this reason whatever it says: a scanned page that gives
    // no response (« aucun code lisible », « partie 2 sur 3 manquante »).
    QString reason;
};

enum class Result { Read, Unreadable, NotMailbox };

// Calls each(message) for every message in order; each returns false to
// stop.  Unreadable: the path is neither a file nor a Maildir folder, or
// cannot be opened.  NotMailbox: a file that holds no message at all (empty,
// or no header where a message begins).
Result read(const QString& path, const std::function<bool(const Message&)>& each);

// What read() would find, without reading more than the beginning of an
// mbox: Read, Unreadable or NotMailbox.
Result probe(const QString& path);

// One message as a server gave it; none when no message can be made of it.
std::optional<Message> parse(const QByteArray& message);

// An mbox's quoting undone, as mboxrd reads it: one ">" less on a line of
// ">From ", ">>From "...
QString unquoteMboxrd(const QString& text);
// Flowed lines (RFC 3676) joined, space-stuffing removed; delSp: the space
// that ends a flowed line is the sender's, not the text's.
QString unflow(const QString& text, bool delSp);

} // namespace mailreader
