#pragma once

#include <QByteArray>
#include <QString>

// Checks of the settings a run sends with, made before connecting: they come
// from a file another program writes too, and whatever they hold goes into
// SMTP commands and header lines.  The verdicts are values; the dispatch
// window says them in French.
namespace mailcheck
{

enum class Fault {
    None,
    Empty,
    LineBreak, // CR or LF
    Control,   // NUL or another control character
    Space,     // a space or tab outside a quoted local part
    Bracket,   // '<' or '>': would close the command's path
    Comma,     // a second address
    NoAt,      // no '@' between a local part and a domain
    LocalPart, // not a dot-string nor a quoted string
    Domain,    // not a domain nor an address literal
    TooLong,   // beyond the lengths SMTP allows
    NotHost,   // a server name that is no host name nor IP address
};

// One RFC 5321 mailbox: local part "@" domain or [address literal].  UTF-8
// is allowed in both parts as RFC 6531 allows it; whether the server takes it
// is known only once it has listed its extensions (see envelope()).
Fault address(const QString& mailbox);

// A CR or an LF, which would let a setting add SMTP commands or header lines.
bool hasLineBreak(const QString& text);

// A name for a header line: no control character at all.
Fault name(const QString& text);

// The mail server as typed: surrounding spaces are dropped; an IPv4 or IPv6
// address (brackets optional) or a host name, internationalised names
// converted with IDNA.  *host receives the form to connect to.
Fault server(const QString& text, QString* host);

// The bytes of a checked mailbox as the envelope and the FROM: line carry
// them: an internationalised domain in its ASCII (IDNA) form, the local part
// as it stands, in UTF-8.  An ASCII mailbox is unchanged.
QByteArray envelope(const QString& mailbox);

// True when the local part is not ASCII: only a server that announces
// SMTPUTF8 can take such a mailbox.
bool needsSmtpUtf8(const QString& mailbox);

} // namespace mailcheck
