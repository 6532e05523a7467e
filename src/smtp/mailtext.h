#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// What is sent after DATA: the header lines, the body and the closing "."
// line, all in Windows-1252 bytes with CR LF line ends.
namespace mailtext
{

// A body line of the message may hold at most this many bytes (RFC 5321).
constexpr int MaxLineBytes = 998;

struct Letter {
    QByteArray from;      // the sender's address as the envelope carries it
    QByteArray to;        // the recipient's, likewise
    QString subject;      // "Questionnaire ( E )"
    QString text;         // the answer text, CR LF line ends
    QDateTime date;       // the Date: line
    QByteArray messageId; // "<...@domain>", see messageId()
};

// The whole DATA part of the exchange, closing "." line included.  The text
// follows the header lines after an empty line and one more (two CR LF
// precede it); it is sent 8bit unless a line of it is too long for that, its
// doubled leading dot counted (or holds a NUL byte), in which case the body is
// quoted-printable.
QByteArray data(const Letter& letter);

// A new Message-ID for a letter from this sender: the time and 64 random
// bits on the left, the sender's domain on the right, "<...@domain>".  Some
// large providers refuse a message without one.
QByteArray messageId(const QByteArray& from, const QDateTime& date);

// RFC 5322 date with English names and the date's own offset:
// "Tue, 01 Jul 2025 14:05:09 +0200".  Defined for every QDateTime: one whose
// offset is not whole minutes or beyond four digits is written in UTC, and
// one that is invalid or beyond the years 1900 to 9999 as the Unix epoch.
QByteArray rfc5322Date(const QDateTime& date);

// The subject as it may stand in a header: unchanged when it is printable
// ASCII, otherwise RFC 2047 encoded words (windows-1252, Q) folded onto
// several lines when long.  A control character becomes '?'.
QByteArray headerSubject(const QString& subject);

// Quoted-printable (RFC 2045) of CR LF separated lines, soft line breaks
// keeping every encoded line within 76 characters.
QByteArray quotedPrintable(const QByteArray& lines);

// One more "." before every line that begins with "." (RFC 5321, 4.5.2).
QByteArray dotStuffed(const QByteArray& lines);

// Turns a CR or LF that stands alone into CR LF: SMTP knows no other line end.
QByteArray crlfLines(const QByteArray& bytes);

} // namespace mailtext
